// The parts of a host without a solid modelling kernel: the record refuses the steps that cannot
// be carried out and draws the side view the kernel build draws.
#include "drawing/cad_drawing.h"
#include "drawing/files/step_export.h"
#include "drawing/part/part_solid.h"
#include "refused_part_steps.h"
#include "worked_stud.h"

#include <gtest/gtest.h>

#include <numbers>

using drawing::CadDrawing;
using drawing::Vec2;

TEST(PartRecord, SideViewsShowOutlineChamfersAndThreadEnds)
{
    const struct {
        const char* label;
        std::vector<std::string> texts;
        std::vector<std::pair<Vec2, Vec2>> present;
        std::vector<std::pair<Vec2, Vec2>> absent;
        std::size_t lines; // 0: not checked
    } rows[] = {
        {"worked example",
         workedExample,
         {{{12, -6}, {12, 6}}, // thread ends, seen edge-on
          {{82, -6}, {82, 6}},
          {{1.6, -6}, {1.6, 6}}, // chamfer edges
          {{110.4, -6}, {110.4, 6}},
          {{0, 4.4}, {1.6, 6}},       // chamfer in the outline
          {{110.4, -6}, {112, -4.4}}, // and below the axis
          {{0, -4.4}, {0, 4.4}},      // end face
          {{12, 6}, {82, 6}}},        // outer cylinder between the threads
         {{{0, -6}, {0, 6}}},         // the rim is chamfered away
         0},
        {"plain revolve: outline, mirror and end faces once each",
         revolvedStud,
         {{{0, -6}, {0, 6}}, {{112, -6}, {112, 6}}, {{0, 6}, {112, 6}}, {{0, -6}, {112, -6}}},
         {{{0, 0}, {112, 0}}}, // the axis is inside the body
         4},
        {"thread over the whole length ends nowhere inside",
         {revolvedStud[0], revolvedStud[1], revolvedStud[2], revolvedStud[3],
          "_amthread\r0,3\rE\rF\r\r"},
         {},
         {},
         4},
        {"profile left of a vertical axis, mirrored to the right",
         {"AMDT_NEW_PART\rP\r", "_PLINE\r0,0\r0,10\r-4,10\r-4,0\rCL\r", "amdt_1profile\r",
          "amrevolve\r0,5\r\r\r", "_amthread\r2,10\rE\r3\r\r"},
         {{{-4, 0}, {-4, 7}}, {{4, 7}, {4, 10}}, {{-4, 10}, {4, 10}}, {{-4, 7}, {4, 7}}},
         {{{0, 0}, {0, 10}}, {{4, 0}, {4, 10}}},
         0},
        {"shouldered part: the ring face; a thread off the outer cylinder splits nothing",
         {"AMDT_NEW_PART\rP\r", "_PLINE\r0,0\r50,0\r50,4\r20,4\r20,8\r0,8\rCL\r", "amdt_1profile\r",
          "amrevolve\r10,0\r\r\r", "_amthread\r50,2\rE\r10\r\r", "_amthread\r0,2\rE\r10\r\r"},
         {{{20, 4}, {20, 8}}, {{20, -4}, {20, -8}}, {{10, -8}, {10, 8}}},
         {{{40, -4}, {40, 4}}, {{40, -8}, {40, 8}}},
         0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const CadDrawing drawing = drawn(row.texts);
        ASSERT_TRUE(drawing.parts.at(0).solid);
        const std::vector<drawing::Line> view = sideView(drawing.parts[0]);
        for (const auto& [a, b] : row.present) {
            EXPECT_TRUE(hasSegment(view, a, b)) << a.x << "," << a.y << " " << b.x << "," << b.y;
        }
        for (const auto& [a, b] : row.absent) {
            EXPECT_FALSE(hasSegment(view, a, b)) << a.x << "," << a.y << " " << b.x << "," << b.y;
        }
        if (row.lines != 0) {
            EXPECT_EQ(view.size(), row.lines);
        }
    }
    const CadDrawing worked = drawn(workedExample);
    EXPECT_EQ(worked.parts[0].solid->threadCount(), 2u);
    const auto extents = worked.extents();
    ASSERT_TRUE(extents);
    EXPECT_NEAR(extents->min.y, -6, 1e-9);
    EXPECT_NEAR(extents->max.x, 112, 1e-9);
}

TEST(PartRecord, RefusedStepsLeaveThePartAsItWas)
{
    for (const RefusedPartStep& step : refusedPartSteps()) {
        expectRefusedWithThePartAsItWas(step);
    }
}

TEST(PartRecord, ChamferedEndStillTakesAThread)
{
    // The end face shrinks to the chamfer's inner edge; a pick inside it still finds the face, a
    // pick in the cut-away rim does not.
    std::vector<std::string> texts = revolvedStud;
    texts.push_back("_amchamfer\rE\r0,3\r\r1\r");
    CadDrawing drawing = drawn(texts);
    EXPECT_NO_THROW(drawing.run("_amthread\r0,4.5\rE\r12\r\r"));
    EXPECT_EQ(drawing.parts[0].solid->threadCount(), 1u);
    EXPECT_THROW(drawing.run("_amthread\r0,5.5\rE\r12\r\r"), drawing::DrawingError);
    EXPECT_TRUE(hasSegment(sideView(drawing.parts[0]), {12, -6}, {12, 6}));
}

TEST(PartRecord, StepExportIsRefusedInSoManyWords)
{
    EXPECT_FALSE(drawing::stepExportAvailable());
    try {
        drawing::saveStep(drawn(workedExample), "part.step");
        ADD_FAILURE() << "not refused";
    } catch (const drawing::StepSaveError& refused) {
        EXPECT_STREQ(refused.what(),
                     "this host is built without Open CASCADE and cannot save STEP");
    }
}

// A profile revolved about an axis given by two points, as the object model revolves a region:
// the chamfered half section of the stud, and a ring about an axis off the profile.
TEST(PartRecord, RevolvedAboutAGivenAxisShowsTheSameSideView)
{
    const std::vector<Vec2> halfSection{{0, 0}, {112, 0}, {112, 4.4}, {110.4, 6}, {1.6, 6}, {0, 4.4}};
    const auto stud = drawing::PartSolid::revolveAbout(halfSection, {0, 0}, {1, 0});
    const drawing::Part part{"Solid 1", 0, halfSection, true, true,
                             std::make_shared<const drawing::PartSolid>(stud), 1};
    const std::vector<drawing::Line> view = sideView(part);
    for (const auto& [a, b] : std::vector<std::pair<Vec2, Vec2>>{{{0, -4.4}, {0, 4.4}},
                                                                 {{1.6, -6}, {1.6, 6}},
                                                                 {{0, 4.4}, {1.6, 6}},
                                                                 {{1.6, -6}, {110.4, -6}}}) {
        EXPECT_TRUE(hasSegment(view, a, b)) << a.x << "," << a.y << " " << b.x << "," << b.y;
    }
    EXPECT_FALSE(hasSegment(view, {0, -6}, {0, 6}));
    // The volume as the kernel build measures it (the object model's Volume of a solid).
    EXPECT_NEAR(stud.volume() / studVolume(6, 112, 1.6), 1.0, 1e-12);
    ASSERT_EQ(drawn(workedExample).parts.size(), 1u);
    EXPECT_NEAR(drawn(workedExample).parts[0].solid->volume() / studVolume(6, 112, 1.6), 1.0,
                1e-12);

    const std::vector<Vec2> square{{0, 1}, {4, 1}, {4, 3}, {0, 3}};
    const auto ring = drawing::PartSolid::revolveAbout(square, {0, 0}, {-2, 0});
    const drawing::Part ringPart{"Solid 2", 0, square, true, true,
                                 std::make_shared<const drawing::PartSolid>(ring), 2};
    const std::vector<drawing::Line> ringView = sideView(ringPart);
    EXPECT_TRUE(hasSegment(ringView, {0, 1}, {0, 3}));
    EXPECT_TRUE(hasSegment(ringView, {0, -3}, {0, -1}));
    EXPECT_TRUE(hasSegment(ringView, {0, -1}, {4, -1}));
    EXPECT_NEAR(ring.volume(), std::numbers::pi * (3 * 3 - 1 * 1) * 4, 1e-12);
    EXPECT_THROW(drawing::PartSolid::revolveAbout(square, {0, 2}, {1, 2}), drawing::ModelingError);
    EXPECT_THROW(drawing::PartSolid::revolveAbout(square, {5, 5}, {5, 5}), drawing::ModelingError);
}
