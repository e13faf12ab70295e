#include "setup/folder_trust.h"

#include <cstring>

#include "setup/scoped.h"
#include "setup/system_paths.h"
#include "setup/text.h"

namespace {

// The rights that let a user change what is in a folder or swap it: on the
// folder itself, also adding a file or a folder to it; on a folder above it,
// deleting or renaming what it holds, or taking it over.
constexpr DWORD kChangesFolder = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD |
                                 DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_ALL | GENERIC_WRITE;
constexpr DWORD kSwapsWhatItHolds = FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_ALL;

// The accounts a setup running as administrator trusts besides its own: the
// system (S-1-5-18), the administrators (S-1-5-32-544) and the installer
// service (S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464).
// Each as stored: revision, count, authority, then the counted parts.
constexpr BYTE kSystem[] = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
constexpr BYTE kAdministrators[] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0};
constexpr BYTE kInstallerService[] = {1,    6,    0,    0,    0,    0,    0,    5,
                                      80,   0,    0,    0,    0x35, 0xA5, 0xFD, 0x38,
                                      0x19, 0xB8, 0x8A, 0xCB, 0x1C, 0xEB, 0x2C, 0x6D,
                                      0x17, 0xAA, 0x78, 0x6E, 0xC0, 0xEF, 0x72, 0x87};

DWORD SidSize(const BYTE* sid) { return 8 + 4 * sid[1]; }

bool SameSid(const BYTE* sid, const BYTE* known) {
  return sid[1] == known[1] && memcmp(sid, known, SidSize(known)) == 0;
}

// The account this process runs as, as stored; empty where the system cannot say.
std::string OwnAccount() {
  const auto openToken =
      SystemCall<decltype(&OpenProcessToken)>("advapi32.dll", "OpenProcessToken");
  const auto tokenInformation =
      SystemCall<decltype(&GetTokenInformation)>("advapi32.dll", "GetTokenInformation");
  ScopedHandle token;
  DWORD size = 0;
  alignas(8) BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  if (openToken == nullptr || tokenInformation == nullptr ||
      !openToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive()) ||
      !tokenInformation(token.Get(), TokenUser, user, sizeof(user), &size)) {
    return std::string();
  }
  const BYTE* sid = static_cast<const BYTE*>(reinterpret_cast<TOKEN_USER*>(user)->User.Sid);
  return std::string(reinterpret_cast<const char*>(sid), SidSize(sid));
}

bool IsTrusted(const BYTE* sid, const std::string& ownAccount) {
  return SameSid(sid, kSystem) || SameSid(sid, kAdministrators) ||
         SameSid(sid, kInstallerService) ||
         (!ownAccount.empty() && SameSid(sid, reinterpret_cast<const BYTE*>(ownAccount.data())));
}

// Whether someone untrusted owns `path` or is allowed one of `rights` there.
// A folder without a list of who may do what is open to all.
bool OthersMay(const std::string& path, DWORD rights, const std::string& ownAccount) {
  const auto fileSecurity =
      SystemCall<decltype(&GetFileSecurityA)>("advapi32.dll", "GetFileSecurityA");
  if (fileSecurity == nullptr) return false;
  // Not on the stack: the program's frames stay within the one page the
  // system's guard page grows the stack by.
  std::string buffer(4096, '\0');
  auto* descriptor = reinterpret_cast<BYTE*>(&buffer[0]);
  DWORD size = 0;
  if (!fileSecurity(path.c_str(), OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                    descriptor, static_cast<DWORD>(buffer.size()), &size)) {
    return true;
  }
  // The self-relative form the call gives: owner and list as offsets.
  const auto* header = reinterpret_cast<const SECURITY_DESCRIPTOR_RELATIVE*>(descriptor);
  if (header->Owner != 0 && !IsTrusted(descriptor + header->Owner, ownAccount)) return true;
  if ((header->Control & SE_DACL_PRESENT) == 0 || header->Dacl == 0) return true;
  const auto* list = reinterpret_cast<const ACL*>(descriptor + header->Dacl);
  const BYTE* entry = reinterpret_cast<const BYTE*>(list + 1);
  for (WORD index = 0; index < list->AceCount; ++index) {
    const auto* ace = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(entry);
    // Denials are not counted on: an allowance alone decides.
    const bool allows = ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
                        (ace->Header.AceFlags & INHERIT_ONLY_ACE) == 0;
    if (allows && (ace->Mask & rights) != 0 &&
        !IsTrusted(reinterpret_cast<const BYTE*>(&ace->SidStart), ownAccount)) {
      return true;
    }
    entry += ace->Header.AceSize;
  }
  return false;
}

// A self-relative descriptor: a protected list (0x9004: self-relative, list
// present, protected), then its three entries, each inherited by folders and
// files (0x03): full control (0x1F01FF) for the system and the administrators,
// reading and running (0x1200A9) for the users (S-1-5-32-545).
alignas(4) constexpr BYTE kInstallFolderDescriptor[] = {
    1, 0, 0x04, 0x90, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 20, 0, 0, 0,
    2, 0, 76, 0, 3, 0, 0, 0,
    0, 3, 20, 0, 0xFF, 0x01, 0x1F, 0, 1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0,
    0, 3, 24, 0, 0xFF, 0x01, 0x1F, 0, 1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0,
    0, 3, 24, 0, 0xA9, 0x00, 0x12, 0, 1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x21, 2, 0, 0};

}  // namespace

FolderTrust TrustOfFolder(const std::string& folder) {
  const std::string ownAccount = OwnAccount();
  DWORD rights = kChangesFolder;
  for (std::string path = folder; path.size() > 3;
       path = FolderOf(path.substr(0, path.size() - 1)), rights = kSwapsWhatItHolds) {
    if (path.back() == '\\') path.pop_back();
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) continue;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return FolderTrust::kThroughLink;
    if (OthersMay(path, rights, ownAccount)) return FolderTrust::kOthersMayChange;
    path += '\\';
  }
  return FolderTrust::kTrusted;
}

SECURITY_ATTRIBUTES* InstallFolderSecurity() {
  // Constant, so that it needs no section of writable data: the call only reads it.
  static const SECURITY_ATTRIBUTES attributes = {
      sizeof(SECURITY_ATTRIBUTES), const_cast<BYTE*>(kInstallFolderDescriptor), FALSE};
  return const_cast<SECURITY_ATTRIBUTES*>(&attributes);
}
