#pragma once

// Child processes for what a test cannot undo in its own process: giving up root,
// lowering the descriptor limit.

#include <functional>
#include <string>

#if !defined(_WIN32)
#include <cerrno>
#include <cstring>

#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace test_files {

#if defined(_WIN32)

// Windows has no fork(), and the Windows cases restrict nothing: `restrict` and
// `body` run in this process.
inline std::string RunRestricted(const std::function<std::string()>& restrict,
                                 const std::function<std::string()>& body)
{
    if (std::string problem = restrict(); !problem.empty())
        return problem;
    return body();
}

#else

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

// Runs `restrict` and then `body` in a child process, so that what `restrict` takes
// away from the process (root, descriptors) stays taken from the child only.
inline std::string RunRestricted(const std::function<std::string()>& restrict,
                                 const std::function<std::string()>& body)
{
    return RunInChildProcess([&]() -> std::string {
        if (std::string problem = restrict(); !problem.empty())
            return problem;
        return body();
    });
}

#endif

} // namespace test_files
