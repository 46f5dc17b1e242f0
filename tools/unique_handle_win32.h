#pragma once
#include <windows.h>
#include <objbase.h>

#include <utility>

// Sole owner of one resource; Traits says what "none" is and how the resource is closed:
// `using Type`, `static Type None()`, `static bool IsNone(Type)` and `static bool Close(Type)`.
template <typename Traits>
class UniqueAny {
  public:
    using Type = typename Traits::Type;

    UniqueAny() = default;
    explicit UniqueAny(Type value) : value_(Normal(value)) {}
    UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueAny(const UniqueAny&) = delete;
    UniqueAny& operator=(const UniqueAny&) = delete;
    ~UniqueAny() { reset(); }

    Type get() const { return value_; }
    explicit operator bool() const { return !Traits::IsNone(value_); }
    [[nodiscard]] Type release() { return std::exchange(value_, Traits::None()); }
    void reset(Type value = Traits::None()) {
        const Type old = std::exchange(value_, Normal(value));
        if (!Traits::IsNone(old)) Traits::Close(old);
    }
    // Closes now and tells whether that worked, for resources whose close can lose data (a file
    // written through the handle). Holding nothing counts as success.
    [[nodiscard]] bool Close() {
        const Type old = release();
        return Traits::IsNone(old) || Traits::Close(old);
    }
    // For functions that hand their result back through a pointer: whatever was held goes first.
    Type* put() {
        reset();
        return &value_;
    }

  private:
    static Type Normal(Type value) { return Traits::IsNone(value) ? Traits::None() : value; }

    Type value_ = Traits::None();
};

// Kernel objects: files, devices, processes, threads, events, pipes. Functions disagree on how
// they say "no handle", so null and INVALID_HANDLE_VALUE both mean none.
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type None() { return nullptr; }
    static bool IsNone(Type value) { return value == nullptr || value == INVALID_HANDLE_VALUE; }
    static bool Close(Type value) { return CloseHandle(value) != FALSE; }
};
using UniqueHandle = UniqueAny<KernelHandleTraits>;

// A FindFirstFileW search.
struct FindHandleTraits {
    using Type = HANDLE;
    static Type None() { return INVALID_HANDLE_VALUE; }
    static bool IsNone(Type value) { return value == nullptr || value == INVALID_HANDLE_VALUE; }
    static bool Close(Type value) { return FindClose(value) != FALSE; }
};
using UniqueFindHandle = UniqueAny<FindHandleTraits>;

// A FindFirstVolumeW search.
struct FindVolumeHandleTraits {
    using Type = HANDLE;
    static Type None() { return INVALID_HANDLE_VALUE; }
    static bool IsNone(Type value) { return value == nullptr || value == INVALID_HANDLE_VALUE; }
    static bool Close(Type value) { return FindVolumeClose(value) != FALSE; }
};
using UniqueFindVolumeHandle = UniqueAny<FindVolumeHandleTraits>;

// A loaded library.
struct ModuleTraits {
    using Type = HMODULE;
    static Type None() { return nullptr; }
    static bool IsNone(Type value) { return value == nullptr; }
    static bool Close(Type value) { return FreeLibrary(value) != FALSE; }
};
using UniqueModule = UniqueAny<ModuleTraits>;

// A GDI object (font, brush, bitmap).
template <typename T>
struct GdiObjectTraits {
    using Type = T;
    static Type None() { return nullptr; }
    static bool IsNone(Type value) { return value == nullptr; }
    static bool Close(Type value) { return DeleteObject(value) != FALSE; }
};
template <typename T>
using GdiObject = UniqueAny<GdiObjectTraits<T>>;

// An icon loaded at a size of our choosing (not shared: LoadImageW without LR_SHARED).
struct IconTraits {
    using Type = HICON;
    static Type None() { return nullptr; }
    static bool IsNone(Type value) { return value == nullptr; }
    static bool Close(Type value) { return DestroyIcon(value) != FALSE; }
};
using UniqueIcon = UniqueAny<IconTraits>;

// Memory from VirtualAlloc.
struct VirtualMemoryTraits {
    using Type = void*;
    static Type None() { return nullptr; }
    static bool IsNone(Type value) { return value == nullptr; }
    static bool Close(Type value) { return VirtualFree(value, 0, MEM_RELEASE) != FALSE; }
};
using UniqueVirtualMemory = UniqueAny<VirtualMemoryTraits>;

// One reference to a COM object.
template <typename Interface>
struct ComPointerTraits {
    using Type = Interface*;
    static Type None() { return nullptr; }
    static bool IsNone(Type value) { return value == nullptr; }
    static bool Close(Type value) {
        value->Release();
        return true;
    }
};
template <typename Interface>
using UniqueComPointer = UniqueAny<ComPointerTraits<Interface>>;

// COM started on this thread: true when CoInitializeEx succeeded and CoUninitialize is owed.
struct ComInitTraits {
    using Type = bool;
    static Type None() { return false; }
    static bool IsNone(Type value) { return !value; }
    static bool Close(Type) {
        CoUninitialize();
        return true;
    }
};
using UniqueComInit = UniqueAny<ComInitTraits>;

// A device context made with CreateCompatibleDC.
struct MemoryDcTraits {
    using Type = HDC;
    static Type None() { return nullptr; }
    static bool IsNone(Type value) { return value == nullptr; }
    static bool Close(Type value) { return DeleteDC(value) != FALSE; }
};
using UniqueMemoryDc = UniqueAny<MemoryDcTraits>;

// The whole screen's device context, GetDC(nullptr).
struct ScreenDcTraits {
    using Type = HDC;
    static Type None() { return nullptr; }
    static bool IsNone(Type value) { return value == nullptr; }
    static bool Close(Type value) { return ReleaseDC(nullptr, value) != 0; }
};
using UniqueScreenDc = UniqueAny<ScreenDcTraits>;
