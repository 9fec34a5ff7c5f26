#pragma once
// A stud placed as a part: the block of its size, the parts-list attributes of one placement and
// the sizes stored on the block reference as extended data, so that the stud can be reopened.

#include "cad/automation.h"
#include "model/stud_standard.h"

#include <optional>
#include <string>
#include <vector>

// The registered application whose extended data carries a stud's sizes.
inline constexpr const char* studApplication = "QUORVEL";

// What a placed stud keeps of itself; lengths in mm. L as the standard lists it (without the
// screw-in end), P 0 when unknown (a free d that is not in the tables).
struct StoredStud {
    std::string standard; // the catalogue's number, "22032-76"
    double d = 0;
    double L = 0;
    double b = 0;
    double b1 = 0;
    double c = 0;
    double P = 0;
    bool freeDimensions = false;
    bool solid = false; // the solid of the object model, not the 2D side view

    friend bool operator==(const StoredStud&, const StoredStud&) = default;
};

// One attribute of the block: its tag, the prompt of its definition and this placement's value.
struct StudAttribute {
    std::string tag;
    std::string prompt;
    std::string value;
};

struct StudBlock {
    std::string name; // ASCII, model/stud_designation.h
    std::vector<StudAttribute> attributes;
    StoredStud stored;
};

// The block of a stud of that family: its name (with "_3D" after it for the solid), and NAME (the
// designation), STANDARD, SECTION, QTY "1", MASS (kg per piece, "0,0927"; empty when the sizes give
// no mass) and POS (empty: the designer numbers positions).
[[nodiscard]] StudBlock studBlock(const StoredStud& stud, StudFamily family);

// The extended data of a stud: type codes and values: the application's name, the standard's
// number, the free-dimension and solid flags (0 or 1), then d, L, b, b1, c and P.
[[nodiscard]] Shorts studDataTypes();
[[nodiscard]] Variants studDataValues(const StoredStud& stud);

// The stud that extended data read back from a host describes; none when it is not this
// program's (another application, too few items, an item of the wrong kind, a standard that is
// none of the twelve, a size that is not a finite number).
[[nodiscard]] std::optional<StoredStud> storedStud(const Variants& types, const Variants& values);
