#pragma once
// Hostile part commands that both part builds (solid and record) refuse with the same words,
// leaving the part as it was; run by the tests of each build.

#include "drawing/cad_drawing.h"
#include "drawing/part/part_solid.h"
#include "worked_stud.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct RefusedPartStep {
    const char* label;
    std::vector<std::string> before; // the texts that build the part
    std::string text;                // the refused one
    std::string message;
};

inline std::vector<RefusedPartStep> refusedPartSteps()
{
    const std::vector<std::string> sketched(workedExample.begin(), workedExample.begin() + 2);
    const std::vector<std::string> profiled(workedExample.begin(), workedExample.begin() + 3);
    const auto profile = [](const std::string& pline) {
        return std::vector<std::string>{"AMDT_NEW_PART\rP\r", "_PLINE\r" + pline + "CL\r",
                                        "amdt_1profile\r"};
    };
    const auto part = [&profile](const std::string& pline, const std::string& axisPick) {
        std::vector<std::string> texts = profile(pline);
        texts.push_back("amrevolve\r" + axisPick + "\r\r\r");
        return texts;
    };
    std::string teeth;
    for (int i = 0; i <= 500; ++i) {
        teeth += std::to_string(i) + ",0\r" + std::to_string(i) + "," + (i % 2 ? "1" : "2") + "\r";
    }
    const std::string shouldered = "0,0\r50,0\r50,4\r20,4\r20,8\r0,8\r";
    return {
        {"part name longer than a layer name may be",
         {},
         "AMDT_NEW_PART\r" + std::string(256, 'x') + "\r",
         "AMDT_NEW_PART: the part name is longer than 255 bytes"},
        {"profile without a part",
         {},
         "amdt_1profile\r",
         "amdt_1profile: there is no profile sketch"},
        {"open sketch",
         {"AMDT_NEW_PART\rP\r", "_PLINE\r0,0\r112,0\r112,6\r0,6\r\r"},
         "amdt_1profile\r",
         "amdt_1profile: the sketch is not closed"},
        {"revolve before the profile", sketched, "amrevolve\r56,0\r\r\r",
         "amrevolve: the sketch is not made a profile"},
        {"revolve about no edge", profiled, "amrevolve\r50,50\r\r\r",
         "amrevolve: the pick 50,50 is on no edge of the profile"},
        {"revolve across the profile", profile("0,0\r112,0\r112,6\r60,6\r60,3\r40,3\r40,6\r0,6\r"),
         "amrevolve\r60,4\r\r\r", "amrevolve: the profile lies on both sides of the axis"},
        {"profile crossing itself", profile("0,0\r10,0\r0,5\r10,5\r"), "amrevolve\r5,0\r\r\r",
         "amrevolve: the profile bounds no area or crosses itself"},
        {"profile folded onto its axis", profile("0,0\r10,0\r5,0\r"), "amrevolve\r1,0\r\r\r",
         "amrevolve: the profile bounds no area or crosses itself"},
        {"profile out and back", profile("0,0\r10,0\r10,5\r10,0\r"), "amrevolve\r5,0\r\r\r",
         "amrevolve: the profile bounds no area or crosses itself"},
        {"rectangle with a fin of no width", profile("0,0\r10,0\r10,5\r5,5\r5,9\r5,5\r0,5\r"),
         "amrevolve\r5,0\r\r\r", "amrevolve: the profile bounds no area or crosses itself"},
        {"profile of too many edges", profile(teeth), "amrevolve\r0.5,0\r\r\r",
         "amrevolve: the profile has more than 1000 edges"},
        {"solid beyond the coordinate limit", profile("0,0\r1E15,0\r1E15,1E15\r0,1E15\r"),
         "amrevolve\r1E15,5E14\r\r\r",
         "amrevolve: the solid would reach beyond the coordinate limit"},
        {"revolve twice", revolvedStud, "amrevolve\r56,0\r\r\r",
         "amrevolve: the part is already revolved"},
        {"thread before the revolve", profiled, "_amthread\r0,3\rE\r12\r\r",
         "_amthread: the part has no solid yet"},
        {"thread pick inside the part", revolvedStud, "_amthread\r50,3\rE\r12\r\r",
         "_amthread: the pick 50,3 is on no end face"},
        {"thread pick on the cylinder", revolvedStud, "_amthread\r50,6\rE\r12\r\r",
         "_amthread: the pick 50,6 is on no end face"},
        {"thread pick beyond the end face's radius", revolvedStud, "_amthread\r0,7\rE\r12\r\r",
         "_amthread: the pick 0,7 is on no end face"},
        {"thread longer than the part", revolvedStud, "_amthread\r0,3\rE\r112.5\r\r",
         "_amthread: the thread length 112.5 is longer than the part (112)"},
        {"thread from the shoulder longer than the rest", part(shouldered, "10,0"),
         "_amthread\r20,6\rE\r21\r\r",
         "_amthread: the thread length 21 is longer than the part (20)"},
        {"thread of no length", revolvedStud, "_amthread\r0,3\rE\r0\r\r",
         "_amthread: the thread length 0 is not positive"},
        {"thread length no number", revolvedStud, "_amthread\r0,3\rE\rx\r\r",
         "_amthread: \"x\" is no thread length"},
        {"chamfer as large as the radius", revolvedStud, "_amchamfer\rE\r0,3\r112,3\r\r6\r",
         "_amchamfer: the chamfer 6 is not smaller than the radius 6"},
        {"chamfer of no size", revolvedStud, "_amchamfer\rE\r0,3\r\r0\r",
         "_amchamfer: the chamfer size 0 is not positive"},
        {"chamfer pick on no face", revolvedStud, "_amchamfer\rE\r0,3\r56,9\r\r1\r",
         "_amchamfer: the pick 56,9 is on no end face"},
        {"chamfers longer than the part", part("0,0\r2,0\r2,6\r0,6\r", "1,0"),
         "_amchamfer\rE\r0,3\r2,3\r\r1.5\r",
         "_amchamfer: the chamfer 1.5 does not fit on the part"},
        {"chamfer wider than the shoulder ring", part(shouldered, "10,0"),
         "_amchamfer\rE\r20,6\r\r5\r", "_amchamfer: the chamfer 5 does not fit on the part"},
    };
}

// Runs the step after its part is built: refused with its message, the part and its side view
// as they were.
inline void expectRefusedWithThePartAsItWas(const RefusedPartStep& step)
{
    SCOPED_TRACE(step.label);
    drawing::CadDrawing drawing = drawn(step.before);
    const std::size_t parts = drawing.parts.size();
    const auto solid = parts == 0 ? nullptr : drawing.parts.back().solid;
    const bool profiled = parts != 0 && drawing.parts.back().profiled;
    const std::size_t viewLines = solid ? solid->sideView().size() : 0;
    try {
        drawing.run(step.text);
        ADD_FAILURE() << "not refused";
    } catch (const drawing::DrawingError& refused) {
        EXPECT_EQ(std::string(refused.what()), step.message);
    }
    EXPECT_FALSE(drawing.history.back().known);
    EXPECT_FALSE(drawing.history.back().refusal.empty());
    ASSERT_EQ(drawing.parts.size(), parts);
    if (parts != 0) {
        EXPECT_EQ(drawing.parts.back().solid, solid);
        EXPECT_EQ(drawing.parts.back().profiled, profiled);
    }
    if (solid) {
        EXPECT_EQ(solid->sideView().size(), viewLines);
    }
}
