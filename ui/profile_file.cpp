#include "ui/profile_file.h"

#include "model/cp1251.h"
#include "model/utf8_path.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char ch) { return ch == ' ' || ch == '\t' || ch == '\r'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Lower case of a Windows-1251 byte: Latin and Cyrillic letters.
char lowerByte(char ch)
{
    const auto byte = static_cast<unsigned char>(ch);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 0xC0 && byte <= 0xDF)) {
        return static_cast<char>(byte + 0x20);
    }
    switch (byte) {
    case 0xA8:
        return static_cast<char>(0xB8); // Ё
    case 0x80:
        return static_cast<char>(0x90); // Ђ
    case 0x81:
        return static_cast<char>(0x83); // Ѓ
    case 0x8A:
        return static_cast<char>(0x9A); // Љ
    case 0x8C:
        return static_cast<char>(0x9C); // Њ
    case 0x8D:
        return static_cast<char>(0x9D); // Ќ
    case 0x8E:
        return static_cast<char>(0x9E); // Ћ
    case 0x8F:
        return static_cast<char>(0x9F); // Џ
    case 0xA1:
        return static_cast<char>(0xA2); // Ў
    case 0xA3:
        return static_cast<char>(0xBC); // Ј
    case 0xA5:
        return static_cast<char>(0xB4); // Ґ
    case 0xAA:
        return static_cast<char>(0xBA); // Є
    case 0xAF:
        return static_cast<char>(0xBF); // Ї
    case 0xB2:
        return static_cast<char>(0xB3); // І
    case 0xBD:
        return static_cast<char>(0xBE); // Ѕ
    default:
        return ch;
    }
}

bool sameName(std::string_view a, std::string_view b)
{
    a = trimmed(a);
    b = trimmed(b);
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerByte(a[i]) != lowerByte(b[i])) {
            return false;
        }
    }
    return true;
}

// The file's lines (raw bytes, without line ends); no value when it cannot be read.
std::optional<std::vector<std::string>> readLines(const std::string& file)
{
    std::ifstream in(utf8Path(file), std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes;
    try {
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::exception&) {
        return std::nullopt; // a folder of that name, or an unreadable device
    }
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

std::optional<std::string_view> sectionName(std::string_view line)
{
    line = trimmed(line);
    if (line.size() >= 2 && line.front() == '[') {
        const std::size_t close = line.find(']');
        if (close != std::string_view::npos) {
            return line.substr(1, close - 1);
        }
    }
    return std::nullopt;
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> keyLine(std::string_view line)
{
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || sectionName(line)) {
        return std::nullopt;
    }
    return KeyLine{line.substr(0, equals), line.substr(equals + 1)};
}

bool writeAll(int descriptor, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Replaces the file's content by the lines (CR LF ends) through a temporary file in the same
// folder, renamed over the old one only when it has been written whole: a full disk or any other
// failure leaves the old file as it was. A link stays a link; the file it names is replaced.
bool replaceFile(const std::string& file, const std::vector<std::string>& lines)
{
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path target(file);
    if (fs::is_symlink(target, error)) {
        target = fs::weakly_canonical(target, error);
        if (error) {
            return false;
        }
    }
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    const fs::path temporary = target.parent_path() / (target.filename().string() + "." +
                                                       std::to_string(::getpid()) + ".tmp");
    ::unlink(temporary.c_str());
    const int descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                                  existed ? old.st_mode & 07777 : 0666);
    if (descriptor < 0) {
        return false;
    }
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    bool ok = writeAll(descriptor, bytes);
    if (ok && existed) {
        ok = ::fchmod(descriptor, old.st_mode & 07777) == 0 || errno == EPERM;
    }
    ok = ok && ::fsync(descriptor) == 0;
    ok = ::close(descriptor) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
    }
    return ok;
}

} // namespace

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& file)
{
    const std::string wantedSection = utf8ToCp1251(section);
    const std::string wantedKey = utf8ToCp1251(key);
    const std::optional<std::vector<std::string>> lines = readLines(file);
    if (lines) {
        bool inSection = false;
        for (const std::string& line : *lines) {
            if (const auto name = sectionName(line)) {
                inSection = sameName(*name, wantedSection);
                continue;
            }
            const std::optional<KeyLine> entry = keyLine(line);
            if (inSection && entry && sameName(entry->key, wantedKey)) {
                std::string_view value = trimmed(entry->value);
                if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
                    value = value.substr(1, value.size() - 2);
                }
                return cp1251ToUtf8(value.substr(0, profileValueLimit));
            }
        }
    }
    return std::string(defaultValue.substr(0, profileValueLimit));
}

bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& file)
{
    const std::string wantedSection = utf8ToCp1251(section);
    const std::string wantedKey = utf8ToCp1251(key);
    const std::string newLine = wantedKey + "=" + utf8ToCp1251(value);
    std::optional<std::vector<std::string>> read = readLines(file);
    std::error_code error;
    if (!read && std::filesystem::exists(file, error)) {
        return false; // a file that cannot be read must not be replaced by its one new key
    }
    std::vector<std::string> lines = std::move(read).value_or(std::vector<std::string>{});

    std::optional<std::size_t> sectionLine;
    std::optional<std::size_t> keyAt;
    std::size_t insertAt = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (const auto name = sectionName(lines[i])) {
            if (sectionLine && !keyAt) {
                break;
            }
            if (!sectionLine && sameName(*name, wantedSection)) {
                sectionLine = i;
                insertAt = i + 1;
            }
            continue;
        }
        if (sectionLine && !keyAt) {
            if (const auto entry = keyLine(lines[i]); entry && sameName(entry->key, wantedKey)) {
                keyAt = i;
                break;
            }
            if (!trimmed(lines[i]).empty()) {
                insertAt = i + 1;
            }
        }
    }
    if (keyAt) {
        lines[*keyAt] = newLine;
    } else if (sectionLine) {
        lines.insert(lines.begin() + static_cast<long>(insertAt), newLine);
    } else {
        lines.push_back("[" + wantedSection + "]");
        lines.push_back(newLine);
    }
    return replaceFile(file, lines);
}
