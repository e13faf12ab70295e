// The uninstaller's deletion of its own file at the next restart, as the
// uninstall's last step: through WININIT.INI's "[rename]" section on the older
// family of the system (Wine told to report Windows 98 to kquninst.exe), and
// through the system's pending renames on the NT family.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/driver/case_name.h"
#include "tests/e2e/cycle_support.h"

namespace {

// Where a case's expected WININIT.INI holds the uninstaller's entry.
const char kEntry[] = "<entry>";

std::wstring WininitPath() { return WindowsFolderFile(L"WININIT.INI"); }

// A list of names as the system stores it: each zero-ended, one more zero last.
std::vector<BYTE> MultiStringBytes(const std::vector<std::wstring>& names) {
  std::wstring all;
  for (const std::wstring& name : names) all += name + L'\0';
  all += L'\0';
  const auto* bytes = reinterpret_cast<const BYTE*>(all.data());
  return std::vector<BYTE>(bytes, bytes + all.size() * sizeof(wchar_t));
}

// "NUL=" and the short 8.3 path of the uninstaller's file: the older family
// carries out WININIT.INI before long names are available.
std::string UninstallerEntry() { return "NUL=" + Utf8(ShortPath(UninstallerCopyPath())); }

std::string WithEntry(std::string text) {
  const std::string::size_type at = text.find(kEntry);
  if (at != std::string::npos) text.replace(at, sizeof(kEntry) - 1, UninstallerEntry());
  return text;
}

struct SelfDeletionCase {
  const char* name;
  bool olderFamily;
  std::string before;  // WININIT.INI before the uninstall
  std::string after;   // with kEntry for the uninstaller's entry
  friend std::ostream& operator<<(std::ostream& out, const SelfDeletionCase& given) {
    return out << given.name;
  }
};

class SelfDeletionTest : public CycleTest, public ::testing::WithParamInterface<SelfDeletionCase> {
 protected:
  FileGuard wininit_{WininitPath()};
};

TEST_P(SelfDeletionTest, SchedulesTheUninstallersOwnFile) {
  const SelfDeletionCase& given = GetParam();
  PrepareInstallation(L"v3105");
  std::optional<Windows98Mode> windows98;
  if (given.olderFamily) windows98.emplace(L"kquninst.exe");
  WriteFileBytes(WininitPath(), given.before);
  const std::vector<PendingRename> pending = PendingRenames();
  Finish(RunUninstall(OpenUninstallPage(), false));

  EXPECT_EQ(ReadFileBytes(WininitPath()), WithEntry(given.after));
  if (given.olderFamily) {
    EXPECT_EQ(PendingRenames(), pending) << "the NT family's delayed deletion was asked for";
  } else {
    EXPECT_TRUE(UninstallerIsScheduled());
  }
}

// An install before the restart puts a new uninstaller at the very path the
// uninstall listed for deletion: that one entry is dropped, the rest stays.
TEST_P(SelfDeletionTest, AReinstallBeforeTheRestartKeepsItsUninstaller) {
  const SelfDeletionCase& given = GetParam();
  PrepareInstallation(L"v3105");
  std::optional<Windows98Mode> uninstaller98;
  std::optional<Windows98Mode> setup98;
  if (given.olderFamily) {
    uninstaller98.emplace(L"kquninst.exe");
    setup98.emplace(L"install.exe");
  }
  WriteFileBytes(WininitPath(), given.before);
  // Another program's renames, in characters no narrow code page spells (one
  // of them half of a UTF-16 pair, as file names may hold): the list is
  // rewritten around them, and they must come back as they were.
  WriteRegValue(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenamesValue,
                {REG_MULTI_SZ, MultiStringBytes({L"\\??\\C:\\temp\\\u65E5\u672C\\\xD800x.tmp", L"",
                                                 L"\\??\\C:\\temp\\\u0101.new",
                                                 L"!\\??\\C:\\temp\\\u0101.dll"})});
  const std::optional<RegValue> pending =
      ReadRegValue(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenamesValue);
  Finish(RunUninstall(OpenUninstallPage(), false));

  SetupRun& reinstall = Start(Distribution(L"v3105"),
                              L"/setup /quiet /dir=\"" + folder_.File(L"again") + L"\"");
  EXPECT_EQ(reinstall.WaitForExit(), 0u);
  EXPECT_TRUE(FileExists(UninstallerCopyPath()));
  EXPECT_EQ(ReadFileBytes(WininitPath()), given.before);
  EXPECT_EQ(ReadRegValue(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenamesValue), pending);
}

const char kOtherSections[] = "[boot]\r\nshell=Explorer.exe\r\n";

INSTANTIATE_TEST_SUITE_P(
    Wininit, SelfDeletionTest,
    ::testing::Values(
        // The text rules of WININIT.INI are the unit tests' table; here one case
        // per family shows the uninstaller reaching them.
        SelfDeletionCase{
            "OlderFamilySectionWithEntries", true,
            std::string(kOtherSections) +
                "[rename]\r\nNUL=C:\\TEMP\\OLD.TMP\r\nC:\\A.DLL=C:\\B.DLL\r\n",
            std::string(kOtherSections) +
                "[rename]\r\n<entry>\r\nNUL=C:\\TEMP\\OLD.TMP\r\nC:\\A.DLL=C:\\B.DLL\r\n"},
        // The NT family has its own delayed deletion and leaves WININIT.INI alone.
        SelfDeletionCase{"NtFamilyWithFile", false, "[rename]\r\nNUL=C:\\A.TMP\r\n",
                         "[rename]\r\nNUL=C:\\A.TMP\r\n"}),
    CaseName());

}  // namespace
