#pragma once
// The parts list of the studs placed in a drawing: one line per designation with the quantities
// summed, in the order the drawing standards give the section «Стандартные изделия» (by name
// alphabetically, then by the standard's number, then by the main sizes), and its masses.

#include "cad/stud_block.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One placed stud as the drawing holds it: its sizes from the extended data and the texts of its
// parts-list attributes, which the designer may have edited.
struct PlacedStud {
    StoredStud stored;
    std::string name;     // NAME, the designation
    std::string quantity; // QTY
    std::string mass;     // MASS, kg per piece ("0,0927"); empty when unknown
    std::string position; // POS
    std::string handle;   // read only when QTY is no positive whole number; empty otherwise
};

// A quantity as a designer writes it: a positive whole number of at most 9 digits, blanks around
// it allowed ("4", " 12 "); none for anything else ("", "0", "-1", "2.5", "четыре").
[[nodiscard]] std::optional<long long> positiveQuantity(std::string_view text);

// A stud whose QTY was no positive whole number: it counts as one.
struct QuantityFault {
    std::string handle;
    std::string name;
    std::string text; // the QTY as found
};

struct PartsListLine {
    std::string position; // the studs' POS values, each once, joined by ", "
    std::string name;
    long long quantity = 0;
    std::optional<double> pieceMass; // kg; none when unknown or when the studs' masses differ
    std::optional<double> mass;      // kg of all its studs; none when one of them has none
};

struct PartsList {
    std::vector<PartsListLine> lines;
    double totalMass = 0;      // kg, of the lines that have a mass
    bool totalComplete = true; // every line has a mass
    std::vector<QuantityFault> quantityFaults;
};

[[nodiscard]] PartsList partsList(const std::vector<PlacedStud>& studs);

// The texts of the command «Спецификация…».
inline constexpr std::string_view specSection = "Стандартные изделия";
inline constexpr std::string_view noStudsText =
    "В пространстве модели чертежа нет шпилек, начерченных этой программой блоком.\r\n"
    "Спецификация не составлена.";
inline constexpr std::string_view placeSpecQuestion = "Поместить спецификацию в чертёж?";
inline constexpr std::string_view specPointPrompt = "Точка вставки спецификации:";

// The warning for studs whose QTY is no positive whole number, one line for each:
// "Шпилька М12×100 ГОСТ 22032-76, блок 2F: «четыре»".
[[nodiscard]] std::string quantityFaultText(const std::vector<QuantityFault>& faults);
