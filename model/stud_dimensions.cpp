#include "model/stud_dimensions.h"

#include "model/number_text.h"

#include <cmath>

std::optional<std::string> threadLengthText(std::string_view tableB, double d, double L,
                                            std::string_view pitchText, StudFamily family)
{
    if (tableB != "0") {
        return std::string(tableB);
    }
    if (family == StudFamily::PlainHole) {
        return std::string(fullThreadMarker);
    }
    const std::optional<double> P = parseNumber(pitchText);
    if (!P) {
        return std::nullopt;
    }
    return numberText(L - 0.5 * d - 2 * *P);
}

HandOverResult handOver(StudFamily family, bool freeDimensions, const FieldTexts& fields)
{
    const std::string& b1Text = family == StudFamily::PlainHole ? fields.eB : fields.eB1;
    const std::optional<double> d = parseNumber(freeDimensions ? fields.eDiam : fields.cbDiam);
    const std::optional<double> L = parseNumber(freeDimensions ? fields.eLenght : fields.cbLenght);
    if (!d || !L) {
        return ConversionFailed{};
    }
    double b = 0;
    double b1 = 0;
    if (fields.eB == fullThreadMarker) {
        b = *L * 0.5;
        b1 = *L * 0.5;
    } else {
        const std::optional<double> bValue = parseNumber(fields.eB);
        const std::optional<double> b1Value = parseNumber(b1Text);
        if (!bValue || !b1Value) {
            return ConversionFailed{};
        }
        b = *bValue;
        b1 = *b1Value;
    }
    const std::optional<double> c = parseNumber(fields.eC);
    if (!c) {
        return ConversionFailed{};
    }
    // Each value is tested on its own: a product of tiny values could underflow to zero.
    if (*d == 0 || *L == 0 || b == 0 || b1 == 0 || *c == 0) {
        return ZeroValue{};
    }
    const double overall = family == StudFamily::ScrewIn ? *L + b1 : *L;
    // Finite values can add up to infinity: the overall length, and the zoom window and the axis
    // line that reach d and c beyond it. No text of such a size could go to the CAD host.
    if (!std::isfinite(overall) || !std::isfinite(overall + *d) || !std::isfinite(overall + *c)) {
        return ConversionFailed{};
    }
    return HandOver{*d, *L, overall, b, b1, *c};
}

std::string partName(std::string_view d, std::string_view L, std::string_view standardNumber)
{
    return "Шпилька_M" + std::string(d) + "x" + std::string(L) + "_ГОСТ_" +
           std::string(standardNumber);
}
