#include "ui/path_page.h"

#include <commctrl.h>

#include "setup/steps.h"

namespace {

constexpr DWORD kToolbarStyle = WS_CHILD | WS_VISIBLE | TBSTYLE_TRANSPARENT | TBSTYLE_FLAT |
                                CCS_NODIVIDER | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NOMOVEY;

// The rectangle of `control` in its dialog's client coordinates.
RECT ClientRectOf(HWND dialog, HWND control) {
  RECT rect = {};
  GetWindowRect(control, &rect);
  POINT corners[2] = {{rect.left, rect.top}, {rect.right, rect.bottom}};
  if (ScreenToClient(dialog, &corners[0])) ScreenToClient(dialog, &corners[1]);
  return {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

}  // namespace

BOOL PathPage::OnInitPage() {
  SetItemText(IDC_PATH_EDIT, ProposedInstallFolder(Context()));
  CreateBrowseButton();
  return TRUE;
}

void PathPage::CreateBrowseButton() {
  const HINSTANCE module = GetModuleHandleA(nullptr);
  // The 16-pixel icon at the page's scale; shared, so the system keeps it.
  const int size = AtPageScale(Window(), 16);
  browseImages_.Reset(ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, 0, 2));
  ImageList_ReplaceIcon(browseImages_.Get(), -1,
                        static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(IDI_BROWSE),
                                                      IMAGE_ICON, size, size, LR_SHARED)));
  // The button sits exactly over its placeholder, which stays beneath it.
  const RECT place = ClientRectOf(Window(), GetDlgItem(Window(), IDC_BROWSE_PLACE));
  browseToolbar_ = CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr, kToolbarStyle, place.left,
                                   place.top, place.right - place.left, place.bottom - place.top,
                                   Window(), nullptr, module, nullptr);
  SendMessageA(browseToolbar_, TB_SETIMAGELIST, 0,
               reinterpret_cast<LPARAM>(browseImages_.Get()));
  SendMessageA(browseToolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  TBBUTTON button = {};
  button.iBitmap = 0;
  button.idCommand = IDC_BROWSE_BUTTON;
  button.fsState = TBSTATE_ENABLED | TBSTATE_WRAP;
  button.fsStyle = TBSTYLE_BUTTON;
  SendMessageA(browseToolbar_, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
}

bool PathPage::OnCommand(int id) {
  if (id != IDC_BROWSE_BUTTON) return false;
  Browse();
  return true;
}

void PathPage::Browse() {
  std::string folder;
  if (!Context().BrowseForFolder(Window(), folder)) return;
  // A drive root comes with its backslash, any other folder without one.
  SetItemText(IDC_PATH_EDIT, WithTrailingBackslash(folder) + kInstallFolderName);
}

void PathPage::OnOk() {
  const std::string typed = ItemText(IDC_PATH_EDIT);
  RunStep(
      [&] {
        InstallFolder folder = InstallFolder::Typed(Context(), typed);
        return InstallProgramFiles(Context(), folder);
      },
      typed);
}
