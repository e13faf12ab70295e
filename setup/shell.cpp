// The shell: shortcut files, opening files of the installed folder, and the
// folder picker.
#include "setup/setup_context.h"

#include <shellapi.h>
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

StartedProgram SetupContext::RunProgram(StringId file, StringId parameters) const {
  // Uninstall mode has no InstallDir; there SourceDir is the installed folder.
  const std::string& folder = InstallDir.empty() ? SourceDir : InstallDir;
  const std::string path = folder + LoadText(file);
  const std::string arguments = parameters != 0 ? LoadText(parameters) : std::string();
  // As ShellExecuteA opens it, and with the started process's handle, when the
  // shell started one, for a caller that waits for it.
  SHELLEXECUTEINFOA info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = "open";
  info.lpFile = path.c_str();
  info.lpParameters = arguments.c_str();
  info.nShow = SW_SHOWNORMAL;
  StartedProgram program;
  // The shell may hand the start to an extension, which needs COM on this thread.
  const ComApartment com;
  program.started = ShellExecuteExA(&info) != FALSE;
  program.process.Reset(program.started ? info.hProcess : nullptr);
  Log.Write(program.started ? "started" : "not started", path + " " + arguments);
  return program;
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
