#pragma once
#include <windows.h>

#include "tools/unique_handle_win32.h"

// Libraries are looked for in the system folder alone from here on: an elevated program started
// from a Downloads folder must not load a DLL that someone placed beside it. The first thing each
// of our programs does. Windows before 8 without its loader update lacks the call; there the
// current folder at least is taken out of the search, and LoadSystemLibrary still names the
// system folder.
void LoadLibrariesFromSystemFolderOnly();

// A system DLL by its file name, from the system folder only; none when it cannot be loaded.
UniqueModule LoadSystemLibrary(const wchar_t* name);

// A system DLL that the program calls into without importing it, so that the loader never looks
// for it beside the program before LoadLibrariesFromSystemFolderOnly has run. Kept loaded for as
// long as the owner lives.
class SystemLibrary {
  public:
    explicit SystemLibrary(const wchar_t* name) : module_(LoadSystemLibrary(name)) {}

    // The named function as the given pointer type, or null.
    template <typename Function>
    Function Get(const char* name) const {
        if (!module_) return nullptr;
        return reinterpret_cast<Function>(
            reinterpret_cast<void*>(GetProcAddress(module_.get(), name)));
    }

  private:
    UniqueModule module_;
};
