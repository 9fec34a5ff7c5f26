#include "export/index_csv.h"

#include "model/cp1251.h"
#include "model/number_text.h"

#include <algorithm>
#include <utility>

namespace exporter {

namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

struct Column {
    const char* name;
    std::string IndexRow::*member;
    bool number;   // a spreadsheet may have written it with a decimal comma
    bool required; // a row cannot be taken over without it
};

// The columns in file order: the header's names and the fields they fill. material came later:
// an index written before it has steel masses.
constexpr Column columns[] = {
    {"designation", &IndexRow::designation, false, true},
    {"part_name", &IndexRow::PartName, false, true},
    {"standard", &IndexRow::standard, false, true},
    {"d", &IndexRow::d, true, true},
    {"L", &IndexRow::L, true, true},
    {"b", &IndexRow::b, true, true},
    {"b1", &IndexRow::b1, true, true},
    {"c", &IndexRow::c, true, true},
    {"P", &IndexRow::P, true, true},
    {"mass_kg_1000", &IndexRow::massKg1000, true, true},
    {"material", &IndexRow::material, false, false},
    {"step", &IndexRow::step, false, true},
    {"dxf", &IndexRow::dxf, false, true},
    {"block", &IndexRow::block, false, true},
};

std::string field(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (char ch : text) {
        quoted += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    }
    return quoted + "\"";
}

// Whether the bytes are UTF-8: a file in Windows-1251 almost never is, as its Cyrillic letters
// are all lead bytes that a letter, not a continuation byte, follows.
bool isUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const std::size_t length = byte < 0x80           ? 1
                                   : (byte >> 5) == 0x06 ? 2
                                   : (byte >> 4) == 0x0E ? 3
                                   : (byte >> 3) == 0x1E ? 4
                                                         : 0;
        if (length == 0 || i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

struct Record {
    std::vector<std::string> fields;
    std::size_t line = 0; // where it begins, from 1
};

// The records of a CSV text: fields split at the separator outside quotes, "" inside quotes for a
// quote, records ended by CR LF, LF or CR outside quotes. A quote left open is reported by the
// line it opened in, as it would swallow every row after it.
std::vector<Record> records(std::string_view text, char separator, std::size_t& openQuote)
{
    std::vector<Record> read;
    Record record{{""}, 1};
    std::size_t line = 1;
    bool quoted = false;
    std::size_t quoteLine = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (quoted) {
            if (ch == '"' && next == '"') {
                record.fields.back() += '"';
                ++i;
            } else if (ch == '"') {
                quoted = false;
            } else {
                record.fields.back() += ch; // a line break inside quotes is the field's
                line += ch == '\n' || (ch == '\r' && next != '\n') ? 1 : 0;
            }
        } else if (ch == '"') {
            quoted = true;
            quoteLine = line;
        } else if (ch == separator) {
            record.fields.emplace_back();
        } else if (ch == '\n' || ch == '\r') {
            i += ch == '\r' && next == '\n' ? 1 : 0;
            read.push_back(std::move(record));
            record = Record{{""}, ++line};
        } else {
            record.fields.back() += ch;
        }
    }
    openQuote = quoted ? quoteLine : 0;
    if (record.fields.size() > 1 || !record.fields.back().empty()) {
        read.push_back(std::move(record));
    }
    return read;
}

// A number a spreadsheet wrote with a decimal comma ("2,5", "1,6E+2") with a point; any other text
// as it stands.
std::string withDecimalPoint(std::string text)
{
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos || text.find_first_of(",.", comma + 1) != std::string::npos ||
        text.find('.') != std::string::npos) {
        return text;
    }
    std::string pointed = text;
    pointed[comma] = '.';
    return parseNumber(pointed) ? pointed : text;
}

std::string trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

} // namespace

std::string indexCsv(const std::vector<IndexRow>& rows)
{
    std::string text(byteOrderMark);
    for (const Column& column : columns) {
        text += (column.member == columns[0].member ? "" : ",") + std::string(column.name);
    }
    text += "\r\n";
    for (const IndexRow& row : rows) {
        for (const Column& column : columns) {
            text += (column.member == columns[0].member ? "" : ",") + field(row.*column.member);
        }
        text += "\r\n";
    }
    return text;
}

IndexRead readIndexCsv(std::string_view bytes)
{
    IndexRead result;
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        result.fault = "it is UTF-16 text; save it as CSV in UTF-8 or Windows-1251";
        return result;
    }
    if (bytes.find('\0') != std::string_view::npos) {
        result.fault = "it is no text";
        return result;
    }
    std::string text;
    if (bytes.starts_with(byteOrderMark)) {
        text = bytes.substr(byteOrderMark.size());
    } else if (isUtf8(bytes)) {
        text = bytes;
    } else {
        text = cp1251ToUtf8(bytes);
    }

    // The separator is the one that splits the header into the column names.
    std::vector<Record> read;
    std::size_t openQuote = 0;
    for (const char separator : {',', ';', '\t'}) {
        read = records(text, separator, openQuote);
        if (!read.empty()) {
            const std::vector<std::string>& header = read.front().fields;
            const auto named = [&](const char* name) {
                return std::any_of(header.begin(), header.end(),
                                   [&](const std::string& f) { return trimmed(f) == name; });
            };
            if (named("part_name") && named("standard")) {
                break;
            }
        }
        read.clear();
    }
    if (read.empty()) {
        result.fault = "its first line names no columns part_name and standard";
        return result;
    }
    if (openQuote != 0) {
        result.fault = "a quote opened in line " + std::to_string(openQuote) + " is not closed";
        return result;
    }
    std::vector<const Column*> columnOf; // by position; null for an unknown column
    for (const std::string& name : read.front().fields) {
        columnOf.push_back(nullptr);
        for (const Column& column : columns) {
            if (trimmed(name) == column.name) {
                if (std::find(columnOf.begin(), columnOf.end(), &column) != columnOf.end()) {
                    result.fault = "it has two columns " + std::string(column.name);
                    return result;
                }
                columnOf.back() = &column;
            }
        }
    }
    bool hasMaterial = false;
    for (const Column& column : columns) {
        const bool there = std::find(columnOf.begin(), columnOf.end(), &column) != columnOf.end();
        if (column.required && !there) {
            result.fault = "it has no column " + std::string(column.name);
            return result;
        }
        hasMaterial = hasMaterial || (there && column.member == &IndexRow::material);
    }
    for (std::size_t r = 1; r < read.size(); ++r) {
        const std::vector<std::string>& fields = read[r].fields;
        if (std::all_of(fields.begin(), fields.end(),
                        [](const std::string& f) { return f.empty(); })) {
            continue; // a blank line, or one of separators only
        }
        for (std::size_t i = columnOf.size(); i < fields.size(); ++i) {
            if (!fields[i].empty()) {
                result.fault = "line " + std::to_string(read[r].line) +
                               " has more fields than the header names";
                return result;
            }
        }
        IndexRow row;
        row.line = read[r].line;
        row.material = hasMaterial ? "" : "steel";
        for (std::size_t i = 0; i < fields.size() && i < columnOf.size(); ++i) {
            if (const Column* column = columnOf[i]) {
                row.*column->member = column->number ? withDecimalPoint(fields[i]) : fields[i];
            }
        }
        result.rows.push_back(std::move(row));
    }
    return result;
}

} // namespace exporter
