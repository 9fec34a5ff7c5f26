#pragma once
// The parts list as a file for a spreadsheet program set to Russian: UTF-8 with a byte-order mark
// (without it the Cyrillic is read in the system's code page), fields parted by ";" (the comma is
// the decimal separator there), lines ended by CR LF, masses with a decimal comma. A header line,
// one line per designation, and a last line with the total mass.

#include "cad/parts_list.h"

#include <string>

// Поз.;Наименование;Кол.;Масса 1 шт., кг;Масса, кг;Примечание
[[nodiscard]] std::string partsListCsv(const PartsList& list);
