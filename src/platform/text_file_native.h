#pragma once

// The operating system side of TextFile: one implementation per platform
// (text_file_posix.cpp, text_file_win32.cpp). Failures throw EInOutError carrying
// the program's error number.

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::native {

// A POSIX file descriptor or a Windows HANDLE.
using FileHandle = std::intptr_t;

// Opens `path` for reading, shared with other readers but not with writers.
FileHandle OpenSharedForReading(const std::string& path);

// Reads up to `size` bytes; 0 at the end of the file.
std::size_t ReadBlock(FileHandle file, char* buffer, std::size_t size);

void CloseFile(FileHandle file) noexcept;

} // namespace platform::native
