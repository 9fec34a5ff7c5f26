#pragma once
// Replaces a file whole or not at all: the new content is written to a temporary file in the same
// folder, flushed to the disk and renamed over the target, so that a crash, a full disk or a
// failing writer never leaves the target cut short; on any failure the old file stays untouched.

#include <functional>
#include <string>
#include <string_view>

namespace drawing {

// write() fills the temporary file named by its argument (it may open it by name) and returns
// whether it succeeded; complete() may then check the written content before it replaces the
// target. False when anything fails; the temporary file is removed then, and errno keeps the
// failed step's reason (0 when none was given). The temporary name is the target's with ".tmp" and
// a unique ending, its name cut short where that would pass the name length limit.
[[nodiscard]] bool
writeFileAtomically(const std::string& target,
                    const std::function<bool(const std::string& tempFile)>& write,
                    const std::function<bool(const std::string& tempFile)>& complete = {});

// A file's new content written beside it now and put in its place later, so that a caller can
// know that the file can be written before it changes anything else. A file not put in place is
// removed.
class PendingFile {
  public:
    PendingFile() = default;
    ~PendingFile() { drop(); }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Writes the content to a temporary file beside the target, named as writeFileAtomically
    // names its own, and flushes it to the disk. False when that fails; errno keeps the reason
    // and nothing is left.
    [[nodiscard]] bool write(const std::string& target, std::string_view content);
    // Renames the written file over the target. False when that fails; errno keeps the reason
    // and the written file is removed.
    [[nodiscard]] bool commit();
    // Removes the written file, if it was not put in place.
    void drop();

  private:
    std::string m_target;
    std::string m_temp; // empty when none is waiting
};

// "cannot write <file>", with the system's reason when errno holds one: call it right after the
// failed write ("No space left on device", "File too large", "Is a directory", ...).
[[nodiscard]] std::string cannotWriteText(const std::string& file);

// Whether a file name (without its folder) is one writeFileAtomically gives its temporary files:
// one left by a program killed in the middle of a write may be removed.
[[nodiscard]] bool isTemporaryName(std::string_view name);

// For a program that saves files, called once at its start: a write beyond the file-size limit
// (ulimit -f) then fails with EFBIG and is reported like any failed write, instead of the signal
// SIGXFSZ ending the program with a temporary file left behind. Nothing where no such signal is.
void ignoreFileSizeSignal();

} // namespace drawing
