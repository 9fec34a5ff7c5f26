#pragma once
// One dimension table file read into memory: Windows-1251 lines, fixed columns.
// The file is opened, read whole and closed in the constructor; nothing stays open.

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The file could not be opened or read.
class TableFileError : public std::runtime_error {
  public:
    explicit TableFileError(const std::filesystem::path& file);
};

class TableFile {
  public:
    // Lines end with CR LF or LF; the file ends at its end or at the first Ctrl-Z (26); a last
    // line without a line end counts. Throws TableFileError.
    explicit TableFile(const std::filesystem::path& file);

    // Raw bytes of line n (counted from 0); lines past the end read as empty.
    [[nodiscard]] std::string_view rawLine(std::size_t n) const;
    // Line n decoded to UTF-8, untrimmed.
    [[nodiscard]] std::string line(std::size_t n) const;
    [[nodiscard]] std::size_t lineCount() const { return m_lines.size(); }

    // Columns first..last (counted from 1) of line n, cut from the raw bytes, trimmed of blanks
    // and control characters, decoded to UTF-8. The part past a short line's end is empty.
    [[nodiscard]] std::string field(std::size_t n, std::size_t first, std::size_t last) const;

  private:
    std::string m_bytes;
    std::vector<std::pair<std::size_t, std::size_t>> m_lines; // offset and length in m_bytes
};
