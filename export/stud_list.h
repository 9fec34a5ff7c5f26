#pragma once
// The studs to export, read from the dimension table files with the window's own rules: the
// diameter and length lists, the thread-length rule for b, the hand-over rules for the numbers
// the drawing gets, and the part name the window builds.

#include "model/stud_designation.h"
#include "model/stud_dimensions.h"
#include "model/stud_standard.h"

#include <optional>
#include <string>
#include <vector>

namespace exporter {

struct Stud {
    GostIndexValue standardIndex = 0;
    std::string standard; // the catalogue's number, "22032-76"
    // The texts as the window's fields would hold them (b after the thread-length rule).
    std::string dText;
    std::string LText;
    std::string bText;
    std::string b1Text;
    std::string cText;
    std::string PText; // empty when the pitch is unknown (a free d that is not in the table)
    HandOver numbers{};
    std::string PartName; // "Шпилька_M12x100_ГОСТ_22032-76"
    std::size_t row = 0;  // position in the standard's DXF grid: d, then L
    std::size_t column = 0;
};

// The sizes the stud's designation and block name are made from; refers to stud's texts.
[[nodiscard]] DesignatedStud designatedStud(const Stud& stud);

// What the user asked for.
struct StudRequest {
    std::optional<std::string> d; // one stud; none: every stud of the standard
    std::optional<std::string> L;
    bool free = false; // free dimensions: d and L need not be in the tables; b, b1, c as given
    std::optional<std::string> b;
    std::optional<std::string> b1;
    std::optional<std::string> c;
};

// The catalogue index of "22032-76"; none for an unknown number.
[[nodiscard]] std::optional<GostIndexValue> standardIndexOf(const std::string& number);

// basePath: the table files' common beginning ("<folder>/quorvel"). Throws ExportError naming
// the file that cannot be read, or the d, L or free dimension that is not in the tables or not a
// number.
[[nodiscard]] std::vector<Stud> readStuds(const std::string& basePath, GostIndexValue standard,
                                          const StudRequest& request);

} // namespace exporter
