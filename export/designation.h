#pragma once
// The designation of a stud for a parts list, as the stud standards write it: the short form
// "Шпилька М12×100 ГОСТ 22032-76", or with a property class the full form
// "Шпилька М16-6g×120.109 ГОСТ 22032-76" (form 1, coarse pitch, tolerance 6g, no coating).

#include <optional>
#include <string>
#include <string_view>

namespace exporter {

// The property classes a stud is made in; "10.9" is written ".109" in the designation.
[[nodiscard]] bool knownPropertyClass(std::string_view propertyClass);
// "3.6, 4.6, ..." for messages.
[[nodiscard]] std::string knownPropertyClasses();

// d and L (the length as the standard lists it) in mm, written with a decimal comma; the standard's
// number ("22032-76"). Without a property class the short form. The class must be known.
[[nodiscard]] std::string designation(double d, double L, std::string_view standardNumber,
                                      const std::optional<std::string>& propertyClass);

} // namespace exporter
