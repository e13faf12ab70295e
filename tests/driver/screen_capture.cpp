#include "tests/driver/screen_capture.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "tests/driver/driver_common.h"

namespace {

struct ScreenDcTraits {
  using Handle = HDC;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle dc) { ReleaseDC(nullptr, dc); }
};

using ScopedScreenDc = ScopedObject<ScreenDcTraits>;

int RowSize(int width) { return (width * 3 + 3) & ~3; }

BITMAPINFOHEADER PictureHeader(int width, int height) {
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;  // positive: bottom row first, as .bmp files keep it
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(RowSize(width) * height);
  return header;
}

// A 24-bit drawing surface in memory; `draw` paints on its DC, then its pixels are taken.
template <typename Draw>
Pixels Paint(int width, int height, Draw draw) {
  Pixels pixels;
  pixels.width = width;
  pixels.height = height;
  BITMAPINFO info = {};
  info.bmiHeader = PictureHeader(width, height);
  const ScopedScreenDc screen(GetDC(nullptr));
  const ScopedMemoryDc memory(CreateCompatibleDC(screen.Get()));
  void* bits = nullptr;
  const ScopedGdiObject bitmap(
      CreateDIBSection(memory.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap.IsValid()) throw DriverError("could not make a picture of the screen");
  const HGDIOBJ previous = SelectObject(memory.Get(), bitmap.Get());
  draw(memory.Get(), screen.Get());
  GdiFlush();
  SelectObject(memory.Get(), previous);
  const BYTE* const first = static_cast<const BYTE*>(bits);
  pixels.rows.assign(first, first + info.bmiHeader.biSizeImage);
  return pixels;
}

}  // namespace

COLORREF Pixels::At(int x, int y) const {
  const BYTE* pixel = &rows[static_cast<size_t>((height - 1 - y) * RowSize(width) + x * 3)];
  return RGB(pixel[2], pixel[1], pixel[0]);
}

Pixels CaptureScreen(const RECT& area) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  return Paint(width, height, [&](HDC memory, HDC screen) {
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  });
}

RECT InkExtent(const Pixels& pixels, COLORREF background) {
  RECT extent = {pixels.width, pixels.height, 0, 0};
  for (int y = 0; y < pixels.height; ++y) {
    for (int x = 0; x < pixels.width; ++x) {
      if (pixels.At(x, y) == background) continue;
      extent = {std::min(extent.left, LONG{x}), std::min(extent.top, LONG{y}),
                std::max(extent.right, LONG{x + 1}), std::max(extent.bottom, LONG{y + 1})};
    }
  }
  return extent.right > extent.left ? extent : RECT{};
}

size_t ColourCount(const Pixels& pixels, const RECT& area) {
  std::set<COLORREF> colours;
  for (LONG y = area.top; y < area.bottom; ++y)
    for (LONG x = area.left; x < area.right; ++x) colours.insert(pixels.At(x, y));
  return colours.size();
}

Pixels DrawIconPixels(HICON icon, int width, int height, COLORREF background) {
  return Paint(width, height, [&](HDC memory, HDC) {
    const ScopedGdiObject brush(CreateSolidBrush(background));
    const RECT all = {0, 0, width, height};
    FillRect(memory, &all, static_cast<HBRUSH>(brush.Get()));
    DrawIconEx(memory, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
  });
}

void SaveBitmapFile(const Pixels& pixels, const std::wstring& path) {
  const BITMAPINFOHEADER header = PictureHeader(pixels.width, pixels.height);
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + header.biSizeImage;
  std::vector<BYTE> bytes(file.bfSize);
  std::memcpy(&bytes[0], &file, sizeof file);
  std::memcpy(&bytes[sizeof file], &header, sizeof header);
  std::memcpy(&bytes[file.bfOffBits], pixels.rows.data(), pixels.rows.size());
  const ScopedFile out(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (!out.IsValid() || !WriteFile(out.Get(), bytes.data(), file.bfSize, &written, nullptr) ||
      written != file.bfSize) {
    throw DriverError("could not write the picture " + Utf8(path));
  }
}
