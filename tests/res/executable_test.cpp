// install.exe itself: a 32-bit GUI program that needs nothing beyond the
// system's own DLLs (the C++ runtime is linked in).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <set>
#include <utility>

#include "tests/res/byte_reader.h"
#include "tests/res/install_resources.h"

namespace {

std::vector<BYTE> ReadWholeFile(const std::wstring& path) {
  const ScopedFile file(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file.IsValid()) return {};
  std::vector<BYTE> bytes(GetFileSize(file.Get(), nullptr));
  DWORD read = 0;
  if (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
    return {};
  bytes.resize(read);
  return bytes;
}

// Copies a header structure out of the image; false when the image is too short.
template <typename Header>
bool ReadHeader(const std::vector<BYTE>& image, size_t offset, Header& header) {
  if (offset > image.size() || image.size() - offset < sizeof(Header)) return false;
  std::memcpy(&header, image.data() + offset, sizeof(Header));
  return true;
}

class PeImage {
 public:
  explicit PeImage(std::vector<BYTE> bytes) : bytes_(std::move(bytes)) {
    IMAGE_DOS_HEADER dos = {};
    valid_ = ReadHeader(bytes_, 0, dos) && dos.e_magic == IMAGE_DOS_SIGNATURE &&
             ReadHeader(bytes_, dos.e_lfanew, nt_) && nt_.Signature == IMAGE_NT_SIGNATURE;
    sectionsAt_ = dos.e_lfanew + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) +
                  nt_.FileHeader.SizeOfOptionalHeader;
  }

  bool Valid() const { return valid_; }
  const IMAGE_NT_HEADERS32& Headers() const { return nt_; }

  // Names of the DLLs in the import directory.
  std::vector<std::string> ImportedDlls() const {
    std::vector<std::string> names;
    const IMAGE_DATA_DIRECTORY& directory =
        nt_.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    IMAGE_IMPORT_DESCRIPTOR descriptor;
    for (size_t at = FileOffset(directory.VirtualAddress);
         directory.Size && ReadHeader(bytes_, at, descriptor) && descriptor.Name;
         at += sizeof(descriptor))
      names.push_back(ByteReader(bytes_, FileOffset(descriptor.Name)).String());
    return names;
  }

 private:
  // Where the byte at `rva` lies in the file, through the section holding it.
  size_t FileOffset(DWORD rva) const {
    IMAGE_SECTION_HEADER section;
    for (WORD i = 0; i < nt_.FileHeader.NumberOfSections &&
                     ReadHeader(bytes_, sectionsAt_ + i * sizeof(section), section);
         ++i) {
      const DWORD extent = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
      if (rva >= section.VirtualAddress && rva < section.VirtualAddress + extent)
        return rva - section.VirtualAddress + section.PointerToRawData;
    }
    return bytes_.size();
  }

  std::vector<BYTE> bytes_;
  IMAGE_NT_HEADERS32 nt_ = {};
  size_t sectionsAt_ = 0;
  bool valid_ = false;
};

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

TEST(Executable, IsA32BitGuiProgram) {
  const PeImage image(ReadWholeFile(InstallExePath()));
  ASSERT_TRUE(image.Valid()) << "install.exe has no PE headers";
  EXPECT_EQ(image.Headers().FileHeader.Machine, IMAGE_FILE_MACHINE_I386) << "machine";
  EXPECT_EQ(image.Headers().OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC)
      << "optional header";
  EXPECT_EQ(image.Headers().OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI) << "subsystem";
  EXPECT_FALSE(image.Headers().FileHeader.Characteristics & IMAGE_FILE_DLL) << "is a DLL";
}

TEST(Executable, ImportsSystemDllsOnly) {
  const std::set<std::string> system = {
      "kernel32.dll", "user32.dll",   "gdi32.dll",    "advapi32.dll", "shell32.dll",
      "ole32.dll",    "oleaut32.dll", "comctl32.dll", "version.dll",  "msvcrt.dll"};
  const PeImage image(ReadWholeFile(InstallExePath()));
  ASSERT_TRUE(image.Valid()) << "install.exe has no PE headers";
  const std::vector<std::string> dlls = image.ImportedDlls();
  EXPECT_FALSE(dlls.empty()) << "no import directory";
  for (const std::string& dll : dlls)
    EXPECT_TRUE(system.count(Lower(dll))) << "install.exe imports " << dll;
}

}  // namespace
