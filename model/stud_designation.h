#pragma once
// What a stud is called outside this program: its designation as the stud standards write it
// for a parts list, and the ASCII name of the block that holds one size of it in a drawing.

#include <optional>
#include <string>
#include <string_view>

// The property classes a stud is made in; "10.9" is written ".109" in the designation.
[[nodiscard]] bool knownPropertyClass(std::string_view propertyClass);
// "3.6, 4.6, ..." for messages.
[[nodiscard]] std::string knownPropertyClasses();

// The coarse pitch of the metric thread series for d in mm; none for a d outside the series.
[[nodiscard]] std::optional<double> coarsePitch(double d);

// The pitch a designation writes: P when it is a fine pitch of d; none for the coarse pitch,
// an unknown P, or a d whose coarse pitch is not known (nothing to tell the two apart by).
[[nodiscard]] std::optional<double> finePitch(double d, std::optional<double> P);

// The sizes a stud's names are made from, in mm. L as the standard lists it (without the
// screw-in end of the screw-in family). standardNumber as the catalogue has it: "22032-76".
struct DesignatedStud {
    std::string_view standardNumber;
    double d = 0;
    double L = 0;
    std::optional<double> finePitch; // see finePitch()
};

// The short form "Шпилька М12×100 ГОСТ 22032-76" (Cyrillic М, the multiplication sign, decimal
// commas), with a fine pitch "Шпилька М12×1,25×100 ГОСТ 22032-76"; with a property class the
// full form "Шпилька М16-6g×120.109 ГОСТ 22032-76" (form 1, tolerance 6g, no coating). The class
// must be known.
[[nodiscard]] std::string designation(const DesignatedStud& stud,
                                      const std::optional<std::string>& propertyClass = {});

// The sizes that a stud of free dimensions adds to its block's name; b1 none for the plain-hole
// family, whose b1 is b.
struct FreeSizes {
    double b = 0;
    std::optional<double> b1;
    double c = 0;
};

// The sizes in a name: "_b30_b1-12_c1.6" (b1's value after a hyphen: "b112" would not read back).
// The sizes must be finite.
[[nodiscard]] std::string freeSizesText(const FreeSizes& free);

// The name of the block of one stud size, in ASCII with decimal points so that every CAD
// program and DXF reader takes it: "GOST22032-76_M12x100", "GOST22032-76_M12x1.25x100", and
// with free dimensions "GOST22032-76_M12x100_b30_b1-12_c1.6" (freeSizesText). A character of the
// standard number (UTF-8) that a block name cannot carry becomes "_". The sizes must be finite.
[[nodiscard]] std::string blockName(const DesignatedStud& stud,
                                    const std::optional<FreeSizes>& free = {});
