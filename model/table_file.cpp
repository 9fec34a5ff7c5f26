#include "model/table_file.h"

#include "model/cp1251.h"
#include "model/utf8_path.h"

#include <algorithm>
#include <fstream>

TableFileError::TableFileError(const std::filesystem::path& file, const std::string& reason)
    : std::runtime_error("cannot read " + utf8Text(file) + (reason.empty() ? "" : ": " + reason)),
      m_reason(reason)
{
}

TableFile::TableFile(const std::filesystem::path& file)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(file, error);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        throw TableFileError(file, "not a regular file");
    }
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        throw TableFileError(file);
    }
    try {
        // One byte past the limit tells a file that is too large.
        char buffer[65536];
        while (stream.read(buffer, sizeof buffer) || stream.gcount() > 0) {
            m_bytes.append(buffer, static_cast<std::size_t>(stream.gcount()));
            if (m_bytes.size() > tableFileLimit) {
                throw TableFileError(file, "larger than " + std::to_string(tableFileLimit >> 20) +
                                               " MiB");
            }
        }
    } catch (const TableFileError&) {
        throw;
    } catch (const std::exception&) {
        throw TableFileError(file);
    }
    if (stream.bad()) {
        throw TableFileError(file);
    }
    const std::size_t end = std::min(m_bytes.find('\x1A'), m_bytes.size());
    const std::string_view text(m_bytes.data(), end);
    m_lastLineEnded =
        end < m_bytes.size() || text.empty() || text.back() == '\n' || text.back() == '\r';
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t lf = text.find('\n', start);
        const bool lastLine = lf == std::string_view::npos;
        if (lastLine) {
            lf = text.size();
        }
        std::string_view lineText = text.substr(start, lf - start);
        // A CR ends the line also in a last line cut short by the file's end or by Ctrl-Z:
        // the line then reads as it would with its LF.
        if (!lineText.empty() && lineText.back() == '\r') {
            lineText.remove_suffix(1);
        }
        m_lines.emplace_back(start, lineText.size());
        start = lf + 1;
    }
}

std::string_view TableFile::rawLine(std::size_t n) const
{
    if (n >= m_lines.size()) {
        return {};
    }
    return std::string_view(m_bytes).substr(m_lines[n].first, m_lines[n].second);
}

std::string TableFile::line(std::size_t n) const
{
    return cp1251ToUtf8(rawLine(n));
}

std::string TableFile::field(std::size_t n, std::size_t first, std::size_t last) const
{
    const std::string_view raw = rawLine(n);
    if (first > raw.size()) {
        return {};
    }
    std::string_view cut = raw.substr(first - 1, last - first + 1);
    const auto isBlankOrControl = [](char ch) {
        const auto byte = static_cast<unsigned char>(ch);
        return byte <= 0x20 || byte == 0x7F;
    };
    while (!cut.empty() && isBlankOrControl(cut.front())) {
        cut.remove_prefix(1);
    }
    while (!cut.empty() && isBlankOrControl(cut.back())) {
        cut.remove_suffix(1);
    }
    return cp1251ToUtf8(cut);
}
