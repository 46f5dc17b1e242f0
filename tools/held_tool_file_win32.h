#pragma once
#include <windows.h>

#include <string>

#include "tools/payload_win32.h"
#include "tools/unique_handle_win32.h"

// A tool file we wrote into the temp folder, held open from its check until just before its
// deletion. The handle reads only and shares only reading, so while it is held nobody (an
// unelevated program of the same user included) can write, delete or rename the file, and the
// loader can still open it to run it or map it as a library.
class HeldToolFile {
  public:
    HeldToolFile() = default;
    HeldToolFile(HeldToolFile&&) = default;
    HeldToolFile& operator=(HeldToolFile&&) = default;

    // Opens the file as described and compares its bytes, read through that handle, with the
    // payload's. True when they are equal and the file is then held; otherwise nothing is held.
    [[nodiscard]] bool HoldAndCheck(const std::wstring& path, const Payload& payload);
    bool Held() const { return static_cast<bool>(file_); }
    // Lets the file go, so that it can be deleted; harmless when nothing is held.
    void Release() { file_.reset(); }

  private:
    UniqueHandle file_;
};
