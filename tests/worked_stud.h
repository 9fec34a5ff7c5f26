#pragma once
// The part-modelling texts the program sends for the worked stud (d 12, L 112, b 30, b1 12,
// c 1.6 at (0, 0), PolarPoint's rounding residue included), and the small helpers the part tests
// and the STEP benchmark run them with.

#include "drawing/cad_drawing.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

// The whole stud, for a part of the given name.
inline std::vector<std::string> workedStudTexts(const std::string& partName)
{
    return {"AMDT_NEW_PART\r" + partName + "\r",
            "_PLINE\r0,0\r112,0\r112,6\r0,6\rCL\r",
            "amdt_1profile\r",
            "amrevolve\r56,0\r\r\r",
            "_amthread\r1.83697019872103E-16,3\rE\r12\r\r",
            "_amthread\r112,3\rE\r30\r\r",
            "_amchamfer\rE\r1.83697019872103E-16,3\r112,3\r\r1.6\r"};
}

inline const std::vector<std::string> workedExample = workedStudTexts("P1");

// The stud up to its revolve: no threads or chamfers yet.
inline const std::vector<std::string> revolvedStud(workedExample.begin(),
                                                   workedExample.begin() + 4);

inline drawing::CadDrawing drawn(const std::vector<std::string>& texts)
{
    drawing::CadDrawing drawing;
    for (const std::string& text : texts) {
        drawing.run(text);
    }
    return drawing;
}

// The volume of a stud of radius r and length L with a 45° chamfer c at both ends.
inline double studVolume(double r, double L, double c)
{
    const double pi = std::numbers::pi;
    return pi * r * r * L - 2 * pi * c * c * (r - c / 3);
}

// Whether a side view has the segment from a to b, either way round.
inline bool hasSegment(const std::vector<drawing::Line>& view, drawing::Vec2 a, drawing::Vec2 b)
{
    const auto near = [](drawing::Vec2 p, drawing::Vec2 q) {
        return std::abs(p.x - q.x) < 1e-9 && std::abs(p.y - q.y) < 1e-9;
    };
    return std::any_of(view.begin(), view.end(), [&](const drawing::Line& line) {
        return (near(line.from, a) && near(line.to, b)) || (near(line.from, b) && near(line.to, a));
    });
}
