#include "ui/page_scale.h"

#include "res/resource_ids.h"
#include "setup/scoped.h"

namespace {

// Bitmap 102's size, and the dialog's vertical unit (its font's line) at 96 DPI.
constexpr SIZE kPictureSize = {126, 60};
constexpr int kLineAt96Dpi = 13;
// The picture is the templates' first control of id -1, the id they store as 0xFFFF.
constexpr int kPictureId = 0xFFFF;
// Sent from Windows 8.1 on when the page moves to a display of another DPI; the
// dialog scales its font and controls once its procedure has returned, and the
// picture follows on the page's own message after that.
constexpr UINT kDpiChanged = 0x02E0;
constexpr UINT kScalePicture = WM_APP;

// Bitmap 102 at `width` x `height`, its pixels repeated (its own size for 0 x 0).
HGDIOBJ LoadPicture(int width, int height) {
  return LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_PAGE_PICTURE), IMAGE_BITMAP,
                    width, height, 0);
}

// Shows `picture` in `dialog`'s picture control (none when null). The control
// hands back the one it showed, which is ours to delete.
void ShowPicture(HWND dialog, HGDIOBJ picture) {
  const ScopedGdiObject replaced(reinterpret_cast<HGDIOBJ>(
      SendMessageA(GetDlgItem(dialog, kPictureId), STM_SETIMAGE, IMAGE_BITMAP,
                   reinterpret_cast<LPARAM>(picture))));
}

// Shows bitmap 102 at the page's scale, stretched with halftoning; at 96 DPI
// the template's own picture stays, unless `always`.
void ShowAtPageScale(HWND dialog, bool always) {
  if (!always && AtPageScale(dialog, kLineAt96Dpi) == kLineAt96Dpi) return;
  const int width = AtPageScale(dialog, kPictureSize.cx);
  const int height = AtPageScale(dialog, kPictureSize.cy);
  const HGDIOBJ stretched = LoadPicture(width, height);
  {
    const ScopedGdiObject original(LoadPicture(0, 0));
    const ScopedMemoryDc from(CreateCompatibleDC(nullptr));
    const ScopedMemoryDc to(CreateCompatibleDC(nullptr));
    SelectObject(from.Get(), original.Get());
    SelectObject(to.Get(), stretched);
    // Halftoning averages the pixels each target pixel covers, on the NT family
    // (the older one repeats them). The brush origin it wants is the new DC's own.
    SetStretchBltMode(to.Get(), HALFTONE);
    StretchBlt(to.Get(), 0, 0, width, height, from.Get(), 0, 0, kPictureSize.cx, kPictureSize.cy,
               SRCCOPY);
  }
  ShowPicture(dialog, stretched);
}

}  // namespace

int AtPageScale(HWND dialog, int pixels) {
  RECT line = {0, 0, 0, 8};
  MapDialogRect(dialog, &line);
  return (pixels * line.bottom + kLineAt96Dpi / 2) / kLineAt96Dpi;
}

void KeepPictureAtPageScale(HWND dialog, UINT message) {
  if (message == WM_INITDIALOG) ShowAtPageScale(dialog, false);
  if (message == kDpiChanged) PostMessageA(dialog, kScalePicture, 0, 0);
  if (message == kScalePicture) ShowAtPageScale(dialog, true);
  if (message == WM_DESTROY) ShowPicture(dialog, nullptr);
}
