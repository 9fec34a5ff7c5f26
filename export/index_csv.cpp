#include "export/index_csv.h"

#include <utility>

namespace exporter {

namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

// The columns in file order: the header's names and the fields they fill.
constexpr std::pair<const char*, std::string IndexRow::*> columns[] = {
    {"designation", &IndexRow::designation},
    {"part_name", &IndexRow::PartName},
    {"standard", &IndexRow::standard},
    {"d", &IndexRow::d},
    {"L", &IndexRow::L},
    {"b", &IndexRow::b},
    {"b1", &IndexRow::b1},
    {"c", &IndexRow::c},
    {"P", &IndexRow::P},
    {"mass_kg_1000", &IndexRow::massKg1000},
    {"material", &IndexRow::material},
    {"step", &IndexRow::step},
    {"dxf", &IndexRow::dxf},
    {"block", &IndexRow::block},
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

// The records of a CSV text: fields split at commas outside quotes, "" inside quotes for a quote,
// records ended by CR LF or LF outside quotes.
std::vector<std::vector<std::string>> records(std::string_view text)
{
    std::vector<std::vector<std::string>> read;
    std::vector<std::string> record(1);
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (quoted) {
            if (ch == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                record.back() += '"';
                ++i;
            } else if (ch == '"') {
                quoted = false;
            } else {
                record.back() += ch;
            }
        } else if (ch == '"') {
            quoted = true;
        } else if (ch == ',') {
            record.emplace_back();
        } else if (ch == '\n' || (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            i += ch == '\r' ? 1 : 0;
            read.push_back(std::move(record));
            record.assign(1, "");
        } else {
            record.back() += ch;
        }
    }
    if (record.size() > 1 || !record.back().empty()) {
        read.push_back(std::move(record));
    }
    return read;
}

} // namespace

std::string indexCsv(const std::vector<IndexRow>& rows)
{
    std::string text(byteOrderMark);
    for (const auto& [name, member] : columns) {
        text += (member == columns[0].second ? "" : ",") + std::string(name);
    }
    text += "\r\n";
    for (const IndexRow& row : rows) {
        for (const auto& [name, member] : columns) {
            text += (member == columns[0].second ? "" : ",") + field(row.*member);
        }
        text += "\r\n";
    }
    return text;
}

std::vector<IndexRow> readIndexCsv(std::string_view text)
{
    if (text.starts_with(byteOrderMark)) {
        text.remove_prefix(byteOrderMark.size());
    }
    const std::vector<std::vector<std::string>> read = records(text);
    std::vector<IndexRow> rows;
    if (read.empty()) {
        return rows;
    }
    std::vector<std::string IndexRow::*> fieldOf; // by position; null for an unknown column
    for (const std::string& name : read.front()) {
        fieldOf.push_back(nullptr);
        for (const auto& [known, member] : columns) {
            if (name == known) {
                fieldOf.back() = member;
            }
        }
    }
    for (std::size_t r = 1; r < read.size(); ++r) {
        IndexRow row;
        for (std::size_t i = 0; i < read[r].size() && i < fieldOf.size(); ++i) {
            if (fieldOf[i] != nullptr) {
                row.*fieldOf[i] = read[r][i];
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace exporter
