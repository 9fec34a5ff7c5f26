#include "drawing/files/step_text.h"

#include "model/utf8_sequence.h"

#include <vector>

namespace drawing {

namespace {

void appendHex(std::string& text, char16_t unit)
{
    const char* digits = "0123456789ABCDEF";
    for (int shift = 12; shift >= 0; shift -= 4) {
        text += digits[(unit >> shift) & 0xF];
    }
}

// The content of the string opening at written[open] as the writer meant it, and the index just
// past its closing apostrophe. Line breaks inside are the writer's wrapping and are dropped, also
// between the two apostrophes or backslashes of a pair.
std::pair<std::string, std::size_t> writtenString(std::string_view written, std::size_t open)
{
    std::string raw;
    std::size_t at = open + 1;
    const auto next = [&written](std::size_t from) {
        while (from < written.size() && written[from] == '\n') {
            ++from;
        }
        return from;
    };
    for (at = next(at); at < written.size(); at = next(at)) {
        const char ch = written[at];
        if (ch == '\'') {
            const std::size_t after = next(at + 1);
            if (after >= written.size() || written[after] != '\'') {
                return {raw, at + 1};
            }
            raw += '\'';
            at = after + 1;
        } else if (ch == '\\') {
            const std::size_t after = next(at + 1);
            const char escaped = after < written.size() ? written[after] : '\0';
            const std::size_t close = next(after + 1);
            if (escaped == '\\') {
                raw += '\\';
                at = after + 1;
            } else if ((escaped == 'N' || escaped == 'T') && close < written.size() &&
                       written[close] == '\\') {
                raw += escaped == 'N' ? '\n' : '\t';
                at = close + 1;
            } else {
                raw += '\\';
                ++at;
            }
        } else {
            raw += ch;
            ++at;
        }
    }
    return {raw, written.size()};
}

} // namespace

std::string stepString(std::string_view utf8)
{
    std::string text;
    std::vector<char16_t> run; // characters waiting for their \X2\ run
    const auto endRun = [&] {
        if (run.empty()) {
            return;
        }
        text += "\\X2\\";
        for (char16_t unit : run) {
            appendHex(text, unit);
        }
        text += "\\X0\\";
        run.clear();
    };
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t codePoint = 0xFFFD;
        const std::size_t length = decodeUtf8(utf8, at, codePoint);
        at += length == 0 ? 1 : length;
        if (length == 0) {
            codePoint = 0xFFFD;
        }
        if (codePoint >= 0x20 && codePoint <= 0x7E && codePoint != '\'') {
            endRun();
            text += static_cast<char>(codePoint);
            if (codePoint == '\\') {
                text += '\\';
            }
        } else if (codePoint > 0xFFFF) {
            const char32_t offset = codePoint - 0x10000;
            run.push_back(static_cast<char16_t>(0xD800 + (offset >> 10)));
            run.push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
        } else {
            run.push_back(static_cast<char16_t>(codePoint));
        }
    }
    endRun();
    return text;
}

std::string withStepStrings(std::string_view written)
{
    std::string text;
    text.reserve(written.size());
    for (std::size_t at = 0; at < written.size();) {
        const std::size_t open = written.find('\'', at);
        text += written.substr(at, open == std::string_view::npos ? open : open - at);
        if (open == std::string_view::npos) {
            break;
        }
        const auto [content, after] = writtenString(written, open);
        text += '\'' + stepString(content) + '\'';
        at = after;
    }
    return text;
}

} // namespace drawing
