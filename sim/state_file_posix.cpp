#include "state_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kovra_sim {

namespace {

std::string SystemError(const std::string& step, const std::string& path, int error)
{
    return step + " " + path + ": " + std::strerror(error);
}

} // namespace

std::string DefaultStateDirectory()
{
    const char* stateHome = std::getenv("XDG_STATE_HOME");
    if (stateHome != nullptr && stateHome[0] == '/')
        return std::string(stateHome) + "/kovra_ox9162_sim";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return std::string(home) + "/.local/state/kovra_ox9162_sim";
    return {};
}

bool ReplaceFileAtomically(const std::string& directory, const std::string& fileName,
                           const std::string& text, std::string& error)
{
    const std::string finalPath = directory + "/" + fileName;
    // The temporary file lies in the same directory: rename() is atomic only within
    // one file system.
    std::string temporaryPath = directory + "/." + fileName + ".XXXXXX";
    const int descriptor = mkstemp(temporaryPath.data());
    if (descriptor < 0) {
        error = SystemError("cannot create a temporary file in", directory, errno);
        return false;
    }

    const auto failAndRemove = [&](const std::string& step) {
        error = SystemError(step, temporaryPath, errno);
        close(descriptor);
        unlink(temporaryPath.c_str());
        return false;
    };

    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t result = write(descriptor, text.data() + written, text.size() - written);
        if (result < 0) {
            if (errno == EINTR)
                continue;
            return failAndRemove("cannot write");
        }
        written += static_cast<std::size_t>(result);
    }
    // The data must be on the disk before the rename makes it the state file, or a
    // power cut could leave an empty file under the final name.
    if (fsync(descriptor) != 0)
        return failAndRemove("cannot flush");
    // mkstemp creates the file readable by its owner only.
    fchmod(descriptor, 0644);
    if (close(descriptor) != 0) {
        error = SystemError("cannot close", temporaryPath, errno);
        unlink(temporaryPath.c_str());
        return false;
    }
    if (rename(temporaryPath.c_str(), finalPath.c_str()) != 0) {
        error = SystemError("cannot rename to", finalPath, errno);
        unlink(temporaryPath.c_str());
        return false;
    }

    // The rename itself lives in the directory; flushing it makes the new name last.
    const int directoryDescriptor = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directoryDescriptor >= 0) {
        fsync(directoryDescriptor);
        close(directoryDescriptor);
    }
    return true;
}

} // namespace kovra_sim
