// The profile functions on any file content: a value written reads back as written (trimmed, outer
// quotes dropped, cut at the value limit, through the code page), every other key of the file keeps
// its value, and integer reads of every key are safe. Input: section 0x01 key 0x01 value 0x01 file.
#include "model/cp1251.h"
#include "ui/profile_file.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>

#include "scratch_folder.h"
#include <utility>
#include <vector>

namespace {

void check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

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

// Case folding of the Windows-1251 letters by their Unicode code points, independent of the
// byte tables of the profile code.
std::u32string folded(std::string_view cp1251Name)
{
    std::u32string out;
    const std::string utf8 = cp1251ToUtf8(trimmed(cp1251Name));
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        char32_t cp = lead;
        std::size_t length = 1;
        if (lead >= 0xE0) {
            cp = lead & 0x0F;
            length = 3;
        } else if (lead >= 0xC0) {
            cp = lead & 0x1F;
            length = 2;
        }
        for (std::size_t k = 1; k < length; ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        i += length;
        if (cp >= 'A' && cp <= 'Z') {
            cp += 0x20;
        } else if (cp >= 0x0410 && cp <= 0x042F) {
            cp += 0x20;
        } else if (cp >= 0x0400 && cp <= 0x040F) {
            cp += 0x50;
        } else if (cp == 0x0490) {
            cp = 0x0491;
        }
        out += cp;
    }
    return out;
}

struct Entry {
    std::string section; // raw bytes
    std::string key;
};

// Every key line that stands in a section, as a reader of profile files sees them.
std::vector<Entry> entriesOf(std::string_view bytes)
{
    std::vector<Entry> entries;
    std::optional<std::string> section;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) {
            end = bytes.size();
        }
        std::string_view line = bytes.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const std::string_view bare = trimmed(line);
        if (bare.size() >= 2 && bare.front() == '[' && bare.find(']') != std::string_view::npos) {
            section = std::string(bare.substr(1, bare.find(']') - 1));
        } else if (section && line.find('=') != std::string_view::npos) {
            entries.push_back({*section, std::string(line.substr(0, line.find('=')))});
        }
    }
    return entries;
}

// Splits the input at 0x01 into exactly four parts.
std::optional<std::vector<std::string_view>> parts(std::string_view input)
{
    std::vector<std::string_view> out;
    for (int i = 0; i < 3; ++i) {
        const std::size_t at = input.find('\x01');
        if (at == std::string_view::npos) {
            return std::nullopt;
        }
        out.push_back(input.substr(0, at));
        input.remove_prefix(at + 1);
    }
    out.push_back(input);
    return out;
}

// A file of this process's own, rewritten for every input (see scratch_folder.h).
const std::string& scratchFile()
{
    static const std::string path =
        scratchFolder() + "/quorvel-fuzz-profile-" + std::to_string(getpid()) + ".ini";
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto input = parts(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!input) {
        return 0;
    }
    const std::string_view section = (*input)[0];
    const std::string_view key = (*input)[1];
    const std::string_view value = (*input)[2];
    const std::string_view content = (*input)[3];
    // Names and values that a profile line cannot hold are outside the functions' contract.
    const auto holdsLineEnd = [](std::string_view text) {
        return text.find_first_of("\r\n") != std::string_view::npos;
    };
    if (holdsLineEnd(section) || holdsLineEnd(key) || holdsLineEnd(value) ||
        section.find(']') != std::string_view::npos || key.find('=') != std::string_view::npos ||
        trimmed(key).starts_with('[')) {
        return 0;
    }

    const std::string& file = scratchFile();
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
    }
    const std::string missing = "\x02missing";
    const std::vector<Entry> entries = entriesOf(content);
    std::vector<std::string> before;
    for (const Entry& entry : entries) {
        const std::string s = cp1251ToUtf8(entry.section);
        const std::string k = cp1251ToUtf8(entry.key);
        before.push_back(GetPrivateProfileString(s, k, missing, file));
        (void)GetPrivateProfileInt(s, k, -1, file);
    }

    check(WritePrivateProfileString(section, key, value, file));

    const std::string stored = utf8ToCp1251(value);
    std::string_view written = trimmed(stored);
    if (written.size() >= 2 && written.front() == '"' && written.back() == '"') {
        written = written.substr(1, written.size() - 2);
    }
    const std::string expected = cp1251ToUtf8(written.substr(0, profileValueLimit));
    check(GetPrivateProfileString(section, key, missing, file) == expected);

    const std::u32string wantedSection = folded(utf8ToCp1251(section));
    const std::u32string wantedKey = folded(utf8ToCp1251(key));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (folded(entries[i].section) == wantedSection && folded(entries[i].key) == wantedKey) {
            continue;
        }
        check(GetPrivateProfileString(cp1251ToUtf8(entries[i].section),
                                      cp1251ToUtf8(entries[i].key), missing, file) == before[i]);
    }
    return 0;
}
