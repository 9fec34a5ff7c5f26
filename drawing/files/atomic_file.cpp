#include "drawing/files/atomic_file.h"

#include <csignal>
#include <cstdio>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace drawing {

namespace {

// Creates an empty file beside the target with a name no other writer uses.
bool createTemporary(const std::string& target, std::string& temp)
{
#ifdef _WIN32
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        temp = target + ".tmp" + std::to_string(GetCurrentProcessId()) + "_" +
               std::to_string(GetTickCount() + attempt);
        const HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) {
            return false;
        }
    }
    return false;
#else
    std::string pattern = target + ".tmpXXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        return false;
    }
    // mkstemp makes the file private; the result gets the target's mode, or the usual one of a
    // new file.
    struct stat existing {};
    mode_t mode = 0;
    if (::stat(target.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);
    ::close(fd);
    temp = pattern;
    return true;
#endif
}

// Pushes the written content to the disk, so that a rename never points at missing data.
bool flushToDisk(const std::string& file)
{
#ifdef _WIN32
    const HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool flushed = FlushFileBuffers(handle) != 0;
    CloseHandle(handle);
    return flushed;
#else
    const int fd = ::open(file.c_str(), O_RDONLY);
    if (fd < 0) {
        return false;
    }
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
#endif
}

bool replace(const std::string& temp, const std::string& target)
{
#ifdef _WIN32
    return MoveFileExA(temp.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return std::rename(temp.c_str(), target.c_str()) == 0;
#endif
}

} // namespace

bool writeFileAtomically(const std::string& target,
                         const std::function<bool(const std::string& tempFile)>& write,
                         const std::function<bool(const std::string& tempFile)>& complete)
{
    std::string temp;
    if (!createTemporary(target, temp)) {
        return false;
    }
    bool ok = false;
    try {
        ok = write(temp) && flushToDisk(temp) && (!complete || complete(temp)) &&
             replace(temp, target);
    } catch (...) {
        std::remove(temp.c_str());
        throw;
    }
    if (!ok) {
        std::remove(temp.c_str());
    }
    return ok;
}

void ignoreFileSizeSignal()
{
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

} // namespace drawing
