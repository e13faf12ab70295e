// The shell: shortcut files, opening files of the installed folder, and the
// folder picker.
#include "setup/setup_context.h"

#include <exdisp.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlobj.h>

namespace {

bool SaveShortcut(const std::string& link, const std::string& target,
                  const std::string& arguments) {
  // COM on the thread that makes the link, whichever it is.
  const ComApartment com;
  ComPtr<IShellLinkA> shellLink;
  ComPtr<IPersistFile> file;
  WCHAR widePath[MAX_PATH];
  // A path that does not fit is not saved rather than saved under a cut name.
  // No flag: the systems refuse MB_PRECOMPOSED for UTF-8, the process's code page.
  return SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IShellLinkA, shellLink.ReceiveVoid())) &&
         SUCCEEDED(shellLink->SetPath(target.c_str())) &&
         SUCCEEDED(shellLink->SetArguments(arguments.c_str())) &&
         SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, file.ReceiveVoid())) &&
         MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, widePath, MAX_PATH) > 0 &&
         SUCCEEDED(file->Save(widePath, TRUE));
}

}  // namespace

// A link of the same name, an earlier installation's, is kept aside until the
// step completes.
bool SetupContext::CreateShortcut(const std::string& link, const std::string& target,
                                  const std::string& arguments) {
  const bool saved = SetAside(link) && SaveShortcut(link, target, arguments);
  if (saved) Work.Add({Change::kFileMade, link});
  Log.Write(saved ? "link" : "no link", link + " -> " + target + " " + arguments);
  return saved;
}

// Uninstall mode has no InstallDir; there SourceDir is the installed folder.
const std::string& SetupContext::InstalledFolder() const {
  return InstallDir.empty() ? SourceDir : InstallDir;
}

StartedProgram SetupContext::RunProgram(StringId file, StringId parameters) const {
  const std::string path = InstalledFolder() + LoadText(file);
  const std::string arguments = parameters != 0 ? LoadText(parameters) : std::string();
  // As ShellExecuteA opens it, and with the started process's handle, when the
  // shell started one, for a caller that waits for it. The installed folder is
  // its current folder, never the one the setup was started from.
  SHELLEXECUTEINFOA info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = "open";
  info.lpFile = path.c_str();
  info.lpParameters = arguments.c_str();
  info.lpDirectory = InstalledFolder().c_str();
  info.nShow = SW_SHOWNORMAL;
  StartedProgram program;
  // The shell may hand the start to an extension, which needs COM on this thread.
  const ComApartment com;
  program.started = ShellExecuteExA(&info) != FALSE;
  program.process.Reset(program.started ? info.hProcess : nullptr);
  Log.Write(program.started ? "started" : "not started", path + " " + arguments);
  return program;
}

namespace {

// A string the shell's automation takes, freed with the owner.
class ScopedBstr {
 public:
  explicit ScopedBstr(const std::string& text) {
    WCHAR wide[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, MAX_PATH) > 0) {
      text_ = SysAllocString(wide);
    }
  }
  ~ScopedBstr() { SysFreeString(text_); }
  ScopedBstr(const ScopedBstr&) = delete;
  ScopedBstr& operator=(const ScopedBstr&) = delete;
  // A string argument, or a missing one while there is none.
  VARIANT Argument() const {
    VARIANT argument = {};
    if (text_ != nullptr) {
      argument.vt = VT_BSTR;
      argument.bstrVal = text_;
    }
    return argument;
  }
  BSTR Get() const { return text_; }

 private:
  BSTR text_ = nullptr;
};

// The shell automation object of the desktop's own window: it lives in the
// shell of the signed-in user, so what it starts runs with that user's rights.
bool FindDesktopShell(ComPtr<IShellDispatch2>& shell) {
  ComPtr<IShellWindows> windows;
  ComPtr<IDispatch> desktop;
  ComPtr<IServiceProvider> services;
  ComPtr<IShellBrowser> browser;
  ComPtr<IShellView> view;
  ComPtr<IDispatch> background;
  ComPtr<IShellFolderViewDual> folderView;
  ComPtr<IDispatch> application;
  VARIANT none = {};
  long window = 0;
  return SUCCEEDED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER,
                                    IID_IShellWindows, windows.ReceiveVoid())) &&
         windows->FindWindowSW(&none, &none, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                               desktop.Receive()) == S_OK &&
         SUCCEEDED(desktop->QueryInterface(IID_IServiceProvider, services.ReceiveVoid())) &&
         SUCCEEDED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                          browser.ReceiveVoid())) &&
         SUCCEEDED(browser->QueryActiveShellView(view.Receive())) &&
         SUCCEEDED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.ReceiveVoid())) &&
         SUCCEEDED(background->QueryInterface(IID_IShellFolderViewDual, folderView.ReceiveVoid())) &&
         SUCCEEDED(folderView->get_Application(application.Receive())) &&
         SUCCEEDED(application->QueryInterface(IID_IShellDispatch2, shell.ReceiveVoid()));
}

bool StartThroughDesktop(const std::string& path, const std::string& folder) {
  const ComApartment com;
  ComPtr<IShellDispatch2> shell;
  const ScopedBstr file(path);
  const ScopedBstr directory(folder);
  const ScopedBstr verb("open");
  VARIANT show = {};
  show.vt = VT_I4;
  show.lVal = SW_SHOWNORMAL;
  return file.Get() != nullptr && FindDesktopShell(shell) &&
         SUCCEEDED(shell->ShellExecute(file.Get(), VARIANT{}, directory.Argument(), verb.Argument(),
                                       show));
}

}  // namespace

void SetupContext::OpenForUser(StringId file) const {
  const std::string path = InstalledFolder() + LoadText(file);
  if (StartThroughDesktop(path, InstalledFolder())) {
    Log.Write("started as the user", path);
    return;
  }
  // No desktop shell to ask (the older family, or none running): as the setup runs.
  RunProgram(file, 0);
}

const ShortcutFolders kUserShortcutFolders = {HKEY_CURRENT_USER, IDS_FOLDER_PROGRAMS,
                                              IDS_FOLDER_STARTUP, IDS_FOLDER_DESKTOP};
const ShortcutFolders kAllUsersShortcutFolders = {
    HKEY_LOCAL_MACHINE, IDS_FOLDER_COMMON_PROGRAMS, IDS_FOLDER_COMMON_STARTUP,
    IDS_FOLDER_COMMON_DESKTOP};

bool SetupContext::ReadShortcutFolder(HKEY root, StringId value, const std::string& suffix,
                                      std::string& folder) const {
  std::string special;
  // An empty value would put the links at the root of the current drive.
  if (!ReadRegStringById(root, IDS_SHELL_FOLDERS_KEY, value, special) ||
      special.empty()) {
    return false;
  }
  folder = special + suffix;
  return true;
}

namespace {

// An item list from the shell, freed with the shell's allocator.
class ScopedItemList {
 public:
  ScopedItemList(IMalloc* allocator, LPITEMIDLIST items) : allocator_(allocator), items_(items) {}
  ~ScopedItemList() {
    if (items_ != nullptr) allocator_->Free(items_);
  }
  ScopedItemList(const ScopedItemList&) = delete;
  ScopedItemList& operator=(const ScopedItemList&) = delete;
  LPITEMIDLIST Get() const { return items_; }

 private:
  IMalloc* allocator_;
  LPITEMIDLIST items_;
};

}  // namespace

bool SetupContext::BrowseForFolder(HWND owner, std::string& folder) const {
  const ComApartment com;
  ComPtr<IMalloc> allocator;
  if (FAILED(SHGetMalloc(allocator.Receive()))) return false;
  BROWSEINFOA info = {};
  info.hwndOwner = owner;
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
  const ScopedItemList chosen(allocator.Get(), SHBrowseForFolderA(&info));
  if (chosen.Get() == nullptr) return false;
  // The call converts into MAX_PATH bytes whatever the buffer, without a zero
  // when the path does not fit: a folder it may have cut is not taken.
  char path[MAX_PATH + 1] = "";
  if (!SHGetPathFromIDListA(chosen.Get(), path) || MayBeCut(lstrlenA(path), MAX_PATH)) {
    return false;
  }
  folder = path;
  return true;
}
