#include "drawing/part/part_steps.h"

#include "drawing/part/part_solid.h"
#include "model/number_text.h"

#include <algorithm>

namespace drawing {

NewThread newThread(const std::vector<ThreadStretch>& threads, double at, double inward,
                    double whole, std::optional<double> length, double tolerance)
{
    double threadLength = whole;
    if (length) {
        if (!(*length > 0)) {
            throw ModelingError("the thread length " + numberText(*length) + " is not positive");
        }
        if (*length > whole + tolerance) {
            throw ModelingError("the thread length " + numberText(*length) +
                                " is longer than the part (" + numberText(whole) + ")");
        }
        threadLength = std::min(*length, whole);
    }
    const double end = at + inward * threadLength;
    return {
        {"thread " + std::to_string(threads.size() + 1) + ": " + numberText(threadLength) + " mm",
         std::min(at, end), std::max(at, end)},
        threadLength,
        end};
}

void checkChamfer(const std::vector<Vec2>& endFacePicks, double size)
{
    if (!(size > 0)) {
        throw ModelingError("the chamfer size " + numberText(size) + " is not positive");
    }
    if (endFacePicks.empty()) {
        throw ModelingError("no end face is picked");
    }
}

void checkChamferOnRim(double size, double rimRadius)
{
    if (size >= rimRadius) {
        throw ModelingError("the chamfer " + numberText(size) + " is not smaller than the radius " +
                            numberText(rimRadius));
    }
}

std::string chamferDoesNotFit(double size)
{
    return "the chamfer " + numberText(size) + " does not fit on the part";
}

} // namespace drawing
