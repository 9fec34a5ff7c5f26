#pragma once
// The parts list drawn as the table of the drawing standards' parts-list form: its columns Формат
// 6, Зона 6, Поз. 8, Обозначение 70, Наименование 63, Кол. 10 and Примечание 22 mm, a header row
// of 15 mm with the column names, rows of 8 mm, text 3.5 mm high. The section row «Стандартные
// изделия» (centred in Наименование and underlined) comes first, then the designations. A name too
// long for its column goes on in the next row, broken between words and never between «ГОСТ» and
// its number; its position and quantity stand in its first row.

#include "cad/automation.h"
#include "cad/parts_list.h"

#include <string>
#include <vector>

struct TableLine {
    Point from;
    Point to;
};

struct TableText {
    std::string text;
    Point at;        // the left end of its base line
    double height;   // mm
    double rotation; // radians; the narrow columns' names run upwards
};

struct PartsListTable {
    std::vector<TableLine> lines;
    std::vector<TableText> texts;
};

// The table with its top left corner at topLeft, growing down; z is kept.
[[nodiscard]] PartsListTable partsListTable(const PartsList& list, const Point& topLeft);

// How wide a text is estimated to be: a character takes 0.7 of the text's height, as in the
// lettering of the drawing standards. Used to centre texts and to break long names.
[[nodiscard]] double estimatedWidth(std::string_view text, double height);
