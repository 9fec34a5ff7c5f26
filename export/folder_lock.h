#pragma once
// One exporter at a time in an output folder: a run reads the library's index, adds to it and
// writes it back, and two runs at once would each write an index without the other's studs. The
// lock is a file in the folder, held open and locked by the system for the run, so that it is
// let go however the run ends, and removed by the run that held it.

#include "export/library_folder.h"

#include <functional>
#include <string>

namespace exporter {

// The lock file's name in the output folder.
inline constexpr const char* folderLockName = ".quorvel-export.lock";

class FolderLock {
  public:
    // Waits while another exporter holds the folder, calling onWait once before it waits. The
    // lock file of another user's run is locked too: locking needs no write access to it.
    // Throws ExportError: BadRequest when the folder takes no new file or the lock file is not
    // one (a folder, a link, a file that cannot be opened), saying what to do; Failed when the
    // lock file cannot be locked, naming it and why.
    FolderLock(const LibraryFolder& folder, const std::function<void()>& onWait);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

  private:
    std::string m_file; // as shown
#ifdef _WIN32
    void* m_handle = nullptr;
#else
    int m_folder = -1;
    int m_fd = -1;
#endif
};

} // namespace exporter
