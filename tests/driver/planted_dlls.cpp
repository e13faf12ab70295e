#include "tests/driver/planted_dlls.h"

#include <algorithm>
#include <cwctype>
#include <sstream>
#include <utility>

#include "tests/driver/driver_common.h"
#include "tests/driver/file_contents.h"
#include "tests/driver/setup_state.h"
#include "tests/driver/test_files.h"

const std::vector<std::wstring> kPlantableDlls = {
    L"version",  L"uxtheme",  L"msimg32",  L"comctl32", L"shell32",   L"shlwapi",  L"ole32",
    L"oleaut32", L"propsys",  L"profapi",  L"userenv",  L"cryptbase", L"dwmapi",   L"sspicli",
    L"winmm",    L"comdlg32", L"linkinfo", L"ntshrui",  L"srvcli",    L"cscapi",   L"apphelp",
    L"imm32",    L"msctf",    L"shcore",   L"setupapi", L"wintrust",  L"crypt32",  L"bcrypt",
    L"dbghelp",  L"iphlpapi", L"netapi32", L"mpr",      L"secur32",   L"winspool", L"riched20",
    L"usp10",    L"oleacc",   L"wtsapi32", L"powrprof", L"dwrite",    L"winsta",   L"edputil"};

namespace {

const wchar_t kOverridesKey[] = L"Software\\Wine\\DllOverrides";

std::wstring MarkerPath() { return JoinPath(BuildDir(), L"tests\\planted_marker.dll"); }

std::wstring DllFile(const std::wstring& folder, const std::wstring& name) {
  return JoinPath(folder, name + L".dll");
}

}  // namespace

std::wstring DllName(const std::wstring& path) {
  std::wstring name = path.substr(path.rfind(L'\\') + 1);
  std::transform(name.begin(), name.end(), name.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  return name.size() > 4 && name.ends_with(L".dll") ? name.substr(0, name.size() - 4) : name;
}

PlantedDlls::PlantedDlls(std::vector<std::wstring> names, std::wstring log)
    : names_(std::move(names)), log_(std::move(log)) {
  for (const std::wstring& name : names_) {
    overrides_.push_back(std::make_unique<RegValueGuard>(HKEY_CURRENT_USER, kOverridesKey, name));
    WriteRegString(HKEY_CURRENT_USER, kOverridesKey, name, L"native,builtin");
  }
}

void PlantedDlls::PlantInto(const std::wstring& folder) {
  for (const std::wstring& name : names_) CopyFileOrThrow(MarkerPath(), DllFile(folder, name));
  folders_.push_back(folder);
}

void PlantedDlls::Remove(const std::wstring& name) {
  for (const std::wstring& folder : folders_) DeleteFileW(DllFile(folder, name).c_str());
  DeleteRegValue(HKEY_CURRENT_USER, kOverridesKey, name);
  names_.erase(std::remove(names_.begin(), names_.end(), name), names_.end());
}

std::vector<EnvironmentVariable> PlantedDlls::Environment() const {
  return {{kPlantedLogVariable, log_}};
}

std::vector<std::wstring> PlantedDlls::Loaded() const {
  std::vector<std::wstring> paths;
  std::istringstream lines(ReadFileBytes(log_).value_or(std::string()));
  for (std::string line; std::getline(lines, line);) paths.push_back(Widen(line));
  return paths;
}

void PlantedDlls::ClearLog() const { DeleteFileW(log_.c_str()); }
