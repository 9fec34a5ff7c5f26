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
FolderLock::FolderLock(const LibraryFolder& folder, const std::function<void()>& onWait)
    : m_file(folder.shown(folderLockName))
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
            throw ExportError(ExportFailure::BadRequest, "cannot write into the output folder " +
                                                             folder.shown() + ": access denied");
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

namespace {

// A lock file that is not one: what it is, and what to do.
[[noreturn]] void unusableLock(const LibraryFolder& folder, const std::string& what)
{
    throw ExportError(ExportFailure::BadRequest, "cannot lock the output folder " + folder.shown() +
                                                     ": its lock file " +
                                                     folder.shown(folderLockName) + " " + what);
}

// Opens the lock file in the opened folder, never through a link: made when missing, read-only
// when it is another user's (a lock needs no write access).
int openLockFile(const LibraryFolder& folder)
{
    const int flags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    int fd = ::openat(folder.handle(), folderLockName, O_RDWR | O_CREAT | flags, 0666);
    if (fd < 0 && errno == EACCES) {
        fd = ::openat(folder.handle(), folderLockName, O_RDONLY | flags);
        if (fd < 0 && errno == ENOENT) {
            errno = EACCES; // no lock file, and none may be made: the folder takes no file
        } else if (fd < 0) {
            unusableLock(folder, "cannot be opened (" + std::string(std::strerror(errno)) +
                                     "); when no export into " + folder.shown() +
                                     " runs, remove it and run again");
        }
    }
    if (fd < 0) {
        const int reason = errno;
        if (reason == EISDIR) {
            unusableLock(folder, "is a folder; remove it and run again");
        }
        if (reason == ELOOP) {
            unusableLock(folder, "is a symbolic link; remove it and run again");
        }
        // The first file a run makes in the folder: a folder that takes none is the request's.
        throw ExportError(ExportFailure::BadRequest, "cannot write into the output folder " +
                                                         folder.shown() + ": " +
                                                         std::strerror(reason));
    }
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        unusableLock(folder, "is not a regular file; remove it and run again");
    }
    return fd;
}

} // namespace

FolderLock::FolderLock(const LibraryFolder& folder, const std::function<void()>& onWait)
    : m_file(folder.shown(folderLockName)), m_folder(folder.handle())
{
    bool told = false;
    while (true) {
        m_fd = openLockFile(folder);
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
        if (::fstat(m_fd, &held) == 0 &&
            ::fstatat(m_folder, folderLockName, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            return;
        }
        ::close(m_fd);
    }
}

FolderLock::~FolderLock()
{
    // Another user's lock file stays: it is theirs, and a lock file left there serves as well.
    struct stat held {};
    if (::fstat(m_fd, &held) == 0 && held.st_uid == ::geteuid()) {
        ::unlinkat(m_folder, folderLockName, 0);
    }
    ::close(m_fd);
}

#endif

} // namespace exporter
