// The eight page templates of install.exe: frame, font, caption and every control.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/res/dialog_template.h"
#include "tests/res/install_resources.h"

namespace {

enum class Kind { DefaultButton, PushButton, CheckBox, Picture, Text, CentredText, Edit };

// What makes a control of a kind: its class, the type in the low bits of its
// style, and the style bits it must and must not have.
struct KindRule {
  const char* name;
  const wchar_t* className;
  DWORD typeMask;
  DWORD type;
  DWORD required;
  DWORD forbidden;
};

constexpr DWORD kButtonTypeMask = 0x0F;
constexpr DWORD kStaticTypeMask = 0x1F;

KindRule RuleOf(Kind kind) {
  switch (kind) {
    case Kind::DefaultButton:
      return {"default push button", L"button", kButtonTypeMask, BS_DEFPUSHBUTTON, 0, 0};
    case Kind::PushButton:
      return {"push button", L"button", kButtonTypeMask, BS_PUSHBUTTON, 0, 0};
    case Kind::CheckBox:
      return {"auto check box", L"button", kButtonTypeMask, BS_AUTOCHECKBOX, 0, 0};
    case Kind::Picture:
      return {"picture", L"static", kStaticTypeMask, SS_BITMAP, SS_SUNKEN, SS_NOTIFY};
    case Kind::Text:
      return {"left-aligned text", L"static", kStaticTypeMask, SS_LEFT, 0, 0};
    case Kind::CentredText:
      return {"centred text", L"static", kStaticTypeMask, SS_CENTER, 0, 0};
    case Kind::Edit:
      return {"edit field", L"edit", 0, 0, ES_AUTOHSCROLL | WS_BORDER, 0};
  }
  return {};
}

struct ExpectedControl {
  int id;
  Kind kind;
  const wchar_t* text;  // none for the picture, which shows bitmap 102
  short x, y, cx, cy;
};

struct ExpectedDialog {
  WORD id;
  const wchar_t* caption;
  std::vector<ExpectedControl> controls;
};

constexpr WORD kPictureBitmap = 102;
const ExpectedControl kPicture{-1, Kind::Picture, nullptr, 4, 60, 85, 38};
ExpectedControl Next(const wchar_t* text) {
  return {IDOK, Kind::DefaultButton, text, 96, 62, 60, 16};
}
ExpectedControl Back(const wchar_t* text) {
  return {IDCANCEL, Kind::PushButton, text, 96, 81, 60, 16};
}

const std::vector<ExpectedDialog> kExpectedDialogs = {
    {103, L"Установка KALENDRO! quintara",
     {kPicture, Next(L"Далее >>"), Back(L"Выход"), {1008, Kind::CentredText, L"", 4, 3, 152, 52}}},
    {105, L"Установка K!q (шаг 1 из 3)",
     {kPicture,
      {-1, Kind::Text,
       L"Выберите путь для установки. \n"
       L"Подкаталог \"KALENDRO\" будет автоматически добавлен к пути.",
       4, 3, 152, 36},
      {1000, Kind::Edit, L"", 4, 44, 129, 12},
      {1009, Kind::Text, L"-", 137, 44, 18, 14},
      Next(L"Далее >>"), Back(L"<< Назад")}},
    {107, L"Установка K!q (шаг 2 из 3)",
     {kPicture,
      {1005, Kind::CheckBox, L"Добавить ярлык на рабочий стол", 4, 7, 129, 10},
      {1002, Kind::CheckBox, L"Ассоциировать *.kqs файлы с K!q", 4, 19, 134, 10},
      {1003, Kind::CheckBox, L"Добавить ярлык в Автозагрузку", 4, 31, 126, 10},
      {1004, Kind::CheckBox, L"Создать рабочую группу K!q", 4, 43, 112, 10},
      Next(L"Далее >>"), Back(L"<< Назад")}},
    {108, L"Установка K!q (шаг 3 из 3)",
     {kPicture,
      {-1, Kind::Text,
       L"Установка KALENDRO! quintara \nзавершена!\nОтметьте, что необходимо сделать.",
       4, 3, 152, 28},
      {1002, Kind::CheckBox, L"Показать справку", 4, 35, 88, 10},
      {1003, Kind::CheckBox, L"Запустить KALENDRO! quintara", 4, 47, 128, 10},
      {IDOK, Kind::DefaultButton, L"Готово!", 96, 62, 60, 34}}},
    {109, L"Удаление KALENDRO! quintara",
     {kPicture,
      {-1, Kind::Text,
       L"Добро пожаловать\nв мастер установки\nKALENDRO! quintara\nСейчас программа будет удалена\n"
       L"с Вашего компьютера. Начать удаление?",
       4, 3, 152, 43},
      {1002, Kind::CheckBox, L"Удалить все файлы (*.txt, *.kqs, *.lng)", 4, 49, 152, 8},
      Next(L"Удалить >>"), Back(L"Выход")}},
    {110, L"Удаление KALENDRO! quintara",
     {kPicture, {1008, Kind::CentredText, L"", 4, 3, 152, 52},
      {IDOK, Kind::DefaultButton, L"Готово", 96, 62, 60, 35}}},
    {111, L"Обновление KALENDRO! quintara",
     {kPicture,
      {-1, Kind::Text,
       L"На Вашем компьютере была обнаружена\nпредыдущая версия\nKALENDRO! quintara\n"
       L"Нажмите \"Далее\" для обновления.",
       4, 3, 152, 34},
      {1002, Kind::CheckBox, L"Обновить (старый в *.bak) \"Dates.txt\"", 4, 39, 139, 10},
      {1003, Kind::CheckBox, L"Обновить (старый в *.bak) \"Runs.txt\"", 4, 49, 139, 10},
      Next(L"Далее >>"), Back(L"<< Назад")}},
    {112, L"Обновление KALENDRO! quintara",
     {kPicture,
      {-1, Kind::Text,
       L"Обновление KALENDRO! quintara \nзавершено!\nОтметьте, что необходимо сделать.",
       4, 3, 152, 28},
      {1002, Kind::CheckBox, L"Показать справку", 4, 35, 78, 10},
      {1003, Kind::CheckBox, L"Запустить KALENDRO! quintara", 4, 47, 125, 10},
      {IDOK, Kind::DefaultButton, L"Готово!", 96, 62, 60, 34}}},
};

// The stored control that `expected` describes: same id and class, and a text of
// the same form (the picture names its bitmap by ordinal, all others hold strings).
const DialogControl* FindControl(const DialogTemplate& dialog, const ExpectedControl& expected) {
  for (const DialogControl& control : dialog.controls)
    if (control.id == expected.id && control.className == RuleOf(expected.kind).className &&
        control.text.isOrdinal == (expected.text == nullptr))
      return &control;
  return nullptr;
}

void ExpectControl(const DialogControl& control, const ExpectedControl& expected,
                   const std::string& where) {
  const KindRule rule = RuleOf(expected.kind);
  if (expected.text)
    EXPECT_EQ(control.text.name, expected.text) << where << ": text";
  else
    EXPECT_EQ(control.text.ordinal, kPictureBitmap) << where << ": bitmap shown";
  EXPECT_EQ(control.x, expected.x) << where << ": x";
  EXPECT_EQ(control.y, expected.y) << where << ": y";
  EXPECT_EQ(control.cx, expected.cx) << where << ": width";
  EXPECT_EQ(control.cy, expected.cy) << where << ": height";
  EXPECT_EQ(control.style & rule.typeMask, rule.type) << where << ": not a " << rule.name;
  const DWORD required = rule.required | WS_CHILD | WS_VISIBLE;
  EXPECT_EQ(control.style & required, required)
      << where << ": style 0x" << std::hex << control.style;
  EXPECT_EQ(control.style & rule.forbidden, 0u)
      << where << ": style 0x" << std::hex << control.style;
}

TEST(DialogTemplates, MatchThePages) {
  for (const ExpectedDialog& expected : kExpectedDialogs) {
    const std::string where = "dialog " + std::to_string(expected.id);
    DialogTemplate dialog;
    std::string error = "no Russian template";
    const std::vector<BYTE> bytes = ResourceBytes(RT_DIALOG, expected.id);
    if (bytes.empty() || !ParseDialogTemplate(bytes, dialog, error)) {
      ADD_FAILURE() << where << ": " << error;
      continue;
    }
    const DWORD frame = DS_MODALFRAME | DS_CENTER | WS_CAPTION | WS_POPUP;
    EXPECT_EQ(dialog.style & frame, frame) << where << ": style 0x" << std::hex << dialog.style;
    EXPECT_EQ(dialog.style & WS_SYSMENU, 0u) << where << ": has a system menu";
    EXPECT_EQ(dialog.cx, 160) << where << ": width";
    EXPECT_EQ(dialog.cy, 103) << where << ": height";
    EXPECT_TRUE(!dialog.menu.isOrdinal && dialog.menu.name.empty()) << where << ": has a menu";
    EXPECT_TRUE(!dialog.windowClass.isOrdinal && dialog.windowClass.name.empty())
        << where << ": not of the standard dialog class";
    EXPECT_EQ(dialog.caption, expected.caption) << where << ": caption";
    EXPECT_EQ(dialog.pointSize, 8) << where << ": font size";
    EXPECT_EQ(dialog.typeface, L"MS Sans Serif") << where << ": font";
    EXPECT_EQ(dialog.controls.size(), expected.controls.size()) << where << ": number of controls";
    for (const ExpectedControl& control : expected.controls) {
      const std::string controlWhere = where + " control " + std::to_string(control.id) + " (" +
                                       RuleOf(control.kind).name + ")";
      const DialogControl* found = FindControl(dialog, control);
      if (found)
        ExpectControl(*found, control, controlWhere);
      else
        ADD_FAILURE() << controlWhere << ": missing";
    }
  }
}

TEST(DialogTemplates, NoOtherDialogs) {
  std::vector<std::wstring> expected;
  expected.reserve(kExpectedDialogs.size());
  for (const ExpectedDialog& dialog : kExpectedDialogs)
    expected.push_back(ResourceLabel(MAKEINTRESOURCEA(dialog.id)));
  EXPECT_EQ(ResourceNames(RT_DIALOG), expected);
}

}  // namespace
