#include "ui/wizard_page.h"

INT_PTR WizardPage::Show(HWND owner) {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), owner,
                         DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK WizardPage::DialogProc(HWND dialog, UINT message, WPARAM wParam,
                                        LPARAM lParam) {
  // The page binds itself when its dialog initialises; the few messages before
  // that (WM_SETFONT) get the default handling.
  if (message == WM_INITDIALOG) {
    auto* page = reinterpret_cast<WizardPage*>(lParam);
    page->window_ = dialog;
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
  }
  auto* page = reinterpret_cast<WizardPage*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (page == nullptr) return FALSE;
  if (message == WM_NCDESTROY) {
    page->window_ = nullptr;
    SetWindowLongPtrA(dialog, DWLP_USER, 0);
    return FALSE;
  }
  return page->Dispatch(message, wParam);
}

namespace {

// QS_ALLINPUT as the systems before XP define it: they refuse its raw-input bit.
constexpr DWORD kAnyMessage =
    QS_KEY | QS_MOUSE | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_HOTKEY | QS_SENDMESSAGE;

HCURSOR ShowWaitCursor() { return SetCursor(LoadCursorA(nullptr, IDC_WAIT)); }

void DispatchWaitingMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

}  // namespace

INT_PTR WizardPage::Dispatch(UINT message, WPARAM wParam) {
  KeepPictureAtPageScale(window_, message);
  if (message == WM_INITDIALOG) return OnInitPage();
  if (working_ && message == WM_SETCURSOR) {
    ShowWaitCursor();
    // Handled: the control under the pointer keeps its own cursor to itself.
    SetWindowLongPtrA(window_, DWLP_MSGRESULT, TRUE);
    return TRUE;
  }
  // A command that comes while the work runs is dropped, not kept for later.
  if (message != WM_COMMAND || working_) return FALSE;
  // Only the command id counts: a click, Enter or Esc all arrive as ids 1 and 2.
  const int id = LOWORD(wParam);
  if (id == IDOK) {
    OnOk();
  } else if (id == IDCANCEL) {
    OnCancel();
  } else if (!OnCommand(id)) {
    return FALSE;
  }
  SetWindowLongPtrA(window_, DWLP_MSGRESULT, 0);
  return TRUE;
}

void WizardPage::RunOnWorker(LPTHREAD_START_ROUTINE run, LPVOID work) {
  DWORD threadId = 0;  // Windows 95 fails the call without a place for it
  const ScopedHandle worker(CreateThread(nullptr, 0, run, work, 0, &threadId));
  if (!worker.IsValid()) {
    run(work);  // no thread to be had: the work runs here, the page waiting
    return;
  }
  SetWorking(true);
  const HCURSOR previous = ShowWaitCursor();
  const HANDLE handle = worker.Get();
  // The queue is emptied before each wait, which wakes only for new messages,
  // and once more after it: nothing that came during the work is left over.
  for (bool ended = false;;) {
    DispatchWaitingMessages();
    if (ended) break;
    ended = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, kAnyMessage) == WAIT_OBJECT_0;
  }
  SetCursor(previous);
  SetWorking(false);
}

void WizardPage::SetWorking(bool working) {
  working_ = working;
  for (const int button : {IDOK, IDCANCEL}) EnableWindow(GetDlgItem(window_, button), !working);
}

void WizardPage::EndPage(int result) { EndDialog(window_, result); }

namespace {

// Each outcome's own message: a new outcome must be given one here, or the
// build fails (-Wswitch), rather than fall into another's text.
StringId MessageOf(StepOutcome outcome) {
  switch (outcome) {
    case StepOutcome::kNoFolder:
    case StepOutcome::kNotInstalled:
      return IDS_INSTALL_FAILED;
    case StepOutcome::kProgramRunning:
      return IDS_PROGRAM_STILL_RUNNING;
    case StepOutcome::kNotCompleted:
      return IDS_OPTIONS_NOT_APPLIED;
    case StepOutcome::kNotReplaced:
      return IDS_PROGRAM_NOT_REPLACED;
    case StepOutcome::kNotRemoved:
      return IDS_PROGRAM_NOT_REMOVED;
    case StepOutcome::kFolderNotTrusted:
      return IDS_FOLDER_NOT_TRUSTED;
    case StepOutcome::kDone:
      break;
  }
  return 0;
}

}  // namespace

void WizardPage::EndPageUnlessFailed(StepOutcome outcome, const std::string& folder) {
  if (outcome == StepOutcome::kDone) {
    EndPage(IDOK);
    return;
  }
  const std::string message = FormatText(LoadText(MessageOf(outcome)).c_str(), folder.c_str());
  char caption[256] = "";
  GetWindowTextA(window_, caption, sizeof(caption));
  MessageBoxA(window_, message.c_str(), caption, MB_OK | MB_ICONEXCLAMATION);
}

bool WizardPage::IsChecked(int controlId) const {
  return IsDlgButtonChecked(window_, controlId) == BST_CHECKED;
}

std::string WizardPage::ItemText(int controlId) const {
  const HWND item = GetDlgItem(window_, controlId);
  std::string text(GetWindowTextLengthA(item) + 1, '\0');
  text.resize(GetWindowTextA(item, &text[0], static_cast<int>(text.size())));
  return text;
}

void WizardPage::SetItemText(int controlId, const std::string& text) const {
  SetDlgItemTextA(window_, controlId, text.c_str());
}

void WizardPage::ShowVersionText(int controlId, StringId format) const {
  SetItemText(controlId, FormatVersion(LoadText(format).c_str(), context_.ProgramVersion));
}
