// The path page of a fresh install: what its field makes of the typed folder,
// and its browse button with the shell's folder browser.
#include <commctrl.h>
#include <shlobj.h>

#include <ostream>
#include <string>
#include <vector>

#include "res/resource_ids.h"
#include "setup/scoped.h"
#include "tests/driver/case_name.h"
#include "tests/driver/folder_browser.h"
#include "tests/e2e/install_support.h"

namespace {

// ---------------------------------------------------------------------------
// The typed folder is taken as it stands, with or without its last backslash.

struct TypedFolderCase {
  const char* name;
  const wchar_t* ending;  // typed after the folder
  friend std::ostream& operator<<(std::ostream& out, const TypedFolderCase& given) {
    return out << given.name;
  }
};

class TypedFolderTest : public InstallTest,
                        public ::testing::WithParamInterface<TypedFolderCase> {};

TEST_P(TypedFolderTest, InstallsIntoTheFolderAndRecordsItWithOneBackslash) {
  const std::wstring target = TargetFolder();
  const std::wstring installDir = target + L"\\";
  Page page = InstallInto(ToPathPage(StartInstall()), target + GetParam().ending);
  EXPECT_TRUE(HoldsInstalledFiles(installDir));
  page = ChooseOptions(page, kNoOptions);
  EXPECT_TRUE(KeyHolds(HKEY_CURRENT_USER, kSettingsKey, RecordedInstallation(installDir)));
  Finish(page, false, false);
}

INSTANTIATE_TEST_SUITE_P(Endings, TypedFolderTest,
                         ::testing::Values(TypedFolderCase{"WithoutBackslash", L""},
                                           TypedFolderCase{"WithBackslash", L"\\"}),
                         CaseName());

TEST_F(InstallTest, UnreadableProgramFilesFolderLeavesTheSuffixAlone) {
  const SetAsideRegValue programFiles(HKEY_LOCAL_MACHINE, kCurrentVersionKey, L"ProgramFilesDir");
  ASSERT_TRUE(programFiles.Original().has_value());
  const Page path = ToPathPage(StartInstall());
  EXPECT_TRUE(ShowsText(path, IDC_PATH_EDIT, L"\\KALENDRO"));
  run_->Advance(path, IDCANCEL, kWelcomeCaption).Click(IDCANCEL);
  EXPECT_EQ(run_->WaitForExit(), 0u);
}

// ---------------------------------------------------------------------------
// The browse button and the shell's folder browser.

// Memory allocated in another process, released when the owner goes.
class RemoteMemory {
 public:
  RemoteMemory(DWORD processId, SIZE_T size)
      : process_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, processId)) {
    if (process_.IsValid()) {
      address_ = VirtualAllocEx(process_.Get(), nullptr, size, MEM_COMMIT | MEM_RESERVE,
                                PAGE_READWRITE);
    }
    if (address_ == nullptr) {
      throw DriverError("could not allocate memory in process " + std::to_string(processId));
    }
  }
  ~RemoteMemory() { VirtualFreeEx(process_.Get(), address_, 0, MEM_RELEASE); }
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;

  HANDLE Process() const { return process_.Get(); }
  void* Address() const { return address_; }

 private:
  ScopedHandle process_;
  void* address_ = nullptr;
};

// A copy of `text` in the memory of another process, for a message whose
// parameter points at a text there.
class RemoteText {
 public:
  RemoteText(DWORD processId, const std::wstring& text)
      : memory_(processId, (text.size() + 1) * sizeof(wchar_t)) {
    if (!WriteProcessMemory(memory_.Process(), memory_.Address(), text.c_str(),
                            (text.size() + 1) * sizeof(wchar_t), nullptr)) {
      throw DriverError("could not write a text into process " + std::to_string(processId));
    }
  }

  LPARAM Address() const { return reinterpret_cast<LPARAM>(memory_.Address()); }

 private:
  RemoteMemory memory_;
};

RECT RectInPage(const Page& page, HWND control) {
  RECT rect = {};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, page.Window(), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

class BrowseTest : public InstallTest {
 protected:
  Page OpenBrowser(const Page& path) const { return OpenFolderBrowser(*run_, path); }

  // Selects `folder` in the browser and presses its OK button. Wine's browser
  // may miss a folder deep in its tree at the first attempt, which expands the
  // way there, so the selection is repeated until an item below the desktop is
  // selected.
  void Choose(const Page& browser, const std::wstring& folder) const {
    const HWND tree = FindWindowExW(browser.Window(), nullptr, WC_TREEVIEWW, nullptr);
    if (tree == nullptr) throw DriverError("the folder browser has no tree");
    const RemoteText path(run_->ProcessId(), folder);
    const LRESULT desktop = SendWithin(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    const bool selected = WaitUntil(
        [&] {
          SendWithin(browser.Window(), BFFM_SETSELECTIONW, TRUE, path.Address());
          const LRESULT item = SendWithin(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
          return item != 0 && item != desktop;
        },
        kControlTimeout);
    if (!selected) throw DriverError("the folder browser did not select " + Utf8(folder));
    browser.Click(IDOK);
  }

  void LeavePathPage(const Page& path) const {
    run_->Advance(path, IDCANCEL, kWelcomeCaption).Click(IDCANCEL);
    EXPECT_EQ(run_->WaitForExit(), 0u);
  }
};

TEST_F(BrowseTest, ButtonIsAToolbarOfOneButtonOverItsPlaceholder) {
  const Page path = ToPathPage(StartInstall());
  const HWND toolbar = BrowseToolbar(path);
  const RECT place = path.ControlRect(IDC_BROWSE_PLACE);
  const RECT button = RectInPage(path, toolbar);
  EXPECT_TRUE(EqualRect(&place, &button))
      << "toolbar (" << button.left << "," << button.top << ")-(" << button.right << ","
      << button.bottom << "), placeholder (" << place.left << "," << place.top << ")-("
      << place.right << "," << place.bottom << ")";
  EXPECT_TRUE(IsWindowVisible(toolbar));
  EXPECT_TRUE(IsWindowVisible(path.Control(IDC_BROWSE_PLACE)));
  EXPECT_EQ(SendWithin(toolbar, TB_BUTTONCOUNT, 0, 0), 1);
  EXPECT_EQ(SendWithin(toolbar, TB_COMMANDTOINDEX, IDC_BROWSE_BUTTON, 0), 0);
  LeavePathPage(path);
}

enum class Choice { kCancel, kDriveRoot, kFolder };

struct BrowseCase {
  const char* name;
  Choice choice;
  friend std::ostream& operator<<(std::ostream& out, const BrowseCase& given) {
    return out << given.name;
  }
};

class BrowseChoiceTest : public BrowseTest, public ::testing::WithParamInterface<BrowseCase> {};

// A chosen folder gets "KALENDRO" after one backslash; cancelling keeps the typed
// text. The browser is modal to the page.
TEST_P(BrowseChoiceTest, FillsTheFieldFromTheChosenFolder) {
  const std::wstring typed = folder_.File(L"typed");
  const std::wstring root = DriveRoot(folder_.Path());
  const Page path = ToPathPage(StartInstall());
  path.SetText(IDC_PATH_EDIT, typed);
  const Page browser = OpenBrowser(path);
  // The page beneath takes no Next, Back or Esc while the browser is open.
  EXPECT_EQ(GetWindow(browser.Window(), GW_OWNER), path.Window());
  EXPECT_FALSE(IsWindowEnabled(path.Window()));
  std::wstring expected = typed;
  switch (GetParam().choice) {
    case Choice::kCancel:
      browser.Click(IDCANCEL);
      break;
    case Choice::kDriveRoot:
      Choose(browser, root);
      expected = root + L"KALENDRO";
      break;
    case Choice::kFolder:
      Choose(browser, folder_.Path());
      expected = folder_.Path() + L"\\KALENDRO";
      break;
  }
  browser.WaitClosed();
  EXPECT_TRUE(IsWindowEnabled(path.Window()));
  WaitUntil([&] { return path.Text(IDC_PATH_EDIT) == expected; }, kControlTimeout);
  EXPECT_TRUE(ShowsText(path, IDC_PATH_EDIT, expected));
  LeavePathPage(path);
}

INSTANTIATE_TEST_SUITE_P(Choices, BrowseChoiceTest,
                         ::testing::Values(BrowseCase{"Cancel", Choice::kCancel},
                                           BrowseCase{"DriveRoot", Choice::kDriveRoot},
                                           BrowseCase{"Folder", Choice::kFolder}),
                         CaseName());

// ---------------------------------------------------------------------------
// The pages at 96, 144 and 192 DPI: the page grows with its font, its picture
// and the browse icon with it, and every text still fits its control.

// The browse icon's width against the page's.
double BrowseIconShare(const Page& path) {
  const Pixels shown = CaptureInPage(path, RectInPage(path, BrowseToolbar(path)));
  const RECT icon = InkExtent(shown, GetSysColor(COLOR_BTNFACE));
  RECT client = {};
  GetClientRect(path.Window(), &client);
  return static_cast<double>(icon.right - icon.left) / client.right;
}

class PageScaleTest : public InstallTest, public ::testing::WithParamInterface<int> {};

TEST_P(PageScaleTest, EveryInstallPageIsDrawnAtTheDisplaysScale) {
  PageLook at96;
  double browseAt96 = 0;
  {
    const DisplayDpi display(96);
    const Page path = ToPathPage(StartInstall());
    at96 = LookOf(path);
    browseAt96 = BrowseIconShare(path);
    EXPECT_EQ(TextsCutOff(path, 96), std::vector<std::string>{});
    run_->Advance(path, IDCANCEL, kWelcomeCaption).Click(IDCANCEL);
    EXPECT_EQ(run_->WaitForExit(), 0u);
  }
  const int dpi = GetParam();
  const DisplayDpi display(dpi);
  Page page = StartInstall();
  EXPECT_TRUE(DrawnAtScale(page, at96, dpi));
  page = ToPathPage(page);
  EXPECT_TRUE(DrawnAtScale(page, at96, dpi));
  EXPECT_GE(BrowseIconShare(page), browseAt96 * 0.97) << "browse icon at " << dpi << " DPI";
  const RECT place = page.ControlRect(IDC_BROWSE_PLACE);
  const RECT button = RectInPage(page, BrowseToolbar(page));
  EXPECT_TRUE(EqualRect(&place, &button)) << "the browse button left its place";
  page = InstallInto(page, TargetFolder());
  EXPECT_TRUE(DrawnAtScale(page, at96, dpi));
  page = ChooseOptions(page, kNoOptions);
  EXPECT_TRUE(DrawnAtScale(page, at96, dpi));
  Finish(page, false, false);
}

INSTANTIATE_TEST_SUITE_P(Dpi, PageScaleTest, ::testing::Values(144, 192));

}  // namespace
