// A dialog template resource taken apart: the classic DLGTEMPLATE layout and the
// extended DLGTEMPLATEEX one.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A template field that holds either a string or a 16-bit ordinal.
struct NameOrOrdinal {
  bool isOrdinal = false;
  WORD ordinal = 0;
  std::wstring name;
};

struct DialogControl {
  DWORD style = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  int id = 0;
  std::wstring className;  // predefined classes by name in lower case: "button", "edit", ...
  NameOrOrdinal text;
};

struct DialogTemplate {
  bool extended = false;
  DWORD style = 0;
  short cx = 0, cy = 0;  // the position is left to DS_CENTER
  NameOrOrdinal menu;
  NameOrOrdinal windowClass;
  std::wstring caption;
  WORD pointSize = 0;
  std::wstring typeface;
  std::vector<DialogControl> controls;
};

// Parses `bytes`; returns false (and a reason in `error`) when they run short or
// are not a dialog template.
bool ParseDialogTemplate(const std::vector<BYTE>& bytes, DialogTemplate& dialog,
                         std::string& error);
