#pragma once
// The studs to export, read from the dimension table files with the window's own rules: the
// diameter and length lists, the thread-length rule for b, the hand-over rules for the numbers
// the drawing gets, and the part name the window builds.

#include "model/dimension_tables.h"
#include "model/stud_designation.h"
#include "model/stud_dimensions.h"
#include "model/stud_standard.h"

#include <map>
#include <memory>
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
    std::string PartName;        // "Шпилька_M12x100_ГОСТ_22032-76"
    bool freeDimensions = false; // given by --free: its block's name carries b, b1 and c
};

// The part name of a stud of free dimensions, also its STEP file's name: d and L as numbers (12,
// 12.0 and 012 are one stud) and the sizes its block's name carries, so that it never takes the
// place of the table's stud of the same d and L: "Шпилька_M12x100_b40_b1-12_c1.6_ГОСТ_22032-76".
[[nodiscard]] std::string freePartName(const Stud& stud);

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

// Reads studs from the table files of one folder. Each file is read once however many standards
// and studs use it, and its rows are checked whole before any is used: a library build must not
// come out short of what a damaged table would have given.
class StudReader {
  public:
    // basePath: the table files' common beginning ("<folder>/quorvel").
    explicit StudReader(std::string basePath);

    // Throws ExportError (BadRequest) naming the file that cannot be read, is cut in the middle
    // of a row or holds a damaged row, a standard of which the tables give no stud, or the d, L
    // or free dimension that is not in the tables or not a number.
    [[nodiscard]] std::vector<Stud> read(GostIndexValue standard, const StudRequest& request);

    // What the reading met and passed over: a row listed twice (the first is used), a diameter
    // without a length row.
    [[nodiscard]] const std::vector<std::string>& warnings() const { return m_warnings; }

  private:
    const TableFile& table(const std::string& file);
    // The table with every row checked whole, once.
    const TableFile& checked(const std::string& file, const std::vector<ColumnSpan>& columns);
    void warn(const std::string& warning); // once, however many standards meet it

    std::string m_basePath;
    std::map<std::string, std::unique_ptr<const TableFile>> m_tables;
    std::map<std::string, bool> m_checked;
    std::vector<std::string> m_warnings;
};

// One standard's studs read by a StudReader of their own (warnings dropped).
[[nodiscard]] std::vector<Stud> readStuds(const std::string& basePath, GostIndexValue standard,
                                          const StudRequest& request);

} // namespace exporter
