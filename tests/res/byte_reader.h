// Reads little-endian fields from a resource or file image in order, and notes
// when a read runs past the end instead of reading outside the bytes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class ByteReader {
 public:
  explicit ByteReader(const std::vector<BYTE>& bytes, size_t offset = 0)
      : bytes_(bytes), offset_(offset), overrun_(offset > bytes.size()) {}

  bool Overrun() const { return overrun_; }
  size_t Offset() const { return offset_; }

  BYTE Byte() {
    if (offset_ >= bytes_.size()) {
      overrun_ = true;
      return 0;
    }
    return bytes_[offset_++];
  }
  WORD Word() {
    const WORD low = Byte();
    return static_cast<WORD>(low | (Byte() << 8));
  }
  DWORD Dword() {
    const DWORD low = Word();
    return low | (static_cast<DWORD>(Word()) << 16);
  }
  short Short() { return static_cast<short>(Word()); }
  LONG Long() { return static_cast<LONG>(Dword()); }

  // UTF-16 units up to a terminating zero, the first of them already read.
  std::wstring WideString(WORD first) {
    std::wstring text;
    for (WORD unit = first; unit != 0 && !overrun_; unit = Word())
      text += static_cast<wchar_t>(unit);
    return text;
  }
  std::wstring WideString() { return WideString(Word()); }

  // `count` UTF-16 units.
  std::wstring WideChars(size_t count) {
    std::wstring text;
    for (size_t i = 0; i < count && !overrun_; ++i) text += static_cast<wchar_t>(Word());
    return text;
  }

  // Bytes up to a terminating zero.
  std::string String() {
    std::string text;
    for (char c = static_cast<char>(Byte()); c != 0 && !overrun_; c = static_cast<char>(Byte()))
      text += c;
    return text;
  }

  void Skip(size_t count) {
    offset_ += count;
    if (offset_ > bytes_.size()) overrun_ = true;
  }
  void AlignTo(size_t unit) { Skip((unit - offset_ % unit) % unit); }

 private:
  const std::vector<BYTE>& bytes_;
  size_t offset_;
  bool overrun_;
};
