#include "export/folder_lock.h"

#include "export/export_error.h"
#include "model/utf8_path.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>

#include <chrono>
#include <thread>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace exporter {

namespace {

[[noreturn]] void cannotLock(const std::string& file, const std::string& reason)
{
    throw ExportError(ExportFailure::Failed, "cannot lock " + file + ": " + reason);
}

} // namespace

#ifdef _WIN32

// Opened without sharing, the file is the lock; the system deletes it when the handle closes.
FolderLock::FolderLock(const std::string& folder, const std::function<void()>& onWait)
    : m_file(utf8Text(utf8Path(folder) / folderLockName))
{
    bool told = false;
    int denied = 0;
    while (true) {
        const HANDLE handle =
            CreateFileW(utf8Path(m_file).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            m_handle = handle;
            return;
        }
        const DWORD error = GetLastError();
        // Access is denied for a moment while the holder's file is being deleted, for good in a
        // folder that takes no new file.
        if (error == ERROR_ACCESS_DENIED && ++denied > 50) {
            throw ExportError(ExportFailure::BadRequest,
                              "cannot write into the output folder " + folder + ": access denied");
        }
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) {
            cannotLock(m_file, "system error " + std::to_string(error));
        }
        if (!told && error == ERROR_SHARING_VIOLATION) {
            onWait();
            told = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

FolderLock::~FolderLock()
{
    CloseHandle(static_cast<HANDLE>(m_handle));
}

#else

FolderLock::FolderLock(const std::string& folder, const std::function<void()>& onWait)
    : m_file(utf8Text(utf8Path(folder) / folderLockName))
{
    bool told = false;
    while (true) {
        m_fd = ::open(m_file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (m_fd < 0) {
            // The first file a run makes in the folder: a folder that takes none is the request's.
            throw ExportError(ExportFailure::BadRequest, "cannot write into the output folder " +
                                                             folder + ": " + std::strerror(errno));
        }
        int locked = ::flock(m_fd, LOCK_EX | LOCK_NB);
        if (locked != 0 && errno == EWOULDBLOCK) {
            if (!told) {
                onWait();
                told = true;
            }
            do {
                locked = ::flock(m_fd, LOCK_EX);
            } while (locked != 0 && errno == EINTR);
        }
        if (locked != 0) {
            const int reason = errno;
            ::close(m_fd);
            cannotLock(m_file, std::strerror(reason));
        }
        // The holder before removes the file as it lets go: a lock on the removed file would be
        // no lock at all, so it is taken again on the file the name now stands for.
        struct stat held {};
        struct stat named {};
        if (::fstat(m_fd, &held) == 0 && ::stat(m_file.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            return;
        }
        ::close(m_fd);
    }
}

FolderLock::~FolderLock()
{
    ::unlink(m_file.c_str());
    ::close(m_fd);
}

#endif

} // namespace exporter
