#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

// Bytes that TextFile asks the operating system for at a time. Large enough that a
// multi-megabyte catalogue costs only a handful of system calls.
inline constexpr std::size_t kTextFileBlockSize = std::size_t{1} << 20;

// True when `path` names an existing regular file (a directory does not count).
bool FileExists(const std::string& path);

// The message of the program's input/output error number `errorCode`:
// 2 "File not found", 3 "Invalid filename", 4 "Too many open files",
// 5 "File access denied", 100 "Read beyond end of file", 101 "Disk full",
// 106 "Invalid numeric input", any other "I/O error <number>".
std::string InOutErrorMessage(int errorCode);

// An 8-bit text file read line by line, in large blocks.
//
// Line rules: a line ends at LF or CR LF, which is not part of it; a CR that is not
// followed by LF is dropped and the line goes on; the last line needs no terminator
// and a terminator at the very end does not start an empty line; a line may be of
// any length; a Ctrl-Z (0x1A) where a line would begin ends the file.
//
// The file is opened read-only and shared with other readers only: a writer that
// holds it locked makes the open fail with a sharing violation (error number 32).
// Open and read failures throw EInOutError.
class TextFile {
public:
    explicit TextFile(const std::string& path);
    ~TextFile();

    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    // True at the end of the file. Reads the next block when the data read so far
    // is used up, so it can throw EInOutError.
    bool Eof();

    // The next line, without its terminator. The view stays valid until the next
    // call of Eof() or ReadLine().
    std::string_view ReadLine();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace platform
