#pragma once

// Helpers for tests that read real files: a scratch directory that is the current
// directory while it lives, files with known bytes, and another program holding a
// file open.

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>

#if defined(_WIN32)
#include "platform/windows_api.h"
#else
#include <sys/file.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace test_files {

// A new, empty folder under the system's temporary directory, removed with all it
// holds when the object goes.
class TemporaryDirectory {
public:
    TemporaryDirectory() : path_(MakeUniqueDirectory()) {}

    ~TemporaryDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    // create_directory() fails rather than reuse a folder that exists.
    static std::filesystem::path MakeUniqueDirectory()
    {
        static std::atomic<unsigned> serial{0};
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::filesystem::path candidate =
                std::filesystem::temp_directory_path() /
                ("mxb-files-" + std::to_string(random()) + "-" + std::to_string(serial++));
            if (std::filesystem::create_directory(candidate))
                return candidate;
        }
        throw std::runtime_error("no scratch directory could be made");
    }

    std::filesystem::path path_;
};

// A temporary directory that is the current directory while it lives.
class ScratchDirectory {
public:
    ScratchDirectory()
    {
#if !defined(_WIN32)
        // Searchable by everyone, so that a child that gave up root still finds
        // its files here and meets only the permissions a test sets on purpose.
        std::filesystem::permissions(directory_.path(), std::filesystem::perms(0755));
#endif
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(directory_.path());
    }

    ~ScratchDirectory()
    {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
    }

    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::filesystem::path& path() const { return directory_.path(); }

private:
    TemporaryDirectory directory_;
    std::filesystem::path previous_;
};

inline void WriteBytes(const std::string& name, const std::string& bytes)
{
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + name);
}

// `length` bytes of printable text that changes from byte to byte, so a line that
// was cut, doubled or shifted does not compare equal by accident. Holds no CR, LF
// or Ctrl-Z.
inline std::string PatternText(std::size_t length)
{
    static constexpr char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string text(length, ' ');
    for (std::size_t i = 0; i < length; ++i)
        text[i] = alphabet[(i * 7 + i / 61) % (sizeof alphabet - 1)];
    return text;
}

// Compares long byte strings without printing megabytes when they differ.
inline ::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected)
{
    if (actual == expected)
        return ::testing::AssertionSuccess();
    std::size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at])
        ++at;
    auto excerpt = [at](const std::string& text) {
        return ::testing::PrintToString(text.substr(at, 16));
    };
    return ::testing::AssertionFailure()
           << "got " << actual.size() << " bytes, expected " << expected.size()
           << "; first difference at " << at << ": " << excerpt(actual) << " vs "
           << excerpt(expected);
}

// Another program that holds `name` open while this object lives, the way an editor
// or a writer would: for writing, or for reading and sharing it with other readers.
// On POSIX a child process under flock(); on Windows a handle of this process, since
// Windows decides sharing by each handle's access and share mode.
class FileHolder {
public:
    enum Access { Reading, Writing };

#if defined(_WIN32)
    FileHolder(const std::string& name, Access access)
    {
        handle_ = ::CreateFileA(name.c_str(), access == Writing ? GENERIC_WRITE : GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    }

    ~FileHolder()
    {
        if (handle_ != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle_);
    }

    bool Holds() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
#else
    FileHolder(const std::string& name, Access access)
    {
        const int operation = access == Writing ? LOCK_EX : LOCK_SH;
        int ready[2];
        int release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0)
            throw std::runtime_error("pipe failed");
        child_ = ::fork();
        if (child_ < 0)
            throw std::runtime_error("fork failed");
        if (child_ == 0) {
            ::close(ready[0]);
            ::close(release[1]);
            const int fd = ::open(name.c_str(), O_RDWR);
            const char outcome = fd >= 0 && ::flock(fd, operation | LOCK_NB) == 0 ? 'L' : 'F';
            (void)!::write(ready[1], &outcome, 1);
            char ignored;
            while (::read(release[0], &ignored, 1) < 0 && errno == EINTR) {
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        release_ = release[1];
        char outcome = 'F';
        while (::read(ready[0], &outcome, 1) < 0 && errno == EINTR) {
        }
        ::close(ready[0]);
        holds_ = outcome == 'L';
    }

    ~FileHolder()
    {
        ::close(release_);
        int status = 0;
        ::waitpid(child_, &status, 0);
    }

    bool Holds() const { return holds_; }

private:
    pid_t child_ = -1;
    int release_ = -1;
    bool holds_ = false;
#endif

public:
    FileHolder(const FileHolder&) = delete;
    FileHolder& operator=(const FileHolder&) = delete;
};

} // namespace test_files
