#pragma once

// Helpers for tests that read real files: a scratch directory that is the current
// directory while it lives, and child processes for what cannot be undone in the
// test process (dropping root, lowering the descriptor limit, holding a lock).

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include <grp.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

namespace test_files {

class ScratchDirectory {
public:
    ScratchDirectory()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "mxb-files-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed: " + std::string(std::strerror(errno)));
        path_ = pattern;
        // Searchable by everyone, so that a child that gave up root still finds
        // its files here and meets only the permissions a test sets on purpose.
        std::filesystem::permissions(path_, std::filesystem::perms(0755));
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
    }

    ~ScratchDirectory()
    {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
        std::filesystem::remove_all(path_, ignored);
    }

    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

private:
    std::filesystem::path path_;
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

// Runs `body` in a forked child and returns the text it produced. A child that
// throws or dies says so in the text instead.
inline std::string RunInChildProcess(const std::function<std::string()>& body)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return "pipe failed";
    const pid_t child = ::fork();
    if (child < 0)
        return "fork failed";
    if (child == 0) {
        ::close(channel[0]);
        std::string text;
        try {
            text = body();
        } catch (const std::exception& error) {
            text = std::string("unexpected exception: ") + error.what();
        } catch (...) {
            text = "unexpected exception";
        }
        const char* data = text.data();
        std::size_t left = text.size();
        while (left > 0) {
            const ssize_t written = ::write(channel[1], data, left);
            if (written <= 0)
                break;
            data += written;
            left -= static_cast<std::size_t>(written);
        }
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string text;
    char buffer[4096];
    ssize_t count = 0;
    while ((count = ::read(channel[0], buffer, sizeof buffer)) != 0) {
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            break;
        text.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFSIGNALED(status))
        return "child died of signal " + std::to_string(WTERMSIG(status));
    return text;
}

// For a child process: become "nobody" when running as root, which CI does, so
// that file permissions apply. Without root they apply already. Returns an error
// text, or an empty string.
inline std::string DropRootPrivileges()
{
    if (::geteuid() != 0)
        return {};
    constexpr uid_t nobody = 65534;
    if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0)
        return std::string("cannot give up root: ") + std::strerror(errno);
    return {};
}

// For a child process: lowers the descriptor limit so that the next open fails
// with EMFILE. Returns an error text, or an empty string.
inline std::string ExhaustFileDescriptors()
{
    const int lowestFree = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (lowestFree < 0)
        return "cannot open /dev/null";
    ::close(lowestFree);
    const rlimit limit{static_cast<rlim_t>(lowestFree), static_cast<rlim_t>(lowestFree)};
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0)
        return std::string("setrlimit failed: ") + std::strerror(errno);
    return {};
}

// Another process that holds `name` under flock(`operation`) while this object
// lives, the way a cooperating editor or writer would.
class LockHoldingProcess {
public:
    LockHoldingProcess(const std::string& name, int operation)
    {
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
        locked_ = outcome == 'L';
    }

    ~LockHoldingProcess()
    {
        ::close(release_);
        int status = 0;
        ::waitpid(child_, &status, 0);
    }

    LockHoldingProcess(const LockHoldingProcess&) = delete;
    LockHoldingProcess& operator=(const LockHoldingProcess&) = delete;

    bool Locked() const { return locked_; }

private:
    pid_t child_ = -1;
    int release_ = -1;
    bool locked_ = false;
};

} // namespace test_files
