// The headless demo: the whole cycle of the setup on the stand-in distribution,
// clicked through as a user would. It saves a picture of every page, and of the
// start-up message box, under <build>\demo, and prints what each wizard changed.
// Last, the welcome and path pages once more on a display of 192 DPI (200 %).
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <set>
#include <string>

#include "tests/demo/machine_snapshot.h"
#include "tests/demo/wizard_walk.h"
#include "tests/driver/registry_values.h"

namespace {

void Print(const std::string& line) { std::fputs((line + "\n").c_str(), stdout); }

// Makes `window` the foreground window and has its title bar drawn so. Under
// Wine a process's first window, activated before its process was foreground,
// keeps an inactive title bar when it becomes the foreground window.
void ShowActive(HWND window) {
  SetForegroundWindow(window);
  SendWithin(window, WM_NCACTIVATE, TRUE, 0);
}

// Puts the pointer below `window`'s bottom-right corner, so that no control is
// drawn as the one under the pointer.
void MovePointerOff(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  SetCursorPos(rect.right + 20, rect.bottom + 20);
}

class Demo {
 public:
  Demo() : installFolder_(ProposedInstallFolder()), pictures_(BuildDir() + L"\\demo") {
    CreateDirectoryW(pictures_.c_str(), nullptr);
    options_.environment = {{L"KALQUINT_LOG", startLog_}};
    options_.ready = [this](const ShownPage& shown) { ShowPage(shown); };
  }

  void Run() {
    const std::wstring setup = JoinPath(DistributionDir(), L"install.exe");
    const std::wstring newer = MakeDistribution(temp_.MakeFolder(L"distribution-v3200"), L"v3200");
    // Uninstall mode may have its own file deleted at the next restart: a copy's, not the build's.
    const std::wstring setupCopy = temp_.File(L"install.exe");
    CopyFileOrThrow(setup, setupCopy);
    Step("Removing what an earlier demo, or a wizard tried by hand, left installed",
         [&] { ClearSetupLeftovers(installFolder_); });
    Step("Uninstall-mode start with nothing installed",
         [&] { WalkPathNotFound(setupCopy, options_); });
    Step("Install into the proposed folder, all four options ticked, finish boxes left unticked",
         [&] { WalkInstall(setup, options_); });
    Step("Update from a copy of the distribution with stand-in 3.2.0.0, both backups ticked",
         [&] { WalkUpdate(newer, options_); });
    Step("Uninstall through the Windows folder's kquninst.exe, \"delete all files\" ticked",
         [&] { WalkUninstall(UninstallerCopyPath(), options_); });
    Step("The welcome and path pages at 192 DPI (200 %), then Back and Exit", [&] {
      const DisplayDpi display(192);
      pictureSuffix_ = "-192dpi";
      WalkToPathAndBack(setup, options_);
      pictureSuffix_.clear();
    });
  }

 private:
  // Runs one step (mostly a wizard) and prints the pages it showed and what it changed.
  template <typename Walk>
  void Step(const std::string& title, Walk walk) {
    Print("\n== " + title);
    const MachineSnapshot before = TakeSnapshot(installFolder_);
    walk();
    const std::vector<std::string> changes = Differences(before, TakeSnapshot(installFolder_));
    Print(changes.empty() ? "  changed: nothing" : "  changed:");
    for (const std::string& line : changes) Print("    " + line);
    PrintNewStarts();
  }

  void ShowPage(const ShownPage& shown) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f s", shown.seconds);
    std::string line = "  page '" + Utf8(shown.page.Caption()) + "' after " + seconds;
    // The update starts on the install's welcome page; the install's picture is kept.
    const std::string pictured = shown.name + pictureSuffix_;
    if (pictured_.insert(pictured).second) {
      ShowActive(shown.page.Window());
      MovePointerOff(shown.page.Window());
      Sleep(300);  // let the page paint its boxes as set and its controls without the pointer
      const std::wstring name = Widen(pictured);
      shown.page.Capture(JoinPath(pictures_, name + L".bmp"));
      line += " -> " + Utf8(name) + ".png";  // tools/demo.sh turns each picture into a PNG
    }
    Print(line);
  }

  // The stand-in's starts since the last step: the setup runs it with its switches.
  void PrintNewStarts() {
    const std::vector<StartRecord> starts = ReadStartLog(startLog_);
    for (size_t at = startsPrinted_; at < starts.size(); ++at) {
      Print("  started: " + Utf8(starts[at].program) + " " + Utf8(starts[at].arguments));
    }
    startsPrinted_ = starts.size();
  }

  const std::wstring installFolder_;
  const std::wstring pictures_;
  TempFolder temp_;
  const std::wstring startLog_ = temp_.File(L"kalquint-starts.log");
  WalkOptions options_;
  size_t startsPrinted_ = 0;
  std::set<std::string> pictured_;
  std::string pictureSuffix_;  // after the page's name in its picture's
};

}  // namespace

int main() {
  // UTF-8 bytes as they are, unbuffered, with plain line ends.
  _setmode(_fileno(stdout), _O_BINARY);
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  try {
    Demo demo;
    demo.Run();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "demo: %s\n", error.what());
    return 1;
  }
  return 0;
}
