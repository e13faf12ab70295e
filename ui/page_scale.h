// The page's pictures at the scale of its font: bitmap 102 and the browse icon
// are drawn for the 13-pixel line of the page's font at 96 DPI, and grow with it.
#pragma once

#include <windows.h>

// `pixels` of a picture drawn for 96 DPI, at the scale of `dialog`'s font.
int AtPageScale(HWND dialog, int pixels);

// Shows `dialog`'s picture at the page's scale, bitmap 102 stretched with
// halftoning; at 96 DPI the template's own picture stays, unless `always`.
void ShowAtPageScale(HWND dialog, bool always);

// Deletes the picture `dialog` shows, as the control itself never does: the
// template's bitmap or the stretched copy. For the dialog's end.
void DeletePicture(HWND dialog);
