#pragma once
#include <windows.h>

#include <string>

#include "tools/unique_handle_win32.h"

// The names the tools run under, whichever files they came from.
inline constexpr wchar_t kBooticeFileName[] = L"Bootice.exe";
inline constexpr wchar_t kSevenZipFileName[] = L"USB7z.exe";
inline constexpr wchar_t kSevenZipLibFileName[] = L"7z.dll";

// A folder of our own inside the temp folder, from which the outside tools run with our
// administrator rights. Every program of the user can write the temp folder itself, and a tool
// loads code from beside it (the loader's own folder first, 7-Zip every DLL in "Codecs" and
// "Formats" beside its library), so the tools run from a folder only administrators and the
// system can write. It is created new, never taken over, and held open without delete sharing
// so that it cannot be renamed away and replaced while we use it.
class ToolFolder {
  public:
    ToolFolder() = default;
    ~ToolFolder() { Remove(); }
    ToolFolder(const ToolFolder&) = delete;
    ToolFolder& operator=(const ToolFolder&) = delete;

    // A new folder with a random name inside the parent (ending in a backslash); false when none
    // could be made.
    [[nodiscard]] bool Create(const std::wstring& parent);
    // The same under the given name; false when that name is taken.
    [[nodiscard]] bool CreateNamed(const std::wstring& parent, const std::wstring& name);
    // The folder, ending in a backslash; empty when there is none.
    const std::wstring& Path() const { return path_; }
    // Deletes the tool files in it and the folder itself; harmless when there is none.
    void Remove();

  private:
    std::wstring path_;
    UniqueHandle folder_;
};

// The security a tool folder is made with: owner Administrators, and a list protected from
// inheritance that allows SYSTEM and Administrators alone, passed on to the files inside.
UniqueLocalMemory ToolFolderSecurity();

// Removes the tool folders that runs which were ended by force left in the parent (their tool
// files and, when nothing else is in it, the folder), unless another running copy of the program
// still holds them.
void RemoveStaleToolFolders(const std::wstring& parent);
