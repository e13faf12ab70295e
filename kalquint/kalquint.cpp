// Stand-in for the reminder application that the setup installs. It records each
// start's arguments, answers the registration switches by exiting, and otherwise
// shows a main window that the setup can find by its title and close.
#include <windows.h>
#include <tlhelp32.h>

#include <string>

#ifndef KALQUINT_TITLE
#define KALQUINT_TITLE "Afx K!q"
#endif
#ifndef KALQUINT_IGNORES_CLOSE
#define KALQUINT_IGNORES_CLOSE 0
#endif
#ifndef KALQUINT_CLOSE_DELAY_MS
#define KALQUINT_CLOSE_DELAY_MS 0
#endif
#ifndef KALQUINT_UNREGISTER_DELAY_MS
#define KALQUINT_UNREGISTER_DELAY_MS 0
#endif

namespace {

// Where each start is recorded: %KALQUINT_LOG%, or kalquint-starts.log in TEMP
// where that names none or a folder that is gone (a start by the desktop's
// shell has the shell's environment, which may name another run's log).
std::string LogPath() {
  char path[MAX_PATH];
  const DWORD length = GetEnvironmentVariableA("KALQUINT_LOG", path, MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    std::string named(path, length);
    const DWORD folder = GetFileAttributesA(named.substr(0, named.rfind('\\') + 1).c_str());
    if (folder != INVALID_FILE_ATTRIBUTES && (folder & FILE_ATTRIBUTE_DIRECTORY)) return named;
  }
  const DWORD temp = GetTempPathA(MAX_PATH, path);
  return std::string(path, temp < MAX_PATH ? temp : 0) + "kalquint-starts.log";
}

// Who started this process, and when it was made (in the system's file-time
// ticks): "<parent id>|<creation time>".
std::string Origin() {
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  DWORD parent = 0;
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (entry.th32ProcessID == GetCurrentProcessId()) parent = entry.th32ParentProcessID;
  }
  CloseHandle(snapshot);
  FILETIME created = {};
  FILETIME unused[3];
  GetProcessTimes(GetCurrentProcess(), &created, &unused[0], &unused[1], &unused[2]);
  const unsigned long long ticks =
      (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
  return std::to_string(parent) + "|" + std::to_string(ticks);
}

// One line per start:
// "<process id>|<parent id>|<creation time>|<own path>|<current folder>|<arguments>".
void RecordStart(const char* arguments) {
  char self[MAX_PATH];
  const DWORD selfLength = GetModuleFileNameA(nullptr, self, MAX_PATH);
  char folder[MAX_PATH];
  const DWORD folderLength = GetCurrentDirectoryA(MAX_PATH, folder);
  const std::string line = std::to_string(GetCurrentProcessId()) + "|" + Origin() + "|" +
                           std::string(self, selfLength < MAX_PATH ? selfLength : 0) + "|" +
                           std::string(folder, folderLength < MAX_PATH ? folderLength : 0) + "|" +
                           arguments + "\r\n";
  // Several instances may start at once; retry briefly while another one writes.
  for (int attempt = 0; attempt < 50; ++attempt) {
    const HANDLE log = CreateFileA(LogPath().c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
      CloseHandle(log);
      return;
    }
    Sleep(20);
  }
}

bool HasSwitch(const std::string& arguments, const char* name) {
  return arguments.find(name) != std::string::npos;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      if (KALQUINT_IGNORES_CLOSE) return 0;
      if (KALQUINT_CLOSE_DELAY_MS > 0) Sleep(KALQUINT_CLOSE_DELAY_MS);
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

int RunMainWindow(HINSTANCE instance) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = "KalquintStandIn";
  RegisterClassA(&windowClass);
  const HWND window = CreateWindowA("KalquintStandIn", KALQUINT_TITLE, WS_OVERLAPPEDWINDOW,
                                    CW_USEDEFAULT, CW_USEDEFAULT, 320, 200, nullptr, nullptr,
                                    instance, nullptr);
  if (window == nullptr) return 1;
  ShowWindow(window, SW_SHOWNORMAL);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  const std::string arguments = commandLine != nullptr ? commandLine : "";
  RecordStart(arguments.c_str());
  // Registration, and opening a help file (the tests make it the .hlp handler),
  // need no window.
  if (HasSwitch(arguments, "/UnregServer")) {
    if (KALQUINT_UNREGISTER_DELAY_MS > 0) Sleep(KALQUINT_UNREGISTER_DELAY_MS);
    return 0;
  }
  if (HasSwitch(arguments, "/RegServer") || HasSwitch(arguments, "/openhelp")) return 0;
  return RunMainWindow(instance);
}
