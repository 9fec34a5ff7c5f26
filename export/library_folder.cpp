#include "export/library_folder.h"

#include "export/export_error.h"
#include "model/utf8_path.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace exporter {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void refuse(const std::string& message)
{
    throw ExportError(ExportFailure::BadRequest, message);
}

// The folder exists (it is made when missing) and is a folder.
void makeFolder(const std::string& folder)
{
    const fs::path path = utf8Path(folder);
    std::error_code error;
    if (fs::exists(path, error) && !fs::is_directory(path, error)) {
        refuse("the output path is not a folder: " + folder);
    }
    fs::create_directories(path, error);
    if (error) {
        refuse("cannot make the output folder " + folder + ": " + error.message());
    }
}

#ifndef _WIN32

std::string foreignLinkText(const std::string& shown)
{
    return shown + " is a symbolic link of another user; move it away or write into another folder";
}

std::string procPath(int handle)
{
    return "/proc/self/fd/" + std::to_string(handle);
}

bool isForeignLink(int parent, const char* name)
{
    struct stat entry {};
    return ::fstatat(parent, name, &entry, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(entry.st_mode) &&
           entry.st_uid != ::geteuid();
}

// Opens the folder `name` in `parent` (AT_FDCWD for a path as given): a link is followed only
// when the running user owns it.
int openFolder(int parent, const std::string& name, const std::string& shown)
{
    int handle = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    if (handle >= 0) {
        return handle;
    }
    int reason = errno;
    struct stat entry {};
    if ((reason == ELOOP || reason == ENOTDIR) &&
        ::fstatat(parent, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISLNK(entry.st_mode)) {
        if (entry.st_uid != ::geteuid()) {
            refuse(foreignLinkText(shown));
        }
        handle = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY);
        if (handle >= 0) {
            return handle;
        }
        reason = errno;
    }
    if (reason == ENOTDIR) {
        refuse("the output path is not a folder: " + shown);
    }
    refuse("cannot open the output folder " + shown + ": " + std::strerror(reason));
}

#endif

} // namespace

std::string LibraryFolder::shown(const std::string& relative) const
{
    return utf8Text(utf8Path(m_shown) / utf8Path(relative));
}

#ifdef _WIN32

LibraryFolder::LibraryFolder(const std::string& folder) : m_shown(folder)
{
    makeFolder(folder);
}

LibraryFolder::~LibraryFolder() = default;

std::string LibraryFolder::path(const std::string& relative) const
{
    return shown(relative);
}

std::string LibraryFolder::shownText(std::string text) const
{
    return text;
}

void LibraryFolder::openSubfolder(const std::string& name)
{
    makeFolder(shown(name));
}

void LibraryFolder::refuseForeignLink(const std::string&) const {}

void LibraryFolder::removeFiles(const std::string& subfolder,
                                const std::function<bool(std::string_view name)>& wanted) const
{
    std::error_code error;
    for (fs::directory_iterator entry(utf8Path(shown(subfolder)), error), end;
         !error && entry != end; entry.increment(error)) {
        if (entry->symlink_status(error).type() == fs::file_type::regular &&
            wanted(utf8Text(entry->path().filename()))) {
            fs::remove(entry->path(), error);
        }
    }
}

#else

LibraryFolder::LibraryFolder(const std::string& folder) : m_shown(folder)
{
    if (isForeignLink(AT_FDCWD, folder.c_str())) {
        refuse(foreignLinkText(folder));
    }
    makeFolder(folder);
    m_handle = openFolder(AT_FDCWD, folder, folder);
    // Files are opened by "/proc/self/fd/N/name" where the system has it: the writers take paths,
    // and such a path resolves through the opened folder, not through its name.
    struct stat opened {};
    struct stat reached {};
    m_throughHandles = ::fstat(m_handle, &opened) == 0 &&
                       ::stat(procPath(m_handle).c_str(), &reached) == 0 &&
                       opened.st_dev == reached.st_dev && opened.st_ino == reached.st_ino;
}

LibraryFolder::~LibraryFolder()
{
    for (const auto& [name, handle] : m_subfolders) {
        ::close(handle);
    }
    ::close(m_handle);
}

std::string LibraryFolder::path(const std::string& relative) const
{
    if (!m_throughHandles) {
        return shown(relative);
    }
    const std::size_t slash = relative.find('/');
    if (slash != std::string::npos) {
        if (const auto sub = m_subfolders.find(relative.substr(0, slash));
            sub != m_subfolders.end()) {
            return procPath(sub->second) + relative.substr(slash);
        }
    }
    return procPath(m_handle) + "/" + relative;
}

std::string LibraryFolder::shownText(std::string text) const
{
    if (!m_throughHandles) {
        return text;
    }
    std::vector<std::pair<std::string, std::string>> places{{procPath(m_handle) + "/", shown("")}};
    for (const auto& [name, handle] : m_subfolders) {
        places.emplace_back(procPath(handle) + "/", shown(name) + "/");
    }
    for (const auto& [opened, known] : places) {
        for (std::size_t at = text.find(opened); at != std::string::npos;
             at = text.find(opened, at + known.size())) {
            text.replace(at, opened.size(), known);
        }
    }
    return text;
}

void LibraryFolder::openSubfolder(const std::string& name)
{
    if (m_subfolders.count(name) != 0) {
        return;
    }
    if (::mkdirat(m_handle, name.c_str(), 0777) != 0 && errno != EEXIST) {
        refuse("cannot make the output folder " + shown(name) + ": " + std::strerror(errno));
    }
    m_subfolders[name] = openFolder(m_handle, name, shown(name));
}

void LibraryFolder::refuseForeignLink(const std::string& name) const
{
    if (isForeignLink(m_handle, name.c_str())) {
        refuse(foreignLinkText(shown(name)));
    }
}

void LibraryFolder::removeFiles(const std::string& subfolder,
                                const std::function<bool(std::string_view name)>& wanted) const
{
    int folder = m_handle;
    if (!subfolder.empty()) {
        const auto sub = m_subfolders.find(subfolder);
        if (sub == m_subfolders.end()) {
            return;
        }
        folder = sub->second;
    }
    // The listing gets a handle of its own: closing it closes that one.
    DIR* listing = ::fdopendir(::openat(folder, ".", O_RDONLY | O_DIRECTORY));
    if (listing == nullptr) {
        return;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(listing)) {
        if (wanted(entry->d_name)) {
            names.emplace_back(entry->d_name);
        }
    }
    ::closedir(listing);
    for (const std::string& name : names) {
        struct stat entry {};
        if (::fstatat(folder, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(entry.st_mode) && entry.st_uid == ::geteuid()) {
            ::unlinkat(folder, name.c_str(), 0);
        }
    }
}

#endif

} // namespace exporter
