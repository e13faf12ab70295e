// The file list and the copy, delete, backup and uninstaller operations on real
// files in scratch folders; the older family's backup through its seam.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "setup/file_move.h"
#include "setup/files.h"
#include "setup/install_folder.h"
#include "setup/setup_context.h"
#include "tests/driver/driver_common.h"
#include "tests/driver/file_contents.h"
#include "tests/driver/state_guards.h"
#include "tests/driver/test_files.h"

namespace {

using testing::ElementsAre;
using testing::IsEmpty;
using testing::UnorderedElementsAre;

class FileSetTest : public testing::Test {
 protected:
  void SetUp() override {
    context.SourceDir = source;
    context.InstallDir = target;
  }

  TempFolder sourceFolder;
  TempFolder targetFolder;
  const std::string source = NarrowFolder(sourceFolder.Path());
  const std::string target = NarrowFolder(targetFolder.Path());
  SetupContext context;
};

TEST_F(FileSetTest, NamesAddedTwiceAreCopiedTwiceOverOlderFiles) {
  WriteFileBytes(source + "dates.txt", "new dates");
  WriteFileBytes(source + "runs.txt", "new runs");
  WriteFileBytes(target + "dates.txt", "old dates");
  context.AddFile(IDS_FILE_DATES);
  context.AddFile(IDS_FILE_DATES);
  context.AddFile(IDS_FILE_RUNS);
  EXPECT_THAT(context.ListedFiles(), ElementsAre("dates.txt", "dates.txt", "runs.txt"));

  context.CopyListedFiles();
  EXPECT_THAT(context.ListedFiles(), IsEmpty());
  EXPECT_EQ(ReadFileBytes(target + "dates.txt"), "new dates");
  EXPECT_EQ(ReadFileBytes(target + "runs.txt"), "new runs");
}

TEST_F(FileSetTest, AFailedDeleteOfANameListedTwiceDoesNotStopTheRest) {
  WriteFileBytes(source + "dates.txt", "dates");
  WriteFileBytes(source + "runs.txt", "runs");
  context.AddFile(IDS_FILE_DATES);
  context.AddFile(IDS_FILE_DATES);
  context.AddFile(IDS_FILE_RUNS);

  context.DeleteListedFiles();
  EXPECT_THAT(context.ListedFiles(), IsEmpty());
  EXPECT_FALSE(FileExists(source + "dates.txt"));
  EXPECT_FALSE(FileExists(source + "runs.txt"));
}

// The main program lets go of its file a moment after "/UnregServer".
TEST_F(FileSetTest, AFileReleasedAMomentLaterIsDeleted) {
  WriteFileBytes(source + "kalquint.exe", "program");
  struct Holder {
    ScopedFile file;
    static DWORD WINAPI ReleaseLater(void* holder) {
      Sleep(400);
      static_cast<Holder*>(holder)->file.Reset();
      return 0;
    }
  } holder{ScopedFile(CreateFileA((source + "kalquint.exe").c_str(), GENERIC_READ,
                                  FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr))};
  ASSERT_TRUE(holder.file.IsValid());
  const ScopedHandle releaser(CreateThread(nullptr, 0, Holder::ReleaseLater, &holder, 0, nullptr));
  ASSERT_TRUE(releaser.IsValid());
  context.AddFile(IDS_FILE_EXE);

  context.DeleteListedFiles();
  WaitForSingleObject(releaser.Get(), INFINITE);
  EXPECT_FALSE(FileExists(source + "kalquint.exe"));
}

TEST_F(FileSetTest, AnEmptiedListCopiesAndDeletesNothing) {
  WriteFileBytes(source + "dates.txt", "dates");
  context.AddFile(IDS_FILE_DATES);
  context.CopyListedFiles();
  ASSERT_TRUE(DeleteFileA((target + "dates.txt").c_str()));

  context.CopyListedFiles();
  context.DeleteListedFiles();
  EXPECT_FALSE(FileExists(target + "dates.txt"));
  EXPECT_TRUE(FileExists(source + "dates.txt"));
}

// Bare names would come from the current folder: with no distribution folder
// every listed file counts as not copied.
TEST_F(FileSetTest, WithoutTheDistributionFolderNothingIsCopied) {
  WriteFileBytes(source + "dates.txt", "dates");
  char previous[MAX_PATH];
  ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, previous), 0u);
  ASSERT_TRUE(SetCurrentDirectoryA(source.c_str()));
  context.SourceDir.clear();
  context.AddFile(IDS_FILE_DATES);

  EXPECT_THAT(context.CopyListedFiles(), ElementsAre("dates.txt"));
  EXPECT_TRUE(SetCurrentDirectoryA(previous));
  EXPECT_FALSE(FileExists(target + "dates.txt"));
}

TEST_F(FileSetTest, AllInstalledFilesAreEveryEntryAsFoundAndOnlyFilesGetDeleted) {
  WriteFileBytes(source + "Dates.TXT", "dates");
  ASSERT_TRUE(CreateDirectoryA((source + "Sub").c_str(), nullptr));
  WriteFileBytes(source + "Sub\\inner.txt", "inner");
  context.AddFile(IDS_FILE_EXE);

  context.AddAllInstalledFiles(InstallFolder::Installed(source, true));
  EXPECT_THAT(context.ListedFiles(), UnorderedElementsAre(".", "..", "Dates.TXT", "Sub"));

  context.DeleteListedFiles();
  EXPECT_THAT(context.ListedFiles(), IsEmpty());
  EXPECT_FALSE(FileExists(source + "Dates.TXT"));
  EXPECT_EQ(ReadFileBytes(source + "Sub\\inner.txt"), "inner");
}

TEST_F(FileSetTest, AllInstalledFilesOfAMissingFolderAreNone) {
  context.SourceDir = source + "missing\\";
  context.AddFile(IDS_FILE_EXE);
  context.AddAllInstalledFiles(InstallFolder::Installed(context.SourceDir, true));
  EXPECT_THAT(context.ListedFiles(), IsEmpty());
}

TEST_F(FileSetTest, BackupHoldsTheCurrentFile) {
  struct Case {
    const char* what;
    std::optional<std::string> current;
    std::optional<std::string> olderBackup;
    bool renamed;
    std::optional<std::string> backup;
  };
  const Case cases[] = {
      {"no backup yet", "current", std::nullopt, true, "current"},
      {"older backup", "current", "older", true, "current"},
      {"no file", std::nullopt, "older", false, "older"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DeleteFileA((target + "dates.txt").c_str());
    DeleteFileA((target + "dates.txt.bak").c_str());
    if (c.current) WriteFileBytes(target + "dates.txt", *c.current);
    if (c.olderBackup) WriteFileBytes(target + "dates.txt.bak", *c.olderBackup);

    EXPECT_EQ(context.BackupFile(IDS_FILE_DATES), c.renamed);
    EXPECT_FALSE(FileExists(target + "dates.txt"));
    EXPECT_EQ(ReadFileBytes(target + "dates.txt.bak"), c.backup);
  }
}

// The older family's way, and the NT family's when the call is not implemented.
BOOL WINAPI MoveFileExNotImplemented(LPCSTR, LPCSTR, DWORD) {
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return FALSE;
}

BOOL WINAPI MoveFileExDenied(LPCSTR, LPCSTR, DWORD) {
  SetLastError(ERROR_ACCESS_DENIED);
  return FALSE;
}

size_t FileCount(const std::string& folder) {
  size_t count = 0;
  WIN32_FIND_DATAA entry;
  const ScopedFind search(FindFirstFileA((folder + "*").c_str(), &entry));
  if (!search.IsValid()) return 0;
  do {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) ++count;
  } while (FindNextFileA(search.Get(), &entry));
  return count;
}

// The older family moves the older backup aside first, and puts it back when
// the current file cannot be moved (another program holds it open): there is
// never a moment with neither.
TEST_F(FileSetTest, BackupMoveReplacesTheOlderBackupOnBothFamilies) {
  struct Case {
    const char* what;
    bool ntFamily;
    MoveFileExFunction moveFileEx;
    std::optional<std::string> current;
    bool held;  // another program has the current file open, sharing nothing
    bool moved;
    std::optional<std::string> kept;  // what is left at the current file's place
    std::optional<std::string> backup;
  };
  const Case cases[] = {
      {"older family", false, MoveFileExA, "current", false, true, std::nullopt, "current"},
      {"older family, no file", false, MoveFileExA, std::nullopt, false, false, std::nullopt,
       "older"},
      {"older family, file held open", false, MoveFileExA, "current", true, false, "current",
       "older"},
      {"not implemented", true, MoveFileExNotImplemented, "current", false, true, std::nullopt,
       "current"},
      {"not implemented, no file", true, MoveFileExNotImplemented, std::nullopt, false, false,
       std::nullopt, "older"},
      {"other failure", true, MoveFileExDenied, "current", false, false, "current", "older"},
  };
  const std::string path = target + "dates.txt";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DeleteFileA(path.c_str());
    if (c.current) WriteFileBytes(path, *c.current);
    WriteFileBytes(path + ".bak", "older");
    {
      const ScopedFile held(c.held ? CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr,
                                                 OPEN_EXISTING, 0, nullptr)
                                   : INVALID_HANDLE_VALUE);
      EXPECT_EQ(MoveFileReplacing(path, path + ".bak", c.ntFamily, c.moveFileEx), c.moved);
    }
    EXPECT_EQ(ReadFileBytes(path), c.kept);
    EXPECT_EQ(ReadFileBytes(path + ".bak"), c.backup);
    EXPECT_EQ(FileCount(target), c.kept ? 2u : 1u) << "a file moved aside is left";
  }
}

TEST_F(FileSetTest, UninstallerIsTheRunningProgramCopiedIntoTheWindowsFolder) {
  const FileGuard preserved(WindowsFolderFile(L"kquninst.exe"));
  const std::string uninstaller = Narrow(preserved.Path());
  WriteFileBytes(uninstaller, "older uninstaller");
  WriteFileBytes(source + "install.exe", "setup program");
  char self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);

  EXPECT_TRUE(context.InstallUninstaller());
  EXPECT_EQ(context.UninstallerPath, uninstaller);
  EXPECT_EQ(ReadFileBytes(uninstaller), ReadFileBytes(self));

  // A folder in the copy's place: no copy, and the caller is told.
  ASSERT_TRUE(DeleteFileA(uninstaller.c_str()));
  ASSERT_TRUE(CreateDirectoryA(uninstaller.c_str(), nullptr));
  EXPECT_FALSE(context.InstallUninstaller());
  EXPECT_TRUE(RemoveDirectoryA(uninstaller.c_str()));
}

}  // namespace
