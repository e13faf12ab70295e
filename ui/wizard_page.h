// The base of every wizard page: one modal dialog from a template, bound to the
// run's SetupContext. Pages differ only in their template and their handlers.
#pragma once

#include <windows.h>

#include <string>

#include "setup/setup_context.h"
#include "setup/steps.h"
#include "ui/page_scale.h"

class WizardPage {
 public:
  WizardPage(SetupContext& context, int templateId) : context_(context), templateId_(templateId) {}
  virtual ~WizardPage() = default;
  WizardPage(const WizardPage&) = delete;
  WizardPage& operator=(const WizardPage&) = delete;

  // Shows the page modally, owned by `owner`; returns the id it ended with, or
  // -1/0 when the dialog could not be made.
  INT_PTR Show(HWND owner);

 protected:
  // Runs before the page is first shown; true lets the dialog set the focus.
  virtual BOOL OnInitPage() { return TRUE; }
  // Runs on command id 1 (the first button or Enter); ends the page with 1, or
  // stays after saying why its work could not be done.
  virtual void OnOk() { EndPage(IDOK); }
  // Runs on command id 2 (the second button or Esc).
  virtual void OnCancel() { EndPage(IDCANCEL); }
  // Any further command id of the page's own; true when handled.
  virtual bool OnCommand(int /*id*/) { return false; }

  // Runs `work`, the page's step, on a thread of its own and returns once it has
  // ended. Meanwhile the page keeps painting and answering, with its buttons
  // disabled and the wait cursor, and takes no command: a second click, Esc or
  // Alt+F4 does nothing. The work must not touch the page's windows.
  template <typename Work>
  void RunWork(Work work) {
    RunOnWorker(&CallWork<Work>, &work);
  }

  // Runs `step`, which gives a StepOutcome, as RunWork does; ends the page with 1
  // when the step is done, otherwise says why in a box of the page's own and
  // stays, so the user can try again. `folder` is the one named.
  template <typename Step>
  void RunStep(const Step& step, const std::string& folder) {
    StepOutcome outcome = StepOutcome::kDone;
    RunWork([&] { outcome = step(); });
    EndPageUnlessFailed(outcome, folder);
  }

  void EndPage(int result);

  SetupContext& Context() const { return context_; }
  HWND Window() const { return window_; }
  bool IsChecked(int controlId) const;
  std::string ItemText(int controlId) const;
  void SetItemText(int controlId, const std::string& text) const;
  // Fills `controlId` with `format` and the four parts of the program version.
  void ShowVersionText(int controlId, StringId format) const;

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam);
  template <typename Work>
  static DWORD WINAPI CallWork(LPVOID work) {
    (*static_cast<Work*>(work))();
    return 0;
  }
  void RunOnWorker(LPTHREAD_START_ROUTINE run, LPVOID work);
  void EndPageUnlessFailed(StepOutcome outcome, const std::string& folder);
  void SetWorking(bool working);

  SetupContext& context_;
  const int templateId_;
  HWND window_ = nullptr;
  bool working_ = false;
};
