#include "tests/driver/setup_names.h"

const wchar_t kWelcomeCaption[] = L"Установка KALENDRO! quintara";
const wchar_t kPathCaption[] = L"Установка K!q (шаг 1 из 3)";
const wchar_t kOptionsCaption[] = L"Установка K!q (шаг 2 из 3)";
const wchar_t kInstallDoneCaption[] = L"Установка K!q (шаг 3 из 3)";
const wchar_t kUpdateCaption[] = L"Обновление KALENDRO! quintara";
const wchar_t kUninstallCaption[] = L"Удаление KALENDRO! quintara";

std::wstring WelcomeText(const std::wstring& version) {
  return L"Добро пожаловать\nв мастер установки\nKALENDRO! quintara\nверсии " + version +
         L"\nОн поможет установить программу на Ваш компьютер. \"Далее\", чтобы начать.";
}

const std::vector<std::wstring> kInstalledFileNames = {
    L"kalquint.cnt", L"kalquint.exe", L"kalquint.hlp", L"dates.txt",
    L"events.txt",   L"runs.txt",     L"update.txt"};

const wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kalendro";
const wchar_t kSessionManagerKey[] = L"System\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kPendingRenamesValue[] = L"PendingFileRenameOperations";
const wchar_t kShellFoldersKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const wchar_t kUserShellFoldersKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
