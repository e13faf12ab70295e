#include "tests/driver/redirected_registry.h"

#include <shlwapi.h>

#include <utility>
#include <vector>

#include "tests/driver/driver_common.h"
#include "tests/driver/registry_values.h"
#include "tests/driver/setup_state.h"

namespace {

// Unique within the run; the process id keeps parallel runs apart.
std::string UniqueScratchName() {
  static int counter = 0;
  return std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount()) + "-" +
         std::to_string(++counter);
}

const HKEY kRedirectedRoots[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT};
constexpr const char* kRedirectedRootNames[] = {"HKCU", "HKLM", "HKCR"};

}  // namespace

void PrintTo(const RawValue& value, std::ostream* out) {
  *out << "type " << value.type << ", " << value.bytes.size() << " bytes:";
  for (unsigned char byte : value.bytes) *out << ' ' << static_cast<int>(byte);
}

void CreateKey(HKEY root, const std::string& key) {
  ScopedRegKey created;
  ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            created.Receive(), nullptr),
            ERROR_SUCCESS)
      << key;
}

void SetRawValue(HKEY root, const std::string& key, const std::string& name, DWORD type,
                 const std::string& bytes) {
  ScopedRegKey created;
  ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            created.Receive(), nullptr),
            ERROR_SUCCESS)
      << key;
  ASSERT_EQ(
      RegSetValueExA(created.Get(), name.c_str(), 0, type,
                     reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size())),
      ERROR_SUCCESS)
      << key << " " << name;
}

void SetStringValue(HKEY root, const std::string& key, const std::string& name,
                    const std::string& text) {
  SetRawValue(root, key, name, REG_SZ, std::string(text.c_str(), text.size() + 1));
}

std::optional<RawValue> QueryRawValue(HKEY root, const std::string& key, const std::string& name) {
  const std::optional<RegValue> value =
      ReadRegValue(root, Widen(key, CP_ACP), Widen(name, CP_ACP));
  if (!value) return std::nullopt;
  const std::string bytes(value->bytes.begin(), value->bytes.end());
  if (value->type != REG_SZ && value->type != REG_EXPAND_SZ && value->type != REG_MULTI_SZ) {
    return RawValue{value->type, bytes};
  }
  // The system keeps strings in UTF-16; the narrow calls give them in this
  // process's code page.
  return RawValue{value->type,
                  Narrow(std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()),
                                      bytes.size() / sizeof(wchar_t)))};
}

RegistryOverride::RegistryOverride()
    : RegistryOverride("Software\\KalquintSetupTests\\" + UniqueScratchName()) {}

RegistryOverride::RegistryOverride(std::string scratchPath) : scratchPath_(std::move(scratchPath)) {
  // All stand-ins are made before any root is redirected: they live under the real HKCU.
  for (int i = 0; i < 3; ++i) {
    const std::string path = scratchPath_ + "\\" + kRedirectedRootNames[i];
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        standIns_[i].Receive(), nullptr) != ERROR_SUCCESS) {
      standIns_[i].Release();
      return;
    }
  }
  active_ = true;
  for (int i = 0; i < 3; ++i) {
    active_ =
        RegOverridePredefKey(kRedirectedRoots[i], standIns_[i].Get()) == ERROR_SUCCESS && active_;
  }
}

RegistryOverride::~RegistryOverride() {
  for (HKEY root : kRedirectedRoots) RegOverridePredefKey(root, nullptr);
  for (ScopedRegKey& standIn : standIns_) standIn.Reset();
  SHDeleteKeyA(HKEY_CURRENT_USER, scratchPath_.c_str());
  // Only empty once no other run is using it.
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\KalquintSetupTests");
}

HKEY RegistryOverride::StandInFor(HKEY root) const {
  for (int i = 0; i < 3; ++i) {
    if (kRedirectedRoots[i] == root) return standIns_[i].Get();
  }
  return nullptr;
}

void RedirectedRegistryTest::SetUp() {
  ASSERT_EQ(PresentSetupKeys(), std::vector<std::wstring>())
      << "left in the real registry by an earlier run (a test killed midway, or a setup "
         "started by hand in the tests' prefix); to recover, delete the tests' prefix, "
      << std::string(WIZARD_DRIVER_BUILD_DIR).substr(2)  // "Z:" and the host's path
      << "/wineprefix, which the next run makes afresh, and run the tests again";
  override_.emplace();
  ASSERT_TRUE(override_->IsActive());
}

void RedirectedRegistryTest::TearDown() {
  override_.reset();
  EXPECT_EQ(PresentSetupKeys(), std::vector<std::wstring>())
      << "written outside the scratch key";
}
