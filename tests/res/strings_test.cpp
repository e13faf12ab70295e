// The string table of install.exe, entry by entry, as UTF-16 in its blocks.
#include <gtest/gtest.h>

#include <map>

#include "tests/res/byte_reader.h"
#include "tests/res/install_resources.h"

namespace {

const std::map<UINT, std::wstring> kExpectedStrings = {
    {1, L"kalquint.exe"},
    {2, L"Software\\Morvane\\K!q\\3.x"},
    {3, L"Location"},
    {5, L"UseShell"},
    {6, L"UseGroup"},
    {7, L"UseStartup"},
    {8, L"UseDesktop"},
    {38, L"DatesFile%03d"},
    {39, L"EventsFile%03d"},
    {40, L"RunsFile%03d"},
    {41, L"kalquint.cnt"},
    {42, L"kalquint.exe"},
    {43, L"kalquint.hlp"},
    {44, L"dates.txt"},
    {45, L"events.txt"},
    {46, L"install.exe"},
    {47, L"runs.txt"},
    {48, L"update.txt"},
    {49, L"kquninst.exe"},
    {50, L"KALENDRO!"},
    {51, L"KALENDRO! quintara.lnk"},
    {52, L"Справка KALENDRO! quintara.lnk"},
    {53, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"},
    {54, L"Путь не найден!"},
    {55, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion"},
    {56, L"ProgramFilesDir"},
    {57, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kalendro"},
    {58, L"DisplayName"},
    {59, L"UninstallString"},
    {60, L"KALENDRO! quintara"},
    {61, L".KQS"},
    {62, L"kqsfile"},
    {63, L"KalendroSkinFile"},
    {64, L"kqsfile\\shell\\open"},
    {65, L"Одеть"},
    {66, L"kqsfile\\shell\\open\\command"},
    {67, L"kqsfile\\DefaultIcon"},
    {68, L"Programs"},
    {69, L"Startup"},
    {70, L"Desktop"},
    {72, L"Afx K!q"},
    {73,
     L"Добро пожаловать\nв мастер установки\nKALENDRO! quintara\nверсии %d.%d.%d.%d\n"
     L"Он поможет установить программу на Ваш компьютер. \"Далее\", чтобы начать."},
    {74, L"Удаление KALENDRO! quintara\nверсии %d.%d.%d.%d\nзавершено :-("},
    {75, L"/RegServer"},
    {76, L"/UnregServer"},
    {77, L"WININIT.INI"},
    {78, L"[rename]\r\n"},
    {79, L"NUL="},
    {80, L"DatesFile%d"},
    {81, L"EventsFile%d"},
    {82, L"RunsFile%d"},
    {83, L"NumberOfDatesFiles"},
    {84, L"NumberOfEventsFiles"},
    {85, L"NumberOfRunsFiles"},
    {86, L"Не удалось установить программу в папку\n%s\nВыберите другую папку."},
    {87, L"Программа KALENDRO! quintara всё ещё запущена.\nЗакройте её и попробуйте ещё раз."},
    {89, L"DisplayVersion"},
    {90, L"DisplayIcon"},
    {91, L"Publisher"},
    {92, L"InstallLocation"},
    {93, L"QuietUninstallString"},
    {94, L"EstimatedSize"},
    {95, L"NoModify"},
    {96, L"NoRepair"},
    {97, L"Morvane Software"},
    {98, L"/quiet"},
    {99, L"Программа KALENDRO! quintara закрыта, но её файл в папке\n%s\nне удалось заменить. "
         L"Проверьте права на эту папку."},
    {100, L"CreatedInstallLocation"},
    {102, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager"},
    {103, L"PendingFileRenameOperations"},
    {104, L"Common Programs"},
    {105, L"Common Startup"},
    {106, L"Common Desktop"},
    {107, L"Установка или удаление KALENDRO! quintara уже идёт.\nДождитесь её окончания и "
          L"попробуйте ещё раз."},
    {108, L"InstallDate"},
    {109, L"Не удалось создать ярлыки и записать настройки KALENDRO! quintara.\nНичего из этого "
          L"не сделано, попробуйте ещё раз."},
    {110, L"Программу KALENDRO! quintara не удалось полностью удалить из папки\n%s\nЗакройте "
          L"программы, которые используют её файлы, и попробуйте ещё раз."},
    {111, L"Software\\Morvane\\K!q"},
    {112, L"Папка\n%s\nстала ссылкой или её могут изменить другие пользователи. Ничего не изменено."},
};

// Every non-empty entry of the Russian string blocks, by string id. A block
// holds 16 counted UTF-16 strings; block n carries ids (n-1)*16 to n*16-1.
std::map<UINT, std::wstring> StoredStrings(std::string& error) {
  std::map<UINT, std::wstring> strings;
  for (const std::wstring& label : ResourceNames(RT_STRING)) {
    const UINT block = std::stoul(label.substr(1));
    const std::vector<BYTE> bytes = ResourceBytes(RT_STRING, static_cast<WORD>(block));
    ByteReader reader(bytes);
    for (UINT entry = 0; entry < 16; ++entry) {
      const std::wstring text = reader.WideChars(reader.Word());
      if (!text.empty()) strings[(block - 1) * 16 + entry] = text;
    }
    if (reader.Overrun() || reader.Offset() != bytes.size())
      error += "block " + std::to_string(block) + " is not 16 counted strings; ";
  }
  return strings;
}

TEST(StringTable, HoldsExactlyTheExpectedEntries) {
  std::string error;
  const std::map<UINT, std::wstring> stored = StoredStrings(error);
  EXPECT_EQ(error, "");
  for (const auto& [id, text] : kExpectedStrings) {
    const auto found = stored.find(id);
    if (found == stored.end())
      ADD_FAILURE() << "string " << id << " is missing";
    else
      EXPECT_EQ(found->second, text) << "text of string " << id;
  }
  for (const auto& entry : stored)
    EXPECT_TRUE(kExpectedStrings.count(entry.first))
        << "string " << entry.first << " should be absent";
}

TEST(StringTable, HasOnlyTheBlocksOfItsEntries) {
  std::vector<std::wstring> blocks;
  for (const auto& entry : kExpectedStrings) {
    const std::wstring block = ResourceLabel(MAKEINTRESOURCEA(entry.first / 16 + 1));
    if (blocks.empty() || blocks.back() != block) blocks.push_back(block);
  }
  EXPECT_EQ(ResourceNames(RT_STRING), blocks);
}

TEST(StringTable, AbsentIdsLoadEmpty) {
  for (UINT id : {0u, 4u, 9u, 20u, 37u, 71u, 88u, 113u, 1000u}) {
    wchar_t text[8];
    EXPECT_EQ(LoadStringW(InstallModule(), id, text, 8), 0) << "string " << id;
  }
}

}  // namespace
