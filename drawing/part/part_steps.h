#pragma once
// What both part builds decide alike about a thread or a chamfer, from numbers either build can
// measure on its part, so that both accept the same steps, refuse the others with the same words
// and name threads alike.

#include "drawing/cad_drawing.h"

#include <optional>
#include <string>
#include <vector>

namespace drawing {

// A thread marked on the outer cylinder.
struct ThreadStretch {
    std::string name; // "thread 1: 12 mm"
    double from;      // along the axis, from <= to
    double to;
};

// A new thread from an end face at `at` along the axis, running `inward` (+1 or -1) into a part
// that reaches `whole` beyond the face: its stretch, named after the threads already there, and
// where it ends. length none: the whole way. Throws ModelingError when the length is not positive
// or longer than whole by more than tolerance.
struct NewThread {
    ThreadStretch stretch;
    double length;
    double end;
};
NewThread newThread(const std::vector<ThreadStretch>& threads, double at, double inward,
                    double whole, std::optional<double> length, double tolerance);

// Throws ModelingError when the chamfer size is not positive or no end face is picked.
void checkChamfer(const std::vector<Vec2>& endFacePicks, double size);

// Throws ModelingError when the chamfer is not smaller than the picked rim's radius.
void checkChamferOnRim(double size, double rimRadius);

// The reason given when the chamfers do not fit on the part.
std::string chamferDoesNotFit(double size);

} // namespace drawing
