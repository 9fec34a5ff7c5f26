#include "drawing/files/atomic_file.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

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
    // The temporary name must fit where the target's does: a name near the limit of 255 bytes
    // gives up its end, cut between characters, rather than fail for want of room.
    constexpr std::size_t nameLimit = 255;
    constexpr std::string_view suffix = ".tmpXXXXXX";
    const std::size_t nameStart = target.find_last_of('/') + 1;
    std::size_t keep = target.size();
    if (keep - nameStart + suffix.size() > nameLimit) {
        keep = nameStart + nameLimit - suffix.size();
        while (keep > nameStart && (static_cast<unsigned char>(target[keep]) & 0xC0) == 0x80) {
            --keep;
        }
    }
    std::string pattern = target.substr(0, keep) + std::string(suffix);
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
    errno = 0;
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
        const int reason = errno; // the failed step's, not the clean-up's
        std::remove(temp.c_str());
        errno = reason;
    }
    return ok;
}

bool PendingFile::write(const std::string& target, std::string_view content)
{
    drop();
    errno = 0;
    std::string temp;
    if (!createTemporary(target, temp)) {
        return false;
    }
    std::FILE* file = std::fopen(temp.c_str(), "wb");
    bool ok =
        file != nullptr && std::fwrite(content.data(), 1, content.size(), file) == content.size();
    if (file != nullptr) {
        ok = std::fclose(file) == 0 && ok;
    }
    ok = ok && flushToDisk(temp);
    if (!ok) {
        const int reason = errno;
        std::remove(temp.c_str());
        errno = reason;
        return false;
    }
    m_target = target;
    m_temp = temp;
    return true;
}

bool PendingFile::commit()
{
    errno = 0;
    if (m_temp.empty() || !replace(m_temp, m_target)) {
        const int reason = errno;
        drop();
        errno = reason;
        return false;
    }
    m_temp.clear();
    return true;
}

void PendingFile::drop()
{
    if (!m_temp.empty()) {
        std::remove(m_temp.c_str());
        m_temp.clear();
    }
}

std::string cannotWriteText(const std::string& file)
{
    const int reason = errno;
    return "cannot write " + file + (reason != 0 ? ": " + std::string(std::strerror(reason)) : "");
}

bool isTemporaryName(std::string_view name)
{
    // POSIX: ".tmp" and mkstemp's six letters or digits; Windows: ".tmp", process, "_", ticks.
    const std::size_t tmp = name.rfind(".tmp");
    if (tmp == std::string_view::npos) {
        return false;
    }
    const std::string_view tail = name.substr(tmp + 4);
    const auto alphanumeric = [](char ch) {
        return (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
    };
    const auto digits = [](std::string_view text) {
        return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
    };
    const std::size_t underscore = tail.find('_');
    return (tail.size() == 6 && std::all_of(tail.begin(), tail.end(), alphanumeric)) ||
           (underscore != std::string_view::npos && digits(tail.substr(0, underscore)) &&
            digits(tail.substr(underscore + 1)));
}

void ignoreFileSizeSignal()
{
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

} // namespace drawing
