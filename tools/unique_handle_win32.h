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

// Resources that are absent when null, closed by one call that returns nonzero on success.
template <typename T, auto CloseFunction>
struct NullMeansNoneTraits {
    using Type = T;
    static Type None() { return nullptr; }
    static bool IsNone(Type value) { return value == nullptr; }
    static bool Close(Type value) { return CloseFunction(value) != 0; }
};

// Resources whose "none" is INVALID_HANDLE_VALUE; null is taken as none too.
template <auto CloseFunction>
struct InvalidMeansNoneTraits {
    using Type = HANDLE;
    static Type None() { return INVALID_HANDLE_VALUE; }
    static bool IsNone(Type value) { return value == nullptr || value == INVALID_HANDLE_VALUE; }
    static bool Close(Type value) { return CloseFunction(value) != FALSE; }
};

// Kernel objects: files, devices, processes, threads, events, pipes. Functions disagree on how
// they say "no handle", so null and INVALID_HANDLE_VALUE both mean none.
struct KernelHandleTraits : InvalidMeansNoneTraits<CloseHandle> {
    static Type None() { return nullptr; }
};
using UniqueHandle = UniqueAny<KernelHandleTraits>;

// A FindFirstFileW search and a FindFirstVolumeW search.
using UniqueFindHandle = UniqueAny<InvalidMeansNoneTraits<FindClose>>;
using UniqueFindVolumeHandle = UniqueAny<InvalidMeansNoneTraits<FindVolumeClose>>;

using UniqueModule = UniqueAny<NullMeansNoneTraits<HMODULE, FreeLibrary>>;
// A GDI object (font, brush, bitmap).
template <typename T>
using GdiObject = UniqueAny<NullMeansNoneTraits<T, DeleteObject>>;
// An icon loaded at a size of our choosing (not shared: LoadImageW without LR_SHARED).
using UniqueIcon = UniqueAny<NullMeansNoneTraits<HICON, DestroyIcon>>;
// A device context made with CreateCompatibleDC.
using UniqueMemoryDc = UniqueAny<NullMeansNoneTraits<HDC, DeleteDC>>;

inline BOOL ReleaseScreenDc(HDC context) {
    return ReleaseDC(nullptr, context);
}
// The whole screen's device context, GetDC(nullptr).
using UniqueScreenDc = UniqueAny<NullMeansNoneTraits<HDC, ReleaseScreenDc>>;

inline BOOL FreeVirtualMemory(void* memory) {
    return VirtualFree(memory, 0, MEM_RELEASE);
}
// Memory from VirtualAlloc.
using UniqueVirtualMemory = UniqueAny<NullMeansNoneTraits<void*, FreeVirtualMemory>>;

inline bool FreeLocalMemory(void* memory) {
    return LocalFree(memory) == nullptr;
}
// Memory the system handed out with LocalAlloc, such as a converted security descriptor.
using UniqueLocalMemory = UniqueAny<NullMeansNoneTraits<void*, FreeLocalMemory>>;

// One reference to a COM object; Release's count is of no interest to the owner.
template <typename Interface>
inline bool ReleaseComObject(Interface* object) {
    object->Release();
    return true;
}
template <typename Interface>
using UniqueComPointer = UniqueAny<NullMeansNoneTraits<Interface*, ReleaseComObject<Interface>>>;

