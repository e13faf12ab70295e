// Pixels of the screen, as a 24-bit picture that can be compared or saved.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<BYTE> rows;  // blue, green, red; bottom row first; rows padded to 4 bytes

  COLORREF At(int x, int y) const;
};

Pixels CaptureScreen(const RECT& area);
// `icon` drawn at `width` x `height` over `background`, as a static control draws it.
Pixels DrawIconPixels(HICON icon, int width, int height, COLORREF background);
void SaveBitmapFile(const Pixels& pixels, const std::wstring& path);
