#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "tools/unique_handle_win32.h"

// Creates every missing folder of a path (a drive prefix such as E: counts as present) and, unless
// attributes is -1, gives the last one those attributes less the masked flags. 1 when the path is
// then a folder.
int MakeFolderPath(const std::wstring& path, int64_t attributes);

constexpr int64_t kChunkFailed = -1;

// Copies the next chunk from source to target, both at position (the bytes copied so far) of a
// source of length bytes: the caller knows both, so no chunk asks the system for them. Returns the
// position after a full chunk, or 0 after the last one, when both files have been closed. A read or
// write that fails or falls short, or a target that cannot be closed, closes both and returns
// kChunkFailed.
int64_t CopyChunk(UniqueHandle& source, UniqueHandle& target, int32_t chunkSize, int64_t length,
                  int64_t position);
