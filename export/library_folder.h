#pragma once
// The output folder of a run, opened once, and the standards' folders in it, opened from it.
// Every file of the library is reached through the opened folders: a symbolic link that another
// user plants in a folder they control (a standard's folder pointing into one of the running
// user's own folders) cannot steer the run's writes and deletions there, not even one swapped in
// while the run goes on. The running user's own links are followed, as the user chose them. On
// Windows the paths are used as given.

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace exporter {

class LibraryFolder {
  public:
    // Makes the folder when missing and opens it. Throws ExportError (BadRequest) when the path is
    // not a folder, cannot be made or opened, or is a symbolic link that another user owns.
    explicit LibraryFolder(const std::string& folder);
    ~LibraryFolder();
    LibraryFolder(const LibraryFolder&) = delete;
    LibraryFolder& operator=(const LibraryFolder&) = delete;

    // The folder as given, for messages.
    [[nodiscard]] const std::string& shown() const { return m_shown; }
    // A file of the library by its path relative to the folder ("index.csv",
    // "22032-76/x.step"): the path to open it by, through the opened folders, and the path that
    // names it in messages.
    [[nodiscard]] std::string path(const std::string& relative) const;
    [[nodiscard]] std::string shown(const std::string& relative) const;
    // A message about files opened by path(), with the paths the user knows instead.
    [[nodiscard]] std::string shownText(std::string text) const;

    // Makes the folder's subfolder when missing and opens it from the folder. Throws ExportError
    // (BadRequest) as the constructor does.
    void openSubfolder(const std::string& name);

    // Throws ExportError (BadRequest) when the entry of the folder (a name in it) is a symbolic
    // link that the running user does not own: the run would read or write through it.
    void refuseForeignLink(const std::string& name) const;

    // Removes the regular files of the running user in the folder ("") or an opened subfolder
    // whose names are wanted; links are not followed, other users' files not touched.
    void removeFiles(const std::string& subfolder,
                     const std::function<bool(std::string_view name)>& wanted) const;

#ifndef _WIN32
    // The opened folder, for the lock file.
    [[nodiscard]] int handle() const
    {
        return m_handle;
    }
#endif

  private:
    std::string m_shown;
#ifndef _WIN32
    int m_handle = -1;
    std::map<std::string, int> m_subfolders; // by name
    bool m_throughHandles = false; // the system opens "/proc/self/fd/N/name" in the folder N
#endif
};

} // namespace exporter
