// The work list: a step's changes taken back newest first or kept, and what a
// step cut off leaves aside settled by the next run, on real files and the
// redirected registry.
#include <gtest/gtest.h>

#include "setup/files.h"
#include "setup/setup_context.h"
#include "setup/work_list.h"
#include "tests/driver/driver_common.h"
#include "tests/driver/file_contents.h"
#include "tests/driver/redirected_registry.h"
#include "tests/driver/setup_state.h"
#include "tests/driver/test_files.h"

namespace {

constexpr char kCompanyKey[] = "Software\\Morvane";
constexpr char kProductKey[] = "Software\\Morvane\\K!q";
constexpr char kVersionKey[] = "Software\\Morvane\\K!q\\3.x";

class WorkListTest : public RedirectedRegistryTest {
 protected:
  // The file at `path` moved aside and new content in its place, recorded.
  void Replace(const std::string& path, const std::string& content) {
    ASSERT_TRUE(MoveFileA(path.c_str(), AsideName(path).c_str())) << path;
    WriteFileBytes(path, content);
    work.Add({Change::kFileSetAside, path, AsideName(path)});
  }

  TempFolder scratch;
  const std::string folder = NarrowFolder(scratch.Path());
  WorkList work;
  SetupLog log;
};

// Each change depends on the one before it: taken back oldest first, a folder
// or key would still hold what was made in it.
TEST_F(WorkListTest, UndoTakesBackEveryChangeNewestFirst) {
  const std::string made = folder + "made";
  const std::string kept = folder + "kept.txt";
  WriteFileBytes(kept, "the user's");
  SetStringValue(HKEY_CURRENT_USER, kCompanyKey, "Kept", "the user's");

  ASSERT_TRUE(CreateDirectoryA(made.c_str(), nullptr));
  work.Add({Change::kFolderMade, made});
  WriteFileBytes(made + "\\new.txt", "new");
  work.Add({Change::kFileMade, made + "\\new.txt"});
  ASSERT_TRUE(MoveFileA((made + "\\new.txt").c_str(), (folder + "moved.txt").c_str()));
  work.Add({Change::kFileMoved, folder + "moved.txt", made + "\\new.txt"});
  Replace(kept, "new");
  CreateKey(HKEY_CURRENT_USER, kProductKey);
  work.Add({Change::kKeyMade, kProductKey, "", HKEY_CURRENT_USER});
  CreateKey(HKEY_CURRENT_USER, kVersionKey);
  work.Add({Change::kKeyMade, kVersionKey, "", HKEY_CURRENT_USER});
  SetStringValue(HKEY_CURRENT_USER, kVersionKey, "Location", "new");
  work.Add({Change::kValueSet, kVersionKey, "Location", HKEY_CURRENT_USER});
  SetStringValue(HKEY_CURRENT_USER, kCompanyKey, "Kept", "new");
  work.Add({Change::kValueSet, kCompanyKey, "Kept", HKEY_CURRENT_USER, REG_SZ,
            std::string("the user's", sizeof("the user's"))});

  work.Undo(log);
  EXPECT_FALSE(FileExists(made));
  EXPECT_FALSE(FileExists(folder + "moved.txt"));
  EXPECT_EQ(ReadFileBytes(kept), "the user's");
  EXPECT_FALSE(FileExists(AsideName(kept)));
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, Widen(kProductKey)));
  EXPECT_EQ(QueryRawValue(HKEY_CURRENT_USER, kCompanyKey, "Kept"),
            (RawValue{REG_SZ, std::string("the user's", sizeof("the user's"))}));

  // Taken back once: a second undo has nothing left to take back.
  WriteFileBytes(kept, "later");
  work.Undo(log);
  EXPECT_EQ(ReadFileBytes(kept), "later");
}

TEST_F(WorkListTest, CommitKeepsEveryChangeAndDropsWhatWasSetAside) {
  const std::string made = folder + "made.txt";
  const std::string kept = folder + "kept.txt";
  WriteFileBytes(kept, "old");
  WriteFileBytes(made, "new");
  work.Add({Change::kFileMade, made});
  Replace(kept, "new");

  EXPECT_TRUE(work.Commit(log));
  EXPECT_EQ(ReadFileBytes(made), "new");
  EXPECT_EQ(ReadFileBytes(kept), "new");
  EXPECT_FALSE(FileExists(AsideName(kept)));

  // Kept for good: an undo after it takes nothing back.
  work.Undo(log);
  EXPECT_EQ(ReadFileBytes(made), "new");
}

// A set-aside copy that another program holds stays, and the commit says so;
// the next step that sets the same file aside deletes it (below).
TEST_F(WorkListTest, CommitTellsOfACopyItCouldNotDelete) {
  const std::string kept = folder + "kept.txt";
  WriteFileBytes(kept, "old");
  Replace(kept, "new");
  {
    const ScopedFile held(CreateFileA(AsideName(kept).c_str(), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.IsValid());
    EXPECT_FALSE(work.Commit(log));
  }
  EXPECT_EQ(ReadFileBytes(kept), "new");
  EXPECT_EQ(ReadFileBytes(AsideName(kept)), "old");
}

// A step cut off leaves the file it replaces at its fixed aside name, with or
// without the copy in its place. The next run's step settles that first: the
// aside copy goes back where nothing took its place and goes where something
// did; its own undo or commit then leaves no aside copy behind.
TEST_F(WorkListTest, TheNextRunSettlesWhatACutOffStepLeftAside) {
  struct Case {
    const char* what;
    bool cutOffAfterCopy;
    bool nextRunCompletes;
    const char* after;
  };
  const Case cases[] = {
      {"cut off with the file aside, next run taken back", false, false, "installed"},
      {"cut off with the file aside, next run completes", false, true, "distribution"},
      {"cut off after the copy, next run taken back", true, false, "distribution"},
      {"cut off after the copy, next run completes", true, true, "distribution"},
  };
  const std::string source = folder + "source.exe";
  const std::string path = folder + "kalquint.exe";
  WriteFileBytes(source, "distribution");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DeleteFileA(AsideName(path).c_str());
    WriteFileBytes(path, "installed");
    {
      SetupContext cutOff;
      if (c.cutOffAfterCopy) {
        ASSERT_TRUE(cutOff.PutFile(source, path, true));
      } else {
        ASSERT_TRUE(cutOff.SetAside(path));
      }
    }
    ASSERT_EQ(ReadFileBytes(AsideName(path)), "installed");

    SetupContext next;
    ASSERT_TRUE(next.PutFile(source, path, true));
    if (c.nextRunCompletes) {
      EXPECT_TRUE(next.Work.Commit(next.Log));
    } else {
      next.Work.Undo(next.Log);
    }
    EXPECT_EQ(ReadFileBytes(path), c.after);
    EXPECT_FALSE(FileExists(AsideName(path)));
  }
}

}  // namespace
