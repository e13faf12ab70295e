// What a page shows at the display's scale, read from its window and the screen:
// how large it is, how much of its picture's frame the picture covers and in
// how many colours, and which of its texts its controls cut off.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/driver/page.h"
#include "tests/driver/screen_capture.h"

struct PageLook {
  SIZE client = {};
  double pictureShare = 0;  // of the picture's template rectangle, the area drawn on
  size_t pictureColours = 0;
};

PageLook LookOf(const Page& page);

// `rect` of the page as painted: a page just shown may still be painting its
// controls, so the screen is read until two readings 50 ms apart agree.
Pixels CaptureInPage(const Page& page, RECT rect);

// The static texts of `page` that their controls cut off, each described: laid
// out as the control lays it out, word-wrapped in the page's font (8 points at
// `dpi`), a text needs more than its control's client area.
std::vector<std::string> TextsCutOff(const Page& page, int dpi);
