// Pixels of the screen, as a 24-bit picture that can be compared or saved.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "setup/scoped.h"

struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<BYTE> rows;  // blue, green, red; bottom row first; rows padded to 4 bytes

  COLORREF At(int x, int y) const;
};

Pixels CaptureScreen(const RECT& area);
// The smallest rectangle holding every pixel that differs from `background`
// (empty when none does).
RECT InkExtent(const Pixels& pixels, COLORREF background);
// How many colours the pixels inside `area` show.
size_t ColourCount(const Pixels& pixels, const RECT& area);
// `icon` drawn at `width` x `height` over `background`, as a static control draws it.
Pixels DrawIconPixels(HICON icon, int width, int height, COLORREF background);
void SaveBitmapFile(const Pixels& pixels, const std::wstring& path);
