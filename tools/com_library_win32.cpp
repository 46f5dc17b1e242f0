#include "tools/com_library_win32.h"

#include "tools/system_library_win32.h"

namespace {

const SystemLibrary& Ole32() {
    static const SystemLibrary library(L"ole32.dll");
    return library;
}

}  // namespace

HRESULT InitializeCom(DWORD model) {
    const auto initialize = Ole32().Get<decltype(&CoInitializeEx)>("CoInitializeEx");
    return initialize ? initialize(nullptr, model) : E_FAIL;
}

void UninitializeCom() {
    // Owed only after InitializeCom succeeded, so the library is loaded; looked up by its module
    // rather than through Ole32(), whose owner may already be gone when a static owner of COM is
    // destroyed at exit.
    const HMODULE ole32 = GetModuleHandleW(L"ole32.dll");
    if (!ole32) return;
    const auto uninitialize = reinterpret_cast<decltype(&CoUninitialize)>(
        reinterpret_cast<void*>(GetProcAddress(ole32, "CoUninitialize")));
    if (uninitialize) uninitialize();
}

HRESULT CreateComInstance(REFCLSID classId, REFIID interfaceId, void** object) {
    const auto create = Ole32().Get<decltype(&CoCreateInstance)>("CoCreateInstance");
    if (!create) return E_FAIL;
    return create(classId, nullptr, CLSCTX_INPROC_SERVER, interfaceId, object);
}
