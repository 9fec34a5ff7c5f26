#pragma once
// The numbers of one stud and the rules that derive them: the thread-length rule applied when a
// length table row is read, and the hand-over rules applied when the drawing is requested.

#include "model/stud_standard.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>

// All lengths in millimetres.
struct StudDimensions {
    double d = 0;
    double P = 0;
    double L = 0;
    double b = 0;
    double b1 = 0;
    double c = 0;
};

// "Полная": the b field's marker for a stud threaded over its whole length.
inline constexpr std::string_view fullThreadMarker = "Полная";

// The text the b field shows for a length table row: the table text unless it is exactly "0";
// then "Полная" for the plain-hole family, or the number text of L - 0.5d - 2P. Gives no value
// when P has to be converted and does not convert.
[[nodiscard]] std::optional<std::string> threadLengthText(std::string_view tableB, double d,
                                                          double L, std::string_view pitchText,
                                                          StudFamily family);

// The texts of the window's dimension fields (UTF-8).
struct FieldTexts {
    std::string cbDiam;
    std::string cbLenght;
    std::string eDiam;
    std::string eLenght;
    std::string eB;
    std::string eB1;
    std::string eC;
};

// The five numbers handed to the drawing; overallLength is L + b1 for studs with a screw-in end.
struct HandOver {
    double d;
    double L;
    double overallLength;
    double b;
    double b1;
    double c;
};
struct ConversionFailed {};
struct ZeroValue {};
using HandOverResult = std::variant<HandOver, ConversionFailed, ZeroValue>;

// Applies the hand-over rules in order. For the plain-hole family the b text stands for b1 as
// well (the window copies it into its b1 field beforehand). Negative values pass. Sizes that
// overflow (the overall length, or that length plus d or c) fail like a text that does not convert.
[[nodiscard]] HandOverResult handOver(StudFamily family, bool freeDimensions,
                                      const FieldTexts& fields);

// The name a stud's part is drawn under, with d and L as the user chose or typed them:
// "Шпилька_M12x100_ГОСТ_22032-76".
[[nodiscard]] std::string partName(std::string_view d, std::string_view L,
                                   std::string_view standardNumber);
