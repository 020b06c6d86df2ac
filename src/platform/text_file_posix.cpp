#include "text_file.h"

#include "errors.h"
#include "text_file_native.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// The program's input/output error number for an errno value. The numbers below
// 1000 are the ones its messages know; any other errno comes out as 1000 + errno
// ("I/O error 1005" is EIO), so the error box still tells what the system said.
int InOutErrorNumber(int systemError)
{
    switch (systemError) {
    case ENOENT:
        return 2;
    case ENAMETOOLONG:
    case ENOTDIR:
        return 3;
    case EMFILE:
    case ENFILE:
        return 4;
    case EACCES:
    case EPERM:
    // Reading a directory; the existence test already treats one as no file, so
    // this is only seen when the name changes its nature between test and open.
    case EISDIR:
        return 5;
    // Only the non-blocking shared flock() reports it here: a writer holds the
    // file locked, which Windows reports as a sharing violation.
    case EWOULDBLOCK:
        return 32;
    default:
        return 1000 + systemError;
    }
}

[[noreturn]] void ThrowInOutError(int systemError)
{
    const int errorCode = InOutErrorNumber(systemError);
    throw EInOutError(errorCode, InOutErrorMessage(errorCode));
}

} // namespace

bool FileExists(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

namespace native {

FileHandle OpenSharedForReading(const std::string& path)
{
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        ThrowInOutError(errno);

    // Readers share the file; a writer that keeps it under an exclusive lock shuts
    // us out instead of letting us read a half-written catalogue.
    while (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EINTR)
            continue;
        // A file system without lock support cannot tell us about writers either;
        // reading unlocked beats losing the catalogue.
        if (error == ENOLCK)
            break;
        ::close(fd);
        ThrowInOutError(error);
    }
    return fd;
}

std::size_t ReadBlock(FileHandle file, char* buffer, std::size_t size)
{
    ssize_t count = 0;
    do {
        count = ::read(static_cast<int>(file), buffer, size);
    } while (count < 0 && errno == EINTR);
    if (count < 0)
        ThrowInOutError(errno);
    return static_cast<std::size_t>(count);
}

void CloseFile(FileHandle file) noexcept
{
    // Closing the descriptor also drops its flock().
    ::close(static_cast<int>(file));
}

} // namespace native

} // namespace platform
