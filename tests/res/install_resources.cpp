#include "tests/res/install_resources.h"

#include <algorithm>

std::wstring ShippedInstallExePath() {
  std::string path = TEST_SHIPPED_DIR "/bin/install.exe";
  std::replace(path.begin(), path.end(), '/', '\\');
  return std::wstring(path.begin(), path.end());
}

HMODULE InstallModule() {
  static const ScopedLibrary module(
      LoadLibraryExW(ShippedInstallExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  return module.Get();
}

std::vector<BYTE> ResourceBytes(LPCSTR type, WORD id) {
  const HMODULE module = InstallModule();
  const HRSRC info = FindResourceExA(module, type, MAKEINTRESOURCEA(id), kRussianLanguage);
  if (!info) return {};
  const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, info)));
  if (!data) return {};
  return std::vector<BYTE>(data, data + SizeofResource(module, info));
}

std::wstring ResourceLabel(LPCWSTR typeOrName) {
  if (IS_INTRESOURCE(typeOrName))
    return L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(typeOrName));
  return typeOrName;
}

std::wstring ResourceLabel(LPCSTR id) {
  return ResourceLabel(MAKEINTRESOURCEW(reinterpret_cast<ULONG_PTR>(id)));
}

namespace {

BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR param) {
  reinterpret_cast<std::vector<ResourceEntry>*>(param)->push_back(
      {ResourceLabel(type), ResourceLabel(name), language});
  return TRUE;
}

BOOL CALLBACK AddName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param) {
  EnumResourceLanguagesW(module, type, name, AddLanguage, param);
  return TRUE;
}

BOOL CALLBACK AddType(HMODULE module, LPWSTR type, LONG_PTR param) {
  EnumResourceNamesW(module, type, AddName, param);
  return TRUE;
}

}  // namespace

std::vector<ResourceEntry> ListResources() {
  std::vector<ResourceEntry> entries;
  EnumResourceTypesW(InstallModule(), AddType, reinterpret_cast<LONG_PTR>(&entries));
  return entries;
}

std::vector<std::wstring> ResourceNames(LPCSTR type) {
  std::vector<std::wstring> names;
  for (const ResourceEntry& entry : ListResources())
    if (entry.type == ResourceLabel(type)) names.push_back(entry.name);
  return names;
}
