// The application manifest of install.exe: its own identity, the common
// controls version 6 it asks the loader for, administrator rights and UTF-8.
#include <gtest/gtest.h>

#include <initializer_list>
#include <algorithm>
#include <string>

#include "tests/res/install_resources.h"

namespace {

constexpr WORD kManifestId = 1;

// The opening tag `<element ...>` found first at or after `from`; empty if none.
std::string Tag(const std::string& xml, const std::string& element, size_t from = 0) {
  const size_t start = xml.find("<" + element, from);
  if (start == std::string::npos) return "";
  return xml.substr(start, xml.find('>', start) + 1 - start);
}

// The text of the element `<element ...>` found first at or after `from`;
// "(none)" when there is none.
std::string ElementText(const std::string& xml, const std::string& element, size_t from = 0) {
  const std::string open = Tag(xml, element, from);
  if (open.empty()) return "(none)";
  const size_t start = xml.find(open, from) + open.size();
  return xml.substr(start, xml.find("</" + element + ">", start) - start);
}

// The value of attribute `name` in `tag`; "(none)" when it is not there.
std::string Attribute(const std::string& tag, const std::string& name) {
  for (const char* space : {" ", "\t", "\n", "\r"}) {
    size_t at = tag.find(space + name + "=");
    if (at == std::string::npos) continue;
    at += name.size() + 2;
    const size_t end = tag.find(tag[at], at + 1);
    return tag.substr(at + 1, end - at - 1);
  }
  return "(none)";
}

struct ExpectedAttribute {
  const char* name;
  const char* value;
};

void ExpectAttributes(const std::string& tag, std::initializer_list<ExpectedAttribute> expected,
                      const std::string& where) {
  EXPECT_NE(tag, "") << where << ": missing";
  for (const ExpectedAttribute& attribute : expected)
    EXPECT_EQ(Attribute(tag, attribute.name), attribute.value) << where << ": " << attribute.name;
}

std::string Manifest() {
  const std::vector<BYTE> bytes = ResourceBytes(RT_MANIFEST, kManifestId);
  return std::string(bytes.begin(), bytes.end());
}

TEST(Manifest, NamesTheSetupAndItsCommonControls) {
  EXPECT_EQ(ResourceNames(RT_MANIFEST), std::vector<std::wstring>{L"#1"});
  const std::string xml = Manifest();
  ASSERT_NE(xml, "") << "no Russian manifest with id 1";
  const size_t dependency = xml.find("<dependency");
  ASSERT_NE(dependency, std::string::npos) << "manifest: no dependency";
  const std::string identity = Tag(xml.substr(0, dependency), "assemblyIdentity");
  ExpectAttributes(identity,
                   {{"name", "MorvaneSoftware.Kalquint.Setup"},
                    {"processorArchitecture", "x86"},
                    {"version", "2.0.0.0"},
                    {"type", "win32"}},
                   "manifest identity");

  EXPECT_EQ(ElementText(xml, "description"), "Reminder") << "manifest description";

  // The public key token is what lets the loader bind the system's assembly.
  const std::string dependent =
      Tag(xml, "assemblyIdentity", xml.find("<dependentAssembly", dependency));
  ExpectAttributes(dependent,
                   {{"name", "Microsoft.Windows.Common-Controls"},
                    {"version", "6.0.0.0"},
                    {"processorArchitecture", "x86"},
                    {"type", "win32"},
                    {"publicKeyToken", "6595b64144ccf1df"}},
                   "manifest dependency");
}

// Every mode writes under HKEY_LOCAL_MACHINE and into the Windows directory, and
// the uninstaller copy is not named like a setup, so the system would not guess.
// A single namespace declaration on trustInfo: Windows XP SP2 and Server 2003
// before SP1 restart on an element that declares one twice.
TEST(Manifest, AsksForAdministratorRights) {
  const std::string xml = Manifest();
  const std::string trust = Tag(xml, "trustInfo");
  ExpectAttributes(trust, {{"xmlns", "urn:schemas-microsoft-com:asm.v3"}}, "manifest trustInfo");
  EXPECT_EQ(trust.find("xmlns", trust.find("xmlns") + 1), std::string::npos)
      << "trustInfo declares more than one namespace: " << trust;
  ExpectAttributes(Tag(xml, "requestedExecutionLevel", xml.find("<requestedPrivileges")),
                   {{"level", "requireAdministrator"}, {"uiAccess", "false"}},
                   "manifest execution level");
}

// The process's narrow strings are UTF-8 from Windows 10 version 1903 on,
// whatever the code page of the system's narrow-string programs; older systems
// ignore the element, which is in a namespace of its own.
TEST(Manifest, AsksForUtf8AsTheProcessCodePage) {
  const std::string xml = Manifest();
  const size_t application = xml.find("<application");
  ExpectAttributes(Tag(xml, "application"), {{"xmlns", "urn:schemas-microsoft-com:asm.v3"}},
                   "manifest application");
  const size_t settings = xml.find("<windowsSettings", application);
  ExpectAttributes(Tag(xml, "activeCodePage", settings),
                   {{"xmlns", "http://schemas.microsoft.com/SMI/2019/WindowsSettings"}},
                   "manifest activeCodePage");
  EXPECT_EQ(ElementText(xml, "activeCodePage", settings), "UTF-8");
}

// Sharp texts at 150 % and 200 %: per-monitor aware from Windows 10 version 1703
// on (PerMonitorV2), per-monitor from 8.1 (the later element, then "true/pm"
// of the earlier one), system aware on Vista and 7; older systems ignore both.
TEST(Manifest, DeclaresPerMonitorDpiAwareness) {
  const std::string xml = Manifest();
  const size_t settings = xml.find("<windowsSettings");
  ExpectAttributes(Tag(xml, "dpiAware", settings),
                   {{"xmlns", "http://schemas.microsoft.com/SMI/2005/WindowsSettings"}},
                   "manifest dpiAware");
  EXPECT_EQ(ElementText(xml, "dpiAware", settings), "true/pm");
  ExpectAttributes(Tag(xml, "dpiAwareness", settings),
                   {{"xmlns", "http://schemas.microsoft.com/SMI/2016/WindowsSettings"}},
                   "manifest dpiAwareness");
  EXPECT_EQ(ElementText(xml, "dpiAwareness", settings), "PerMonitorV2, PerMonitor");
}

struct ActCtxTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle context) { ReleaseActCtx(context); }
};

// The loader of the build that runs the tests: a prefix without 32-bit Wine has
// no x86 common controls to give the shipped program's manifest, so a 64-bit
// test asks about its own build's setup, whose manifest differs only in the
// architecture it names.
std::wstring LoadableInstallExePath() {
  if (sizeof(void*) == 4) return ShippedInstallExePath();
  std::string path = TEST_BUILD_DIR "/bin/install.exe";
  std::replace(path.begin(), path.end(), '/', '\\');
  return std::wstring(path.begin(), path.end());
}

TEST(Manifest, TheLoaderAcceptsIt) {
  const std::wstring path = LoadableInstallExePath();
  ACTCTXW request = {};
  request.cbSize = sizeof(request);
  request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.lpSource = path.c_str();
  request.lpResourceName = MAKEINTRESOURCEW(kManifestId);
  const ScopedObject<ActCtxTraits> context(CreateActCtxW(&request));
  EXPECT_TRUE(context.IsValid()) << "activation context from install.exe: error " << GetLastError();
}

}  // namespace
