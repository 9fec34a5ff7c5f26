#include "cad/parts_list_table.h"

#include <numbers>

namespace {

constexpr double columnWidths[] = {6, 6, 8, 70, 63, 10, 22};
constexpr std::size_t position = 2;
constexpr std::size_t name = 4;
constexpr std::size_t quantity = 5;
constexpr const char* columnNames[] = {"Формат",       "Зона", "Поз.",      "Обозначение",
                                       "Наименование", "Кол.", "Примечание"};
// The narrow columns' names are written upwards, as on the form.
constexpr bool upright[] = {true, true, true, false, false, false, false};
constexpr double headerHeight = 15;
constexpr double rowHeight = 8;
constexpr double textHeight = 3.5;
constexpr double indent = 1; // between a column's left line and a left-aligned text
constexpr double characterWidth = 0.7;

double columnLeft(std::size_t column)
{
    double left = 0;
    for (std::size_t i = 0; i < column; ++i) {
        left += columnWidths[i];
    }
    return left;
}

// The name's lines: words joined while the line fits the column; «ГОСТ» keeps its number.
std::vector<std::string> nameLines(const std::string& text, double width)
{
    std::vector<std::string> words;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t blank = text.find(' ', start);
        if (text.compare(start, blank - start, "ГОСТ") == 0 && blank != std::string::npos) {
            blank = text.find(' ', blank + 1);
        }
        if (blank != start) {
            words.push_back(text.substr(start, blank - start));
        }
        start = blank == std::string::npos ? text.size() : blank + 1;
    }
    std::vector<std::string> lines;
    for (const std::string& word : words) {
        if (!lines.empty() && estimatedWidth(lines.back() + " " + word, textHeight) <= width) {
            lines.back() += " " + word;
        } else {
            lines.push_back(word);
        }
    }
    if (lines.empty()) {
        lines.emplace_back();
    }
    return lines;
}

} // namespace

double estimatedWidth(std::string_view text, double height)
{
    std::size_t characters = 0;
    for (char ch : text) {
        characters += (static_cast<unsigned char>(ch) & 0xC0) != 0x80 ? 1 : 0;
    }
    return characterWidth * height * static_cast<double>(characters);
}

PartsListTable partsListTable(const PartsList& list, const Point& topLeft)
{
    PartsListTable table;
    // Named corner values rather than a structured binding: clang 14 cannot capture one.
    const double x0 = topLeft[0];
    const double y0 = topLeft[1];
    const double z = topLeft[2];
    const auto at = [&](double x, double y) { return Point{x0 + x, y0 + y, z}; };
    // A text centred in a column, its base line `base` below the table's top.
    const auto centred = [&](const std::string& text, std::size_t column, double base) {
        const double left =
            columnLeft(column) + (columnWidths[column] - estimatedWidth(text, textHeight)) / 2;
        table.texts.push_back({text, at(left, -base), textHeight, 0});
    };
    // The base line of a row's text, for the row whose top is `top` below the table's top.
    const auto baseOf = [](double top) { return top + rowHeight - (rowHeight - textHeight) / 2; };

    for (std::size_t column = 0; column < std::size(columnWidths); ++column) {
        const std::string text = columnNames[column];
        if (upright[column]) {
            // Turned a quarter: the base line runs up, the letters stand left of it.
            const double length = estimatedWidth(text, textHeight);
            const double x = columnLeft(column) + (columnWidths[column] + textHeight) / 2;
            const double bottom = length < headerHeight ? (headerHeight - length) / 2 : 0;
            table.texts.push_back(
                {text, at(x, -headerHeight + bottom), textHeight, std::numbers::pi / 2});
        } else {
            centred(text, column, headerHeight - (headerHeight - textHeight) / 2);
        }
    }

    double top = headerHeight;
    {
        const std::string section(specSection);
        centred(section, name, baseOf(top));
        const TableText& title = table.texts.back();
        const double under = baseOf(top) + 1;
        table.lines.push_back({at(title.at[0] - x0, -under),
                               at(title.at[0] - x0 + estimatedWidth(section, textHeight), -under)});
        top += rowHeight;
    }
    const double nameWidth = columnWidths[name] - 2 * indent;
    for (const PartsListLine& line : list.lines) {
        if (!line.position.empty()) {
            centred(line.position, position, baseOf(top));
        }
        centred(std::to_string(line.quantity), quantity, baseOf(top));
        for (const std::string& part : nameLines(line.name, nameWidth)) {
            table.texts.push_back(
                {part, at(columnLeft(name) + indent, -baseOf(top)), textHeight, 0});
            top += rowHeight;
        }
    }

    // The top, the header's bottom and each row's bottom, then the column lines top to bottom.
    const double width = columnLeft(std::size(columnWidths));
    table.lines.push_back({at(0, 0), at(width, 0)});
    for (double y = headerHeight; y <= top; y += rowHeight) {
        table.lines.push_back({at(0, -y), at(width, -y)});
    }
    for (std::size_t column = 0; column <= std::size(columnWidths); ++column) {
        table.lines.push_back({at(columnLeft(column), 0), at(columnLeft(column), -top)});
    }
    return table;
}
