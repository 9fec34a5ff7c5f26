// The stud built as a solid through the object model against the same stud built by the part
// commands, both by the drawing unit in the stand-in host's object model: the same volume and the
// same box, in the same place, on the main layer, with nothing else left in the drawing.
#include "cad/quorvel_draw.h"
#include "cad/stud_block.h"
#include "drawing/files/step_export.h"
#include "drawing/part/part_shape.h"
#include "export/in_process_host.h"
#include "recording_reporter.h"
#include "shape_box.h"
#include "step_gmsh.h"
#include "temp_dir.h"

#include <BRepGProp.hxx>
#include <GProp_GProps.hxx>

#include <gtest/gtest.h>

namespace {

// Runs one 3D click against a fresh host whose insertion point is (0, 0) and keeps its drawing.
std::unique_ptr<exporter::InProcessHost> build(bool solid, double d, double L, double b, double b1,
                                               double c, RecordingReporter& reporter)
{
    auto host = std::make_unique<exporter::InProcessHost>();
    const LayerNames layers{"Тело", "1", "7"};
    QuorvelDraw unit(*host, reporter, layers);
    unit.setSolid3D(solid);
    unit.Start_ACAD(true, "Шпилька", d, L, b, b1, c);
    return host;
}

double volumeOf(const TopoDS_Shape& shape)
{
    GProp_GProps props;
    BRepGProp::VolumeProperties(shape, props);
    return props.Mass();
}

} // namespace

TEST(SolidStud, SameVolumeAndBoxAsThePartCommandsBuild)
{
    const struct {
        const char* label;
        double d, L, b, b1, c;
    } studs[] = {
        {"screw-in end, M12 x 100", 12, 112, 30, 12, 1.6},
        {"plain-hole stud, M20 x 120", 20, 120, 46, 46, 2.5},
        {"threaded end to end, M10 x 40", 10, 40, 20, 20, 1.5},
    };
    for (const auto& stud : studs) {
        SCOPED_TRACE(stud.label);
        RecordingReporter partReporter, solidReporter;
        const auto part = build(false, stud.d, stud.L, stud.b, stud.b1, stud.c, partReporter);
        const auto solid = build(true, stud.d, stud.L, stud.b, stud.b1, stud.c, solidReporter);
        ASSERT_TRUE(partReporter.messages.empty());
        ASSERT_TRUE(solidReporter.messages.empty()) << solidReporter.messages[0].text;
        ASSERT_EQ(part->drawing().parts.size(), 1u);
        ASSERT_EQ(solid->drawing().parts.size(), 1u);
        const TopoDS_Shape& byCommands = drawing::solidShape(*part->drawing().parts[0].solid);
        const TopoDS_Shape& byModel = drawing::solidShape(*solid->drawing().parts[0].solid);

        const double volume = volumeOf(byCommands);
        EXPECT_NEAR(volumeOf(byModel) / volume, 1.0, 1e-9);
        const StepBox a = boxOf(byCommands), m = boxOf(byModel);
        const double tolerance = 1e-6 * stud.L;
        EXPECT_NEAR(m.xmin, a.xmin, tolerance);
        EXPECT_NEAR(m.xmax, a.xmax, tolerance);
        EXPECT_NEAR(m.ymin, a.ymin, tolerance);
        EXPECT_NEAR(m.ymax, a.ymax, tolerance);
        EXPECT_NEAR(m.zmin, a.zmin, tolerance);
        EXPECT_NEAR(m.zmax, a.zmax, tolerance);
        EXPECT_NEAR(m.xmax - m.xmin, stud.L, tolerance);
        EXPECT_NEAR(m.ymax - m.ymin, stud.d, tolerance);

        // Only the solid is left, on the main layer, which the run made; the active layer stays.
        const drawing::CadDrawing& drawn = solid->drawing();
        EXPECT_TRUE(drawn.polylines.empty());
        EXPECT_TRUE(drawn.regions.empty());
        EXPECT_TRUE(drawn.lines.empty());
        ASSERT_EQ(drawn.layers.size(), 2u);
        EXPECT_EQ(drawn.layers[drawn.parts[0].layer].name, "Тело");
        EXPECT_EQ(drawn.layers[1].color, 6);
        EXPECT_EQ(drawn.activeLayer, 0u);
        EXPECT_FALSE(drawing::sideView(drawn.parts[0]).empty());
    }
}

// The solid placed as a block: the block's own definition holds the same solid that model space
// gets, and nothing else of the run; the reference carries the solid flag; STEP saves the solid
// at the insert's place, as gmsh reads it back.
TEST(SolidStud, InABlockTheSameSolidIsSavedAtItsInsert)
{
    RecordingReporter looseReporter, blockReporter;
    const auto loose = build(true, 12, 112, 30, 12, 1.6, looseReporter);
    ASSERT_TRUE(looseReporter.messages.empty());
    exporter::InProcessHost host;
    const LayerNames layers{"Тело", "1", "7"};
    QuorvelDraw unit(host, blockReporter, layers);
    unit.setSolid3D(true);
    const StoredStud stored{"22032-76", 12, 100, 30, 12, 1.6, 1.75, false, true};
    const StudBlock block = studBlock(stored, StudFamily::ScrewIn);
    unit.Start_ACAD(true, "Шпилька", 12, 112, 30, 12, 1.6, &block);
    ASSERT_TRUE(blockReporter.messages.empty()) << host.lastRefusal();

    drawing::CadDrawing& drawn = host.drawing();
    EXPECT_TRUE(drawn.parts.empty());
    EXPECT_TRUE(drawn.regions.empty());
    EXPECT_TRUE(drawn.polylines.empty());
    ASSERT_EQ(drawn.blocks.size(), 1u);
    ASSERT_EQ(drawn.inserts.size(), 1u);
    const drawing::Block& made = drawn.blocks[0];
    EXPECT_EQ(made.name, "GOST22032-76_M12x100_3D");
    EXPECT_TRUE(made.polylines.empty());
    EXPECT_TRUE(made.regions.empty());
    EXPECT_EQ(made.attributes.size(), 6u);
    ASSERT_EQ(made.parts.size(), 1u);
    EXPECT_EQ(drawn.layers[made.parts[0].layer].name, "Тело");
    ASSERT_EQ(drawn.inserts[0].data.size(), 1u);
    ASSERT_GE(drawn.inserts[0].data[0].items.size(), 3u); // standard, free flag, solid flag
    EXPECT_EQ(std::get<std::int32_t>(drawn.inserts[0].data[0].items[2].value), 1);

    const TopoDS_Shape& inModel = drawing::solidShape(*loose->drawing().parts[0].solid);
    const TopoDS_Shape& inBlock = drawing::solidShape(*made.parts[0].solid);
    const double volume = volumeOf(inModel);
    EXPECT_NEAR(volumeOf(inBlock) / volume, 1.0, 1e-9);
    const StepBox m = boxOf(inModel), b = boxOf(inBlock);
    EXPECT_NEAR(b.xmin, m.xmin, 1e-6);
    EXPECT_NEAR(b.xmax, m.xmax, 1e-6);
    EXPECT_NEAR(b.ymin, m.ymin, 1e-6);
    EXPECT_NEAR(b.ymax, m.ymax, 1e-6);

    // Placed elsewhere, the saved solid stands there.
    drawn.inserts[0].at = {50, -20};
    TempDir dir;
    const std::string step = dir.file("block.step");
    drawing::saveStep(drawn, step);
    const auto read = readWithGmsh({step});
    ASSERT_EQ(read.size(), 1u);
    ASSERT_TRUE(read[0]);
    ASSERT_EQ(read[0]->size(), 1u);
    const GmshSolid& saved = read[0]->front();
    EXPECT_EQ(saved.name, "GOST22032-76_M12x100_3D");
    EXPECT_NEAR(saved.volume / volume, 1.0, 1e-3);
    EXPECT_NEAR(saved.box.xmin, 50, 1e-3);
    EXPECT_NEAR(saved.box.xmax, 50 + 112, 1e-3);
    EXPECT_NEAR(saved.box.ymin, -20 - 6, 1e-3);
    EXPECT_NEAR(saved.box.ymax, -20 + 6, 1e-3);
}
