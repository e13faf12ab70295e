// The setup run from a folder prepared against the person who runs it: DLLs
// planted there and in the current folder under system DLLs' names, and the
// distribution's program replaced while the wizard is under way.
#include <algorithm>
#include <functional>
#include <iostream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "tests/driver/case_name.h"
#include "tests/driver/folder_browser.h"
#include "tests/driver/planted_dlls.h"
#include "tests/e2e/install_support.h"

namespace {

// ---------------------------------------------------------------------------
// Planted DLLs: none may load, from start-up to the uninstall. Wine's own
// system DLLs load a few names from the program's folder whatever the program
// does, even once its search is restricted (Wine's behaviour, measured through
// the reference program): the names the reference program loads are left out,
// and the test says which.

bool Contains(const std::vector<std::wstring>& names, const std::wstring& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

std::string Joined(const std::vector<std::wstring>& names) {
  std::string text;
  for (const std::wstring& name : names) text += (text.empty() ? "" : ", ") + Utf8(name);
  return text;
}

class PlantedDllTest : public InstallTest {
 protected:
  // The names the reference program loads, a round at a time: a planted DLL
  // ends the process that loads it, so each round leaves out those found before.
  std::vector<std::wstring> NamesWineLoads() {
    const std::wstring folder = folder_.MakeFolder(L"reference");
    const std::wstring current = folder_.MakeFolder(L"reference-current");
    const std::wstring program = JoinPath(folder, L"planted_reference.exe");
    CopyFileOrThrow(JoinPath(BuildDir(), L"tests\\planted_reference.exe"), program);
    PlantedDlls planted(kPlantableDlls, folder_.File(L"reference.log"));
    planted.PlantInto(folder);
    planted.PlantInto(current);
    std::vector<std::wstring> loaded;
    for (size_t round = 0; round <= kPlantableDlls.size(); ++round) {
      planted.ClearLog();
      const DWORD code = SetupRun(program, L"", current, planted.Environment()).WaitForExit();
      const std::vector<std::wstring> paths = planted.Loaded();
      if (paths.empty()) {
        EXPECT_EQ(code, 0u) << "the reference program failed";
        break;
      }
      for (const std::wstring& path : paths) {
        if (Contains(loaded, DllName(path))) continue;
        loaded.push_back(DllName(path));
        planted.Remove(DllName(path));
      }
    }
    return loaded;
  }

  SetupRun& StartFrom(const std::wstring& current, const PlantedDlls& planted,
                      const std::wstring& program, const std::wstring& arguments) {
    run_ = std::make_unique<SetupRun>(program, arguments, current, planted.Environment());
    return *run_;
  }
};

struct PlantedWalk {
  const char* name;
  std::function<DWORD()> walk;  // returns the exit code
};

TEST_F(PlantedDllTest, NoneLoadsFromTheSetupsOwnOrTheCurrentFolder) {
  const std::vector<std::wstring> wines = NamesWineLoads();
  ASSERT_FALSE(wines.empty()) << "the reference program loaded no planted DLL: Wine did not "
                                 "prefer them, so nothing here would show one the setup loads";
  std::cout << "Left out, as Wine's own DLLs load them from the folder of the reference "
               "program too, which restricts its search first: "
            << Joined(wines) << "\n";
  std::vector<std::wstring> names;
  for (const std::wstring& name : kPlantableDlls) {
    if (!Contains(wines, name)) names.push_back(name);
  }
  PlantedDlls planted(names, folder_.File(L"planted.log"));
  const std::wstring current = folder_.MakeFolder(L"current");
  const std::wstring setup = DistributionFile(L"install.exe");
  const std::wstring update = Distribution(L"v3200");
  for (const std::wstring& folder :
       {current, DistributionFolder(), update.substr(0, update.rfind(L'\\'))}) {
    planted.PlantInto(folder);
  }
  const std::wstring target = TargetFolder();
  const PlantedWalk walks[] = {
      {"start-up and the wizard up to the folder browser",
       [&] {
         SetupRun& run = StartFrom(current, planted, setup, L"/setup");
         const Page path = ToPathPage(run.WaitForPage(kWelcomeCaption));
         const Page browser = OpenFolderBrowser(run, path);
         browser.Click(IDCANCEL);
         browser.WaitClosed();
         run.Advance(path, IDCANCEL, kWelcomeCaption).Click(IDCANCEL);
         return run.WaitForExit();
       }},
      {"quiet install",
       [&] {
         return StartFrom(current, planted, setup, L"/setup /quiet \"/dir=" + target + L"\"")
             .WaitForExit();
       }},
      {"quiet update",
       [&] { return StartFrom(current, planted, update, L"/setup /quiet").WaitForExit(); }},
      {"quiet uninstall",
       [&] { return StartFrom(current, planted, UninstallerCopyPath(), L"/quiet").WaitForExit(); }},
  };
  for (const PlantedWalk& walk : walks) {
    SCOPED_TRACE(walk.name);
    DWORD code = ~0u;
    try {
      code = walk.walk();
    } catch (const DriverError& error) {
      ADD_FAILURE() << error.what();
    }
    EXPECT_EQ(planted.Loaded(), std::vector<std::wstring>{});
    EXPECT_EQ(code, 0u) << kPlantedDllExitCode << " is the exit code of a planted DLL";
    planted.ClearLog();
  }
}

// ---------------------------------------------------------------------------
// The distribution held: from the welcome page on (the program's version has
// been read there) kalquint.exe in the distribution folder cannot be replaced,
// and the installed file is the one that was there at the start.

enum class Replacement { kDelete, kRename, kOverwrite };

struct HeldCase {
  const char* name;
  Replacement replacement;
  friend std::ostream& operator<<(std::ostream& out, const HeldCase& given) {
    return out << given.name;
  }
};

// Whether the system let `file` be replaced as `how` says, by `other`'s bytes.
bool Replaced(Replacement how, const std::wstring& file, const std::wstring& other) {
  switch (how) {
    case Replacement::kDelete:
      return DeleteFileW(file.c_str()) != FALSE;
    case Replacement::kRename:
      return MoveFileW(file.c_str(), (file + L".old").c_str()) != FALSE;
    case Replacement::kOverwrite:
      return CopyFileW(other.c_str(), file.c_str(), FALSE) != FALSE;
  }
  return false;
}

class HeldDistributionTest : public InstallTest, public ::testing::WithParamInterface<HeldCase> {};

TEST_P(HeldDistributionTest, ProgramCannotBeReplacedAndIsInstalledAsItWas) {
  const std::wstring program = DistributionFile(L"kalquint.exe");
  const std::wstring original = StandinPath(L"v3105");
  const std::wstring target = TargetFolder();
  const Page welcome = StartInstall();
  EXPECT_FALSE(Replaced(GetParam().replacement, program, StandinPath(L"v3200")));
  EXPECT_TRUE(SameFiles(program, original));
  Finish(ChooseOptions(InstallInto(ToPathPage(welcome), target), kNoOptions), false, false);
  EXPECT_TRUE(SameFiles(JoinPath(target, L"kalquint.exe"), original));
}

INSTANTIATE_TEST_SUITE_P(Replacements, HeldDistributionTest,
                         ::testing::Values(HeldCase{"Delete", Replacement::kDelete},
                                           HeldCase{"Rename", Replacement::kRename},
                                           HeldCase{"Overwrite", Replacement::kOverwrite}),
                         CaseName());

}  // namespace
