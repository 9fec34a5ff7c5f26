// The host's part-modelling commands build a real solid: its shape, its thread faces, its side
// view, and the commands it refuses without touching the part.
#include "drawing/cad_drawing.h"
#include "drawing/part/part_shape.h"
#include "refused_part_steps.h"
#include "shape_box.h"
#include "worked_stud.h"

#include <BRepCheck_Analyzer.hxx>
#include <BRepGProp.hxx>
#include <GProp_GProps.hxx>
#include <TopExp_Explorer.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using drawing::CadDrawing;
using drawing::Vec2;

namespace {

struct ThreadFace {
    std::string name;
    double from;
    double to;
    bool operator==(const ThreadFace&) const = default;
};

void PrintTo(const ThreadFace& face, std::ostream* out)
{
    *out << "{" << face.name << " " << face.from << ".." << face.to << "}";
}

// Thread faces by their place along x, rounded to 1e-9 so that positions compare exactly.
std::vector<ThreadFace> threadFaces(const drawing::PartSolid& solid)
{
    std::vector<ThreadFace> faces;
    for (const drawing::NamedFace& face : drawing::namedThreadFaces(solid)) {
        const StepBox box = boxOf(face.face);
        faces.push_back(
            {face.name, std::round(box.xmin * 1e9) / 1e9, std::round(box.xmax * 1e9) / 1e9});
    }
    std::sort(faces.begin(), faces.end(),
              [](const ThreadFace& a, const ThreadFace& b) { return a.from < b.from; });
    return faces;
}

} // namespace

TEST(PartSolid, WorkedExampleIsTheChamferedStudWithTwoThreadFaces)
{
    const CadDrawing drawing = drawn(workedExample);
    for (const auto& entry : drawing.history) {
        EXPECT_TRUE(entry.known) << entry.text;
    }
    ASSERT_EQ(drawing.parts.size(), 1u);
    ASSERT_TRUE(drawing.parts[0].solid);
    const drawing::PartSolid& solid = *drawing.parts[0].solid;
    EXPECT_TRUE(BRepCheck_Analyzer(drawing::solidShape(solid)).IsValid());

    GProp_GProps props;
    BRepGProp::VolumeProperties(drawing::solidShape(solid), props);
    EXPECT_NEAR(props.Mass() / studVolume(6, 112, 1.6), 1.0, 1e-9);
    EXPECT_NEAR(solid.volume() / props.Mass(), 1.0, 1e-12);

    const StepBox box = boxOf(drawing::solidShape(solid));
    EXPECT_NEAR(box.xmin, 0, 1e-7);
    EXPECT_NEAR(box.xmax, 112, 1e-7);
    EXPECT_NEAR(box.ymin, -6, 1e-7);
    EXPECT_NEAR(box.zmax, 6, 1e-7);

    // The chamfers trim the thread faces at the ends; the threads still end 12 and 30 from them.
    EXPECT_EQ(threadFaces(solid), (std::vector<ThreadFace>{{"thread 1: 12 mm", 1.6, 12},
                                                           {"thread 2: 30 mm", 82, 110.4}}));

    const std::vector<drawing::Line> view = sideView(drawing.parts[0]);
    for (double x : {12.0, 82.0, 1.6, 110.4}) { // thread ends and chamfer edges, seen edge-on
        EXPECT_TRUE(hasSegment(view, {x, -6}, {x, 6})) << x;
    }
    EXPECT_TRUE(hasSegment(view, {0, 4.4}, {1.6, 6}));       // chamfer in the outline
    EXPECT_TRUE(hasSegment(view, {110.4, -6}, {112, -4.4})); // and below the axis
    EXPECT_TRUE(hasSegment(view, {0, -4.4}, {0, 4.4}));      // end face
    const auto extents = drawing.extents();
    ASSERT_TRUE(extents);
    EXPECT_NEAR(extents->min.y, -6, 1e-9);
    EXPECT_NEAR(extents->max.x, 112, 1e-9);
}

TEST(PartSolid, ThreadFacesFollowTheThreads)
{
    const struct {
        const char* label;
        std::vector<std::string> steps;
        std::vector<ThreadFace> faces;
    } rows[] = {
        {"whole length (F)", {"_amthread\r0,3\rE\rF\r\r"}, {{"thread 1: 112 mm", 0, 112}}},
        {"the part's length given", {"_amthread\r0,3\rE\r112\r\r"}, {{"thread 1: 112 mm", 0, 112}}},
        {"from the far end", {"_amthread\r112,3\rE\r30\r\r"}, {{"thread 1: 30 mm", 82, 112}}},
        {"overlapping threads",
         {"_amthread\r0,3\rE\r70\r\r", "_amthread\r112,3\rE\r70\r\r"},
         {{"thread 1: 70 mm", 0, 42},
          {"thread 1: 70 mm; thread 2: 70 mm", 42, 70},
          {"thread 2: 70 mm", 70, 112}}},
        {"threads meeting", // b + b1 = L: both split at the same place
         {"_amthread\r0,3\rE\r12\r\r", "_amthread\r112,3\rE\r100\r\r"},
         {{"thread 1: 12 mm", 0, 12}, {"thread 2: 100 mm", 12, 112}}},
        {"chamfered before threading",
         {"_amchamfer\rE\r0,3\r\r1\r", "_amthread\r0,3\rE\r12\r\r"},
         {{"thread 1: 12 mm", 1, 12}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        std::vector<std::string> texts = revolvedStud;
        texts.insert(texts.end(), row.steps.begin(), row.steps.end());
        const CadDrawing drawing = drawn(texts);
        ASSERT_TRUE(drawing.parts.at(0).solid);
        EXPECT_TRUE(BRepCheck_Analyzer(drawing::solidShape(*drawing.parts[0].solid)).IsValid());
        EXPECT_EQ(threadFaces(*drawing.parts[0].solid), row.faces);
    }
}

TEST(PartSolid, RefusedCommandsLeaveThePartAsItWas)
{
    for (const RefusedPartStep& step : refusedPartSteps()) {
        expectRefusedWithThePartAsItWas(step);
    }
}
