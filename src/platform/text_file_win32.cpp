#include "text_file.h"

#include "errors.h"
#include "text_file_native.h"

#include "windows_api.h"

namespace platform {

namespace {

// The program's input/output error number for a GetLastError value. Windows error
// numbers are the program's numbers as they are: 2 file not found, 3 path not found,
// 4 too many open files, 5 access denied (also a directory opened as a file),
// 32 sharing violation (a writer has the file open).
int InOutErrorNumber(DWORD systemError)
{
    return static_cast<int>(systemError);
}

[[noreturn]] void ThrowInOutError(DWORD systemError)
{
    const int errorCode = InOutErrorNumber(systemError);
    throw EInOutError(errorCode, InOutErrorMessage(errorCode));
}

HANDLE ToHandle(native::FileHandle file)
{
    return reinterpret_cast<HANDLE>(file);
}

} // namespace

// A directory of the catalogue's name is no catalogue.
bool FileExists(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

namespace native {

FileHandle OpenSharedForReading(const std::string& path)
{
    // FILE_SHARE_READ without FILE_SHARE_WRITE: other readers may open the file
    // meanwhile, a writer may not, and a writer that has it open already makes
    // this open fail with ERROR_SHARING_VIOLATION.
    const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        ThrowInOutError(::GetLastError());
    return reinterpret_cast<FileHandle>(file);
}

std::size_t ReadBlock(FileHandle file, char* buffer, std::size_t size)
{
    // ReadFile counts in DWORDs; the blocks are far below that limit.
    const DWORD wanted = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
    DWORD count = 0;
    if (!::ReadFile(ToHandle(file), buffer, wanted, &count, nullptr)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_HANDLE_EOF)
            return 0;
        ThrowInOutError(error);
    }
    return count;
}

void CloseFile(FileHandle file) noexcept
{
    ::CloseHandle(ToHandle(file));
}

} // namespace native

} // namespace platform
