#pragma once
#include <windows.h>

#include <string>

#include "job/read_back.h"
#include "tools/unique_handle_win32.h"

// The stick's files, read past the system's cache so that what a failing or fake-capacity stick
// lost is seen rather than the copy still in memory.
class UnbufferedStickFiles : public StickFiles {
  public:
    explicit UnbufferedStickFiles(std::wstring root);

    bool Open(const std::wstring& path, int64_t& size) override;
    int64_t Read(const uint8_t*& bytes, size_t count) override;
    void Close() override;
    // The folder the paths are relative to, with its backslash.
    const std::wstring& Root() const { return root_; }

  private:
    std::wstring root_;
    UniqueVirtualMemory memory_;
    uint8_t* block_;  // memory_ as bytes
    UniqueHandle file_;
    size_t held_ = 0, taken_ = 0;
};
