#include "host/cad_drawing.h"

#include <gtest/gtest.h>

using cadhost::CadDrawing;

TEST(HostInterpreter, ChamfersEveryCornerOfTheLastPolyline)
{
    CadDrawing drawing;
    drawing.run("_PLINE\r0,-6\r100,-6\r100,6\r0,6\rCL\r");
    drawing.run("_CHAMFER\rD\r1.6\r1.6\rP\rLAST\r");
    ASSERT_EQ(drawing.polylines.size(), 1u);
    const auto& v = drawing.polylines[0].vertices;
    ASSERT_EQ(v.size(), 8u);
    EXPECT_TRUE(drawing.polylines[0].closed);
    const double expected[8][2] = {{0, -4.4},  {1.6, -6}, {98.4, -6}, {100, -4.4},
                                   {100, 4.4}, {98.4, 6}, {1.6, 6},   {0, 4.4}};
    for (int i = 0; i < 8; ++i) {
        EXPECT_NEAR(v[static_cast<std::size_t>(i)].x, expected[i][0], 1e-12) << i;
        EXPECT_NEAR(v[static_cast<std::size_t>(i)].y, expected[i][1], 1e-12) << i;
    }
}

TEST(HostInterpreter, LinesLayersZoomAndUnknownTexts)
{
    CadDrawing drawing;
    drawing.activeLayer = drawing.addLayer("1");
    drawing.run("_LINE\r0,4.4\r12,4.4\r\r");
    ASSERT_EQ(drawing.lines.size(), 1u);
    EXPECT_EQ(drawing.lines[0].layer, 1u);

    drawing.run("_ZOOM\r_W\r-12,-12\r112,12\r");
    ASSERT_TRUE(drawing.zoomWindow);
    EXPECT_EQ(drawing.zoomWindow->min.x, -12);
    EXPECT_EQ(drawing.zoomWindow->max.x, 112);
    drawing.run("_ZOOM\r_W\r0,0\r1,1\r");
    drawing.run("_ZOOM\r_P\r");
    EXPECT_EQ(drawing.zoomWindow->max.x, 112);
    drawing.run("_ZOOM\r_P\r");
    EXPECT_FALSE(drawing.zoomWindow);

    drawing.run("_CIRCLE\r0,0\r5\r");
    drawing.run("_LINE\r0,0\r");
    drawing.run("no line end");
    ASSERT_EQ(drawing.history.size(), 8u);
    EXPECT_FALSE(drawing.history[5].known);
    EXPECT_FALSE(drawing.history[6].known);
    EXPECT_FALSE(drawing.history[7].known);
    EXPECT_EQ(drawing.lines.size(), 1u);
}

TEST(HostInterpreter, PartCommandsBuildAPartNotEntities)
{
    CadDrawing drawing;
    for (const char* text :
         {"CMDDIA\r0\r", "AMDT_NEW_PART\rP1\r", "_PLINE\r0,0\r112,0\r112,6\r0,6\rCL\r",
          "amdt_1profile\r", "amrevolve\r56,0\r\r\r", "_amthread\r0,3\rE\r12\r\r",
          "_amthread\r112,3\rE\r30\r\r", "_amchamfer\rE\r0,3\r112,3\r\r1.6\r", "CMDDIA\r1\r"}) {
        drawing.run(text);
        EXPECT_TRUE(drawing.history.back().known) << text;
    }
    ASSERT_EQ(drawing.parts.size(), 1u);
    const cadhost::Part& part = drawing.parts[0];
    EXPECT_EQ(part.name, "P1");
    EXPECT_TRUE(part.profiled);
    EXPECT_TRUE(part.solid);
    EXPECT_FALSE(part.sideView.empty());
    EXPECT_TRUE(drawing.polylines.empty()); // the profile belongs to the part
    EXPECT_TRUE(drawing.lines.empty());
    EXPECT_EQ(drawing.cmddia, 1);
}
