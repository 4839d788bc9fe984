// Scoped owners for operating-system resources: one template, a traits type per kind of resource.
//
// Owners cannot be copied, only moved; the empty value belongs to the traits (both NULL and
// INVALID_HANDLE_VALUE count as "no handle" for kernel handles). Closing never changes the thread's last
// error, so a message built after a failed call still names the call that failed.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace tavlun {

// Keeps GetLastError() as it was across a clean-up call.
class LastErrorPreserver {
 public:
  LastErrorPreserver() noexcept : error_(::GetLastError()) {}
  ~LastErrorPreserver() { ::SetLastError(error_); }
  LastErrorPreserver(const LastErrorPreserver&) = delete;
  LastErrorPreserver& operator=(const LastErrorPreserver&) = delete;

 private:
  DWORD error_;
};

template <typename Traits>
class UniqueResource {
 public:
  using pointer = typename Traits::pointer;

  UniqueResource() noexcept : value_(Traits::Empty()) {}
  explicit UniqueResource(pointer value) noexcept : value_(value) {}
  ~UniqueResource() { reset(); }

  UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;

  pointer get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return Traits::IsValid(value_); }

  // Gives up ownership without closing.
  pointer release() noexcept { return std::exchange(value_, Traits::Empty()); }

  void reset(pointer value = Traits::Empty()) noexcept {
    pointer old = std::exchange(value_, value);
    if (Traits::IsValid(old)) {
      LastErrorPreserver keep;
      Traits::Close(old);
    }
  }

  // For APIs that return the resource through an out parameter; closes what was held first.
  pointer* put() noexcept {
    reset();
    return &value_;
  }

 private:
  pointer value_;
};

struct KernelHandleTraits {
  using pointer = HANDLE;
  static pointer Empty() noexcept { return nullptr; }
  static bool IsValid(pointer h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(pointer h) noexcept { ::CloseHandle(h); }
};

struct RegistryKeyTraits {
  using pointer = HKEY;
  static pointer Empty() noexcept { return nullptr; }
  static bool IsValid(pointer h) noexcept { return h != nullptr; }
  static void Close(pointer h) noexcept { ::RegCloseKey(h); }
};

struct ServiceHandleTraits {
  using pointer = SC_HANDLE;
  static pointer Empty() noexcept { return nullptr; }
  static bool IsValid(pointer h) noexcept { return h != nullptr; }
  static void Close(pointer h) noexcept { ::CloseServiceHandle(h); }
};

template <typename T>
struct LocalMemoryTraits {
  using pointer = T;
  static pointer Empty() noexcept { return nullptr; }
  static bool IsValid(pointer p) noexcept { return p != nullptr; }
  static void Close(pointer p) noexcept { ::LocalFree(reinterpret_cast<HLOCAL>(p)); }
};

template <typename T>
struct GdiObjectTraits {
  using pointer = T;
  static pointer Empty() noexcept { return nullptr; }
  static bool IsValid(pointer h) noexcept { return h != nullptr; }
  static void Close(pointer h) noexcept { ::DeleteObject(h); }
};

struct IconTraits {
  using pointer = HICON;
  static pointer Empty() noexcept { return nullptr; }
  static bool IsValid(pointer h) noexcept { return h != nullptr; }
  static void Close(pointer h) noexcept { ::DestroyIcon(h); }
};

// A memory device context from CreateCompatibleDC.
struct MemoryDcTraits {
  using pointer = HDC;
  static pointer Empty() noexcept { return nullptr; }
  static bool IsValid(pointer h) noexcept { return h != nullptr; }
  static void Close(pointer h) noexcept { ::DeleteDC(h); }
};

struct ModuleTraits {
  using pointer = HMODULE;
  static pointer Empty() noexcept { return nullptr; }
  static bool IsValid(pointer h) noexcept { return h != nullptr; }
  static void Close(pointer h) noexcept { ::FreeLibrary(h); }
};

struct FindHandleTraits {
  using pointer = HANDLE;
  static pointer Empty() noexcept { return INVALID_HANDLE_VALUE; }
  static bool IsValid(pointer h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(pointer h) noexcept { ::FindClose(h); }
};

struct ActivationContextTraits {
  using pointer = HANDLE;
  static pointer Empty() noexcept { return INVALID_HANDLE_VALUE; }
  static bool IsValid(pointer h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(pointer h) noexcept { ::ReleaseActCtx(h); }
};

struct GlobalMemoryTraits {
  using pointer = HGLOBAL;
  static pointer Empty() noexcept { return nullptr; }
  static bool IsValid(pointer h) noexcept { return h != nullptr; }
  static void Close(pointer h) noexcept { ::GlobalFree(h); }
};

using UniqueHandle = UniqueResource<KernelHandleTraits>;  // files, processes, threads, pipes, jobs, mutexes
using UniqueRegKey = UniqueResource<RegistryKeyTraits>;
using UniqueServiceHandle = UniqueResource<ServiceHandleTraits>;
template <typename T = HLOCAL>
using UniqueLocal = UniqueResource<LocalMemoryTraits<T>>;  // memory the system allocated with LocalAlloc
using UniqueHfont = UniqueResource<GdiObjectTraits<HFONT>>;
using UniqueHbrush = UniqueResource<GdiObjectTraits<HBRUSH>>;
using UniqueHpen = UniqueResource<GdiObjectTraits<HPEN>>;
using UniqueHrgn = UniqueResource<GdiObjectTraits<HRGN>>;
using UniqueHbitmap = UniqueResource<GdiObjectTraits<HBITMAP>>;
using UniqueHicon = UniqueResource<IconTraits>;
using UniqueMemoryDc = UniqueResource<MemoryDcTraits>;
using UniqueModule = UniqueResource<ModuleTraits>;
using UniqueFindHandle = UniqueResource<FindHandleTraits>;
using UniqueActivationContext = UniqueResource<ActivationContextTraits>;
using UniqueGlobal = UniqueResource<GlobalMemoryTraits>;  // GlobalAlloc blocks, until the clipboard takes one

// The clipboard, opened by OpenClipboard and closed again when the owner ends.
class OpenedClipboard {
 public:
  explicit OpenedClipboard(HWND owner) noexcept : open_(::OpenClipboard(owner) != FALSE) {}
  ~OpenedClipboard() {
    if (open_) {
      LastErrorPreserver keep;
      ::CloseClipboard();
    }
  }
  OpenedClipboard(const OpenedClipboard&) = delete;
  OpenedClipboard& operator=(const OpenedClipboard&) = delete;

  explicit operator bool() const noexcept { return open_; }

 private:
  bool open_;
};

// An activation context made current on this thread for the owner's life.
class ActivatedContext {
 public:
  explicit ActivatedContext(HANDLE context) noexcept : active_(::ActivateActCtx(context, &cookie_) != FALSE) {}
  ~ActivatedContext() {
    if (active_) {
      LastErrorPreserver keep;
      ::DeactivateActCtx(0, cookie_);
    }
  }
  ActivatedContext(const ActivatedContext&) = delete;
  ActivatedContext& operator=(const ActivatedContext&) = delete;

  explicit operator bool() const noexcept { return active_; }

 private:
  ULONG_PTR cookie_ = 0;
  bool active_;
};

// The COM apartment of a thread: single-threaded, without OLE 1 DDE, released when the owner ends if this owner
// entered it.
class ComApartment {
 public:
  ComApartment() noexcept
      : entered_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
  ~ComApartment() {
    if (entered_) ::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  explicit operator bool() const noexcept { return entered_; }

 private:
  bool entered_;
};

// A COM interface pointer, released when the owner ends.
template <typename T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ~ComPtr() { reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  T* get() const noexcept { return pointer_; }
  T* operator->() const noexcept { return pointer_; }
  explicit operator bool() const noexcept { return pointer_ != nullptr; }
  void reset() noexcept {
    if (pointer_ != nullptr) std::exchange(pointer_, nullptr)->Release();
  }
  // For out parameters of type T** (put) and void** (put_void).
  T** put() noexcept {
    reset();
    return &pointer_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

 private:
  T* pointer_ = nullptr;
};

// A device context obtained with GetDC, released with ReleaseDC for the same window.
class WindowDc {
 public:
  explicit WindowDc(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
  ~WindowDc() {
    if (dc_ != nullptr) {
      LastErrorPreserver keep;
      ::ReleaseDC(window_, dc_);
    }
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;

  HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// BeginPaint/EndPaint around one WM_PAINT.
class PaintContext {
 public:
  explicit PaintContext(HWND window) noexcept : window_(window), dc_(::BeginPaint(window, &paint_)) {}
  ~PaintContext() { ::EndPaint(window_, &paint_); }
  PaintContext(const PaintContext&) = delete;
  PaintContext& operator=(const PaintContext&) = delete;

  HDC get() const noexcept { return dc_; }
  const PAINTSTRUCT& paint() const noexcept { return paint_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// Selects a GDI object into a DC and puts the previous one back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(::SelectObject(dc, object)) {}
  ~SelectedObject() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace tavlun
