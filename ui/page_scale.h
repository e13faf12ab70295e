// The page's pictures at the scale of its font: bitmap 102 and the browse icon
// are drawn for the 13-pixel line of the page's font at 96 DPI, and grow with it.
#pragma once

#include <windows.h>

// `pixels` of a picture drawn for 96 DPI, at the scale of `dialog`'s font.
int AtPageScale(HWND dialog, int pixels);

// Keeps `dialog`'s picture at the page's scale, given each of its messages: from
// WM_INITDIALOG on it shows bitmap 102 stretched with halftoning (at 96 DPI the
// template's own picture stays), again after a move to a display of another
// DPI, and deletes it at WM_DESTROY, as the control itself never does.
void KeepPictureAtPageScale(HWND dialog, UINT message);
