#include "tests/demo/wizard_walk.h"

#include <chrono>

#include "res/resource_ids.h"
#include "tests/driver/setup_names.h"

namespace {

using Clock = std::chrono::steady_clock;

bool ShowsCaption(const SetupRun& run, const std::wstring& caption) {
  for (HWND window : run.TopLevelWindows()) {
    if (WindowCaption(window) == caption) return true;
  }
  return false;
}

// One run of the setup, worked page by page, timing each page from the action
// that led to it.
class Walk {
 public:
  Walk(const std::wstring& program, const std::wstring& arguments, const WalkOptions& options)
      : options_(options),
        since_(Clock::now()),
        run_(program, arguments, std::wstring(), options.environment) {}

  Page First(const char* name, const wchar_t* caption) { return Await(nullptr, name, caption); }

  MessageBoxWindow FirstMessageBox() {
    const MessageBoxWindow box = run_.WaitForMessageBox();
    Report("message-box", box, Elapsed());
    return box;
  }

  // Presses `button` on `page` and waits for the page that follows it.
  Page Next(const Page& page, int button, const char* name, const wchar_t* caption) {
    Press(page, button);
    return Await(&page, name, caption);
  }

  // Presses `button` on the last window and waits for the setup to end.
  void Finish(const Page& page, int button = IDOK) {
    Press(page, button);
    const DWORD code = run_.WaitForExit();
    if (code != 0) throw DriverError("the setup ended with exit code " + std::to_string(code));
  }

 private:
  double Elapsed() const { return std::chrono::duration<double>(Clock::now() - since_).count(); }

  void Press(const Page& page, int button) {
    options_.ready(ShownPage{run_, shownName_, page, shownSeconds_});
    page.Click(button);
    since_ = Clock::now();
    options_.pressed(run_, shownName_);
  }

  void Report(const char* name, const Page& page, double seconds) {
    shownName_ = name;
    shownSeconds_ = seconds;
    options_.seen(ShownPage{run_, name, page, seconds});
  }

  // Polls every millisecond, finer than the driver's waits, so that page times
  // are not rounded to their steps. Some pages share the caption of the page
  // before them: the page awaited is the one shown once `previous` has gone.
  Page Await(const Page* previous, const char* name, const wchar_t* caption) {
    const auto deadline = Clock::now() + kPageTimeout;
    while (!((previous == nullptr || !previous->IsOpen()) && ShowsCaption(run_, caption)) &&
           run_.IsRunning() && Clock::now() < deadline) {
      Sleep(1);
    }
    const double seconds = Elapsed();
    const Page page = run_.WaitForPage(caption);
    Report(name, page, seconds);
    return page;
  }

  const WalkOptions& options_;
  Clock::time_point since_;
  SetupRun run_;
  const char* shownName_ = "";
  double shownSeconds_ = 0;
};

}  // namespace

void WalkPathNotFound(const std::wstring& setupExe, const WalkOptions& options) {
  Walk walk(setupExe, L"", options);
  walk.Finish(walk.FirstMessageBox());
}

void WalkInstall(const std::wstring& setupExe, const WalkOptions& options) {
  Walk walk(setupExe, L"/setup", options);
  Page page = walk.First("welcome", kWelcomeCaption);
  page = walk.Next(page, IDOK, "path", kPathCaption);
  if (!options.installFolder.empty()) page.SetText(IDC_PATH_EDIT, options.installFolder);
  page = walk.Next(page, IDOK, "options", kOptionsCaption);
  for (int box : {IDC_OPT_DESKTOP, IDC_OPT_ASSOCIATE, IDC_OPT_STARTUP, IDC_OPT_GROUP}) {
    page.SetChecked(box, options.tickOptions);
  }
  walk.Finish(walk.Next(page, IDOK, "install-done", kInstallDoneCaption));
}

void WalkToPathAndBack(const std::wstring& setupExe, const WalkOptions& options) {
  Walk walk(setupExe, L"/setup", options);
  const Page path = walk.Next(walk.First("welcome", kWelcomeCaption), IDOK, "path", kPathCaption);
  walk.Finish(walk.Next(path, IDCANCEL, "welcome", kWelcomeCaption), IDCANCEL);
}

void WalkUpdate(const std::wstring& setupExe, const WalkOptions& options) {
  Walk walk(setupExe, L"/setup", options);
  Page page = walk.First("welcome", kWelcomeCaption);
  page = walk.Next(page, IDOK, "update", kUpdateCaption);
  page.SetChecked(IDC_BACKUP_DATES, true);
  page.SetChecked(IDC_BACKUP_RUNS, true);
  walk.Finish(walk.Next(page, IDOK, "update-done", kUpdateCaption));
}

void WalkUninstall(const std::wstring& uninstallerExe, const WalkOptions& options) {
  Walk walk(uninstallerExe, L"", options);
  Page page = walk.First("uninstall", kUninstallCaption);
  page.SetChecked(IDC_DELETE_ALL, true);
  walk.Finish(walk.Next(page, IDOK, "uninstall-done", kUninstallCaption));
}
