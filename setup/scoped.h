// Move-only owners for the system handles the setup takes: each releases its
// handle in the scope that took it, on every path.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <utility>

template <typename Traits>
class ScopedObject {
 public:
  using Handle = typename Traits::Handle;

  ScopedObject() = default;
  explicit ScopedObject(Handle handle) : handle_(handle) {}
  ~ScopedObject() { Reset(); }

  ScopedObject(const ScopedObject&) = delete;
  ScopedObject& operator=(const ScopedObject&) = delete;
  ScopedObject(ScopedObject&& other) noexcept : handle_(other.Release()) {}
  ScopedObject& operator=(ScopedObject&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }

  bool IsValid() const { return handle_ != Traits::Invalid(); }
  Handle Get() const { return handle_; }

  // For the system calls that fill in a handle; releases the current one first.
  Handle* Receive() {
    Reset();
    return &handle_;
  }

  Handle Release() { return std::exchange(handle_, Traits::Invalid()); }

  void Reset(Handle handle = Traits::Invalid()) {
    if (IsValid()) Traits::Close(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = Traits::Invalid();
};

struct RegKeyTraits {
  using Handle = HKEY;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle key) { RegCloseKey(key); }
};

// Kernel objects whose "no handle" is null: processes, threads.
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { CloseHandle(handle); }
};

// File handles, whose "no handle" is INVALID_HANDLE_VALUE.
struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) { CloseHandle(handle); }
};

struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) { FindClose(handle); }
};

struct ImageListTraits {
  using Handle = HIMAGELIST;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle list) { ImageList_Destroy(list); }
};

struct LibraryTraits {
  using Handle = HMODULE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle library) { FreeLibrary(library); }
};

// Bitmaps and the other objects DeleteObject releases.
struct GdiObjectTraits {
  using Handle = HGDIOBJ;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle object) { DeleteObject(object); }
};

// Memory device contexts; deleting one lets go of what is selected into it.
struct MemoryDcTraits {
  using Handle = HDC;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle dc) { DeleteDC(dc); }
};

using ScopedLibrary = ScopedObject<LibraryTraits>;
using ScopedRegKey = ScopedObject<RegKeyTraits>;
using ScopedHandle = ScopedObject<KernelHandleTraits>;
using ScopedFile = ScopedObject<FileHandleTraits>;
using ScopedFind = ScopedObject<FindHandleTraits>;
using ScopedImageList = ScopedObject<ImageListTraits>;
using ScopedGdiObject = ScopedObject<GdiObjectTraits>;
using ScopedMemoryDc = ScopedObject<MemoryDcTraits>;

// One copy of the release for every interface: the setup walks a chain of them
// to reach the desktop's shell, and each inlined release costs bytes.
[[gnu::noinline]] inline void ReleaseInterface(IUnknown* pointer) {
  if (pointer != nullptr) pointer->Release();
}

// The one way a key is opened; none, with the call's error, when it cannot be
// (the call may leave anything in a handle it did not open).
inline ScopedRegKey OpenRegKey(HKEY root, const char* path, REGSAM access, LONG* error = nullptr) {
  ScopedRegKey key;
  const LONG result = RegOpenKeyExA(root, path, 0, access, key.Receive());
  if (result != ERROR_SUCCESS) key.Release();
  if (error != nullptr) *error = result;
  return key;
}

// Owner of one COM interface pointer.
template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { Reset(); }

  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  Interface* operator->() const { return pointer_; }
  Interface* Get() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

  // For the calls that hand out an interface through a void**.
  void** ReceiveVoid() {
    Reset();
    return reinterpret_cast<void**>(&pointer_);
  }
  Interface** Receive() {
    Reset();
    return &pointer_;
  }

  void Reset() { ReleaseInterface(std::exchange(pointer_, nullptr)); }

 private:
  Interface* pointer_ = nullptr;
};

// COM for the calling thread, as a single-threaded apartment (the shell-link
// object needs one), for the lifetime of the owner.
class ComApartment {
 public:
  ComApartment() { CoInitialize(nullptr); }
  ~ComApartment() { CoUninitialize(); }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
};
