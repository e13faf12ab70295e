// The page's pictures at the scale of its font: bitmap 102 and the browse icon
// are drawn for the 13-pixel line of the page's font at 96 DPI, and grow with it.
#pragma once

#include <windows.h>

#include "setup/scoped.h"

// Bitmaps and the other objects DeleteObject releases.
struct GdiObjectTraits {
  using Handle = HGDIOBJ;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle object) { DeleteObject(object); }
};
using ScopedGdiObject = ScopedObject<GdiObjectTraits>;

// `pixels` of a picture drawn for 96 DPI, at the scale of `dialog`'s font.
int AtPageScale(HWND dialog, int pixels);

// Shows `dialog`'s picture at the page's scale, bitmap 102 stretched with
// halftoning; `shown` owns the stretched copy the control shows. At 96 DPI the
// template's own picture stays.
void ShowAtPageScale(HWND dialog, ScopedGdiObject& shown);
