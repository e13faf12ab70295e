// The registry of a test program redirected into a scratch key, for tests that
// call the engine in their own process, and its values as the engine's narrow
// calls see them.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <ostream>
#include <string>

#include "setup/scoped.h"

// A registry value as the narrow calls return it: strings in this process's
// code page.
struct RawValue {
  DWORD type = REG_NONE;
  std::string bytes;
  bool operator==(const RawValue& other) const {
    return type == other.type && bytes == other.bytes;
  }
};
void PrintTo(const RawValue& value, std::ostream* out);

void CreateKey(HKEY root, const std::string& key);
void SetRawValue(HKEY root, const std::string& key, const std::string& name, DWORD type,
                 const std::string& bytes);
// A REG_SZ value with its terminating zero.
void SetStringValue(HKEY root, const std::string& key, const std::string& name,
                    const std::string& text);
std::optional<RawValue> QueryRawValue(HKEY root, const std::string& key, const std::string& name);

// Redirects HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT of this
// process into empty subkeys of a fresh scratch key under the real HKCU, and at
// the end of the scope restores the roots and deletes the scratch tree.
class RegistryOverride {
 public:
  RegistryOverride();
  // The redirection into `scratchPath`, made or opened; a child process joins
  // its parent's registry this way.
  explicit RegistryOverride(std::string scratchPath);
  ~RegistryOverride();
  RegistryOverride(const RegistryOverride&) = delete;
  RegistryOverride& operator=(const RegistryOverride&) = delete;
  bool IsActive() const { return active_; }
  const std::string& ScratchPath() const { return scratchPath_; }
  // The scratch key that stands in for `root`.
  HKEY StandInFor(HKEY root) const;

 private:
  std::string scratchPath_;
  ScopedRegKey standIns_[3];
  bool active_ = false;
};

// Every test of this fixture sees an empty registry, and fails when the real one
// gained any of the keys the setup writes (PresentSetupKeys, setup_state.h).
class RedirectedRegistryTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  void EndOverride() { override_.reset(); }
  HKEY StandInFor(HKEY root) const { return override_->StandInFor(root); }

 private:
  std::optional<RegistryOverride> override_;
};
