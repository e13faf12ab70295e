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

INT_PTR WizardPage::Dispatch(UINT message, WPARAM wParam) {
  if (message == WM_INITDIALOG) return OnInitPage();
  if (message != WM_COMMAND) return FALSE;
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
