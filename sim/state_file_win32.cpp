#include "state_file.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace kovra_sim {

namespace {

std::string SystemError(const std::string& step, const std::filesystem::path& path, DWORD error)
{
    return step + " " + path.string() + ": " +
           std::system_category().message(static_cast<int>(error));
}

} // namespace

std::string DefaultStateDirectory()
{
    const char* localAppData = std::getenv("LOCALAPPDATA");
    if (localAppData == nullptr || localAppData[0] == '\0')
        return {};
    return (std::filesystem::path(localAppData) / "kovra_ox9162_sim").string();
}

bool ReplaceFileAtomically(const std::string& directory, const std::string& fileName,
                           const std::string& text, std::string& error)
{
    static std::atomic<unsigned> serial{0};
    const std::filesystem::path finalPath = std::filesystem::path(directory) / fileName;
    // In the same directory, so that the move is a rename within one volume.
    const std::filesystem::path temporaryPath =
        std::filesystem::path(directory) /
        ("." + fileName + "." + std::to_string(::GetCurrentProcessId()) + "-" +
         std::to_string(serial++) + ".tmp");

    const HANDLE file = ::CreateFileW(temporaryPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = SystemError("cannot create", temporaryPath, ::GetLastError());
        return false;
    }

    const auto failAndRemove = [&](const std::string& step) {
        error = SystemError(step, temporaryPath, ::GetLastError());
        ::CloseHandle(file);
        ::DeleteFileW(temporaryPath.c_str());
        return false;
    };

    std::size_t written = 0;
    while (written < text.size()) {
        DWORD count = 0;
        const DWORD wanted = static_cast<DWORD>(text.size() - written);
        if (!::WriteFile(file, text.data() + written, wanted, &count, nullptr))
            return failAndRemove("cannot write");
        written += count;
    }
    // On the disk before the move makes it the state file.
    if (!::FlushFileBuffers(file))
        return failAndRemove("cannot flush");
    ::CloseHandle(file);

    // Replaces the old file in one step; WRITE_THROUGH returns only once the move is
    // on the disk too.
    if (!::MoveFileExW(temporaryPath.c_str(), finalPath.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = SystemError("cannot move over", finalPath, ::GetLastError());
        ::DeleteFileW(temporaryPath.c_str());
        return false;
    }
    return true;
}

} // namespace kovra_sim
