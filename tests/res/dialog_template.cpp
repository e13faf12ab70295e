#include "tests/res/dialog_template.h"

#include <cwctype>

#include "tests/res/byte_reader.h"

namespace {

NameOrOrdinal ReadNameOrOrdinal(ByteReader& reader) {
  NameOrOrdinal field;
  const WORD first = reader.Word();
  if (first == 0xFFFF) {
    field.isOrdinal = true;
    field.ordinal = reader.Word();
  } else if (first != 0) {
    field.name = reader.WideString(first);
  }
  return field;
}

// The predefined control classes, which templates give as atoms.
std::wstring ClassName(const NameOrOrdinal& field) {
  if (!field.isOrdinal) {
    std::wstring lower = field.name;
    for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(c));
    return lower;
  }
  switch (field.ordinal) {
    case 0x0080: return L"button";
    case 0x0081: return L"edit";
    case 0x0082: return L"static";
    case 0x0083: return L"listbox";
    case 0x0084: return L"scrollbar";
    case 0x0085: return L"combobox";
    default: return L"#" + std::to_wstring(field.ordinal);
  }
}

DialogControl ReadControl(ByteReader& reader, bool extended) {
  reader.AlignTo(4);
  DialogControl control;
  if (extended) {
    reader.Skip(8);  // help id, extended style
    control.style = reader.Dword();
  } else {
    control.style = reader.Dword();
    reader.Skip(4);  // extended style
  }
  control.x = reader.Short();
  control.y = reader.Short();
  control.cx = reader.Short();
  control.cy = reader.Short();
  control.id = extended ? static_cast<int>(reader.Dword()) : reader.Short();
  control.className = ClassName(ReadNameOrOrdinal(reader));
  control.text = ReadNameOrOrdinal(reader);
  reader.Skip(reader.Word());  // creation data
  return control;
}

}  // namespace

bool ParseDialogTemplate(const std::vector<BYTE>& bytes, DialogTemplate& dialog,
                         std::string& error) {
  ByteReader reader(bytes);
  dialog = DialogTemplate();
  const DWORD head = reader.Dword();  // the style, or version 1 and signature 0xFFFF
  dialog.extended = head == 0xFFFF0001;
  if (dialog.extended) {
    reader.Skip(8);  // help id, extended style
    dialog.style = reader.Dword();
  } else {
    dialog.style = head;
    reader.Skip(4);  // extended style
  }
  const WORD controlCount = reader.Word();
  reader.Skip(4);  // x, y
  dialog.cx = reader.Short();
  dialog.cy = reader.Short();
  dialog.menu = ReadNameOrOrdinal(reader);
  dialog.windowClass = ReadNameOrOrdinal(reader);
  dialog.caption = reader.WideString();
  if (dialog.style & DS_SETFONT) {
    dialog.pointSize = reader.Word();
    if (dialog.extended) reader.Skip(4);  // weight, italic, character set
    dialog.typeface = reader.WideString();
  }
  for (WORD i = 0; i < controlCount && !reader.Overrun(); ++i)
    dialog.controls.push_back(ReadControl(reader, dialog.extended));
  if (reader.Overrun()) {
    error = "the template ends before its " + std::to_string(controlCount) + " controls do";
    return false;
  }
  return true;
}
