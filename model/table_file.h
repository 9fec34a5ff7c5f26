#pragma once
// One dimension table file read into memory: Windows-1251 lines, fixed columns.
// The file is opened, read whole and closed in the constructor; nothing stays open.

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The file could not be opened or read. what(): "cannot read <file>", then ": " and the reason
// when there is one.
class TableFileError : public std::runtime_error {
  public:
    explicit TableFileError(const std::filesystem::path& file, const std::string& reason = "");
    // "" when the file is missing or unreadable; else what is wrong with it.
    [[nodiscard]] const std::string& reason() const { return m_reason; }

  private:
    std::string m_reason;
};

// The largest table file read: thousands of times any real table, so that an endless device or a
// runaway file fails instead of taking the memory. One line costs about as much again in offsets.
constexpr std::uintmax_t tableFileLimit = 128u << 20;

class TableFile {
  public:
    // Lines end with CR LF or LF; the file ends at its end or at the first Ctrl-Z (26); a last
    // line without a line end counts. Throws TableFileError, also for what is not a regular file
    // (a FIFO would wait for a writer, a device may never end) and for a file beyond the limit.
    explicit TableFile(const std::filesystem::path& file);

    // Raw bytes of line n (counted from 0); lines past the end read as empty.
    [[nodiscard]] std::string_view rawLine(std::size_t n) const;
    // Line n decoded to UTF-8, untrimmed.
    [[nodiscard]] std::string line(std::size_t n) const;
    [[nodiscard]] std::size_t lineCount() const { return m_lines.size(); }
    // Whether the last line ends with a line end (or the file with Ctrl-Z): a file cut short
    // ends inside its last line, which then reads as whole.
    [[nodiscard]] bool lastLineEnded() const { return m_lastLineEnded; }

    // Columns first..last (counted from 1) of line n, cut from the raw bytes, trimmed of blanks
    // and control characters, decoded to UTF-8. The part past a short line's end is empty.
    [[nodiscard]] std::string field(std::size_t n, std::size_t first, std::size_t last) const;

  private:
    std::string m_bytes;
    std::vector<std::pair<std::size_t, std::size_t>> m_lines; // offset and length in m_bytes
    bool m_lastLineEnded = true;
};
