#pragma once
#include <windows.h>

#include "tools/unique_handle_win32.h"

// COM, from the system folder when a job or the folder icon first needs it: the first window
// needs none of it, and importing ole32 would load it and its dependencies before the window.
// Each call fails as COM would when the library cannot be loaded.
HRESULT InitializeCom(DWORD model);
void UninitializeCom();
HRESULT CreateComInstance(REFCLSID classId, REFIID interfaceId, void** object);

// COM started on this thread: true when InitializeCom succeeded and UninitializeCom is owed.
struct ComInitTraits {
    using Type = bool;
    static Type None() { return false; }
    static bool IsNone(Type value) { return !value; }
    static bool Close(Type) {
        UninitializeCom();
        return true;
    }
};
using UniqueComInit = UniqueAny<ComInitTraits>;
