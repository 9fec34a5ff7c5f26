#include "drawing/cad_drawing.h"
#include "drawing/files/dxf_export.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

using drawing::CadDrawing;
using drawing::maxDrawingSize;
using drawing::maxEntityVertices;

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
    const drawing::Part& part = drawing.parts[0];
    EXPECT_EQ(part.name, "P1");
    EXPECT_TRUE(part.profiled);
    EXPECT_TRUE(part.solid);
    EXPECT_FALSE(sideView(part).empty());
    EXPECT_TRUE(drawing.polylines.empty()); // the profile belongs to the part
    EXPECT_TRUE(drawing.lines.empty());
    EXPECT_EQ(drawing.cmddia, 1);
}

namespace {

std::string readAll(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// "_LINE\r" with count points along x, each "i,0".
std::string longLine(std::size_t count)
{
    std::string text = "_LINE\r";
    for (std::size_t i = 0; i < count; ++i) {
        text += std::to_string(i) + ",0\r";
    }
    return text + "\r";
}

} // namespace

TEST(HostInterpreter, ChamfersOnlyCornersWithRoomForTheCut)
{
    const struct {
        const char* label;
        const char* pline;
        const char* chamfer;
        int times;
        std::vector<std::pair<double, double>> vertices;
    } rows[] = {
        {"repeated chamfers leave the earlier cuts alone",
         "_PLINE\r0,-6\r100,-6\r100,6\r0,6\rCL\r",
         "_CHAMFER\rD\r1.6\r1.6\rP\rLAST\r",
         22,
         {{0, -4.4},
          {1.6, -6},
          {98.4, -6},
          {100, -4.4},
          {100, 4.4},
          {98.4, 6},
          {1.6, 6},
          {0, 4.4}}},
        {"segments shorter than both cuts",
         "_PLINE\r0,-6\r100,-6\r100,6\r0,6\rCL\r",
         "_CHAMFER\rD\r7\r7\rP\rLAST\r",
         1,
         {{0, -6}, {100, -6}, {100, 6}, {0, 6}}},
        {"open ends and straight vertices stay",
         "_PLINE\r0,0\r5,0\r10,0\r10,10\r",
         "_CHAMFER\rD\r2\r3\rP\rLAST\r",
         1,
         {{0, 0}, {5, 0}, {8, 0}, {10, 3}, {10, 10}}},
        {"negative distance is not understood",
         "_PLINE\r0,0\r10,0\r10,10\r",
         "_CHAMFER\rD\r-1\r1\rP\rLAST\r",
         1,
         {{0, 0}, {10, 0}, {10, 10}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        CadDrawing drawing;
        drawing.run(row.pline);
        for (int i = 0; i < row.times; ++i) {
            drawing.run(row.chamfer);
        }
        const auto& v = drawing.polylines.at(0).vertices;
        ASSERT_EQ(v.size(), row.vertices.size());
        for (std::size_t i = 0; i < v.size(); ++i) {
            EXPECT_NEAR(v[i].x, row.vertices[i].first, 1e-12) << i;
            EXPECT_NEAR(v[i].y, row.vertices[i].second, 1e-12) << i;
        }
    }
}

TEST(HostInterpreter, RefusesWhatItCannotStoreWithNothingDrawn)
{
    const struct {
        std::string text;
        std::string error;
    } rows[] = {
        {"_LINE\r0,0\r1E16,0\r\r", "Coordinate out of range"},
        {"_PLINE\r0,0\r0,-2E15\rCL\r", "Coordinate out of range"},
        {"_ZOOM\r_W\r-12,-12\r1E240,12\r", "Coordinate out of range"},
        {"_CHAMFER\rD\r1E16\r1\rP\rLAST\r", "Coordinate out of range"},
        {"_amthread\r0,3\rE\r1E300\r\r", "Coordinate out of range"},
        {"_LINE\r0,0\r1,1,-3E15\r\r", "Coordinate out of range"},
        {longLine(maxEntityVertices + 1), "Too many vertices"},
        {"_PLINE\r" + longLine(maxEntityVertices + 1).substr(6), "Too many vertices"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text.substr(0, 40));
        CadDrawing drawing;
        drawing.run("_PLINE\r0,0\r10,0\r10,10\r");
        try {
            drawing.run(row.text);
            ADD_FAILURE() << "not refused";
        } catch (const drawing::DrawingError& error) {
            EXPECT_EQ(std::string(error.what()), row.error);
        }
        EXPECT_TRUE(drawing.lines.empty());
        EXPECT_EQ(drawing.polylines.size(), 1u);
        EXPECT_EQ(drawing.polylines[0].vertices.size(), 3u);
        EXPECT_FALSE(drawing.zoomWindow);
        ASSERT_EQ(drawing.history.size(), 2u);
        EXPECT_FALSE(drawing.history.back().known);
    }
    // At the limit itself, and a part whose name reads as a number, are fine.
    CadDrawing drawing;
    drawing.run("_LINE\r-1E15,0\r1E15,0\r\r");
    drawing.run("AMDT_NEW_PART\r1E300\r");
    EXPECT_EQ(drawing.lines.size(), 1u);
    EXPECT_EQ(drawing.parts.size(), 1u);
}

TEST(HostInterpreter, BoundsTheDrawingAndItsHistory)
{
    CadDrawing drawing;
    const std::string line = longLine(maxEntityVertices); // one vertex short of the bound
    const std::size_t fits = maxDrawingSize / (maxEntityVertices - 1);
    for (std::size_t i = 0; i < fits; ++i) {
        drawing.run(line);
    }
    EXPECT_THROW(drawing.run(line), drawing::DrawingError);
    EXPECT_EQ(drawing.lines.size(), fits * (maxEntityVertices - 1));

    CadDrawing history;
    const std::string cyrillic = "_LINE\r" + std::string(2000, 'x') + "\u0416\u0416\u0416";
    history.run(cyrillic.substr(0, 999) + "\u0416" + std::string(3000, 'y'));
    EXPECT_EQ(history.history.back().text, cyrillic.substr(0, 999)); // not inside a letter
    EXPECT_EQ(history.history.back().length, 999u + 2u + 3000u);
    for (int i = 0; i < 10'004; ++i) {
        history.run("CMDDIA\r" + std::to_string(i % 2) + "\r");
    }
    EXPECT_EQ(history.history.size(), drawing::historyLimit);
    EXPECT_EQ(history.commandCount, 10'005u);
    EXPECT_EQ(history.history.front().text, "CMDDIA\r0\r"); // the sixth text (i = 4)
}

TEST(HostDxf, SavesWholeOrLeavesTheOldFile)
{
    TempDir dir;
    const std::string target = dir.write("out.dxf", "old content");
    CadDrawing drawing;
    drawing.run("_LINE\r0,0\r10,10\r\r");
    drawing.lines.push_back({0, {0, 0}, {1e238, 0}}); // what commands can no longer put there
    EXPECT_FALSE(drawing::saveDxf(drawing, target));
    EXPECT_EQ(readAll(target), "old content");

    drawing.lines.pop_back();
    ASSERT_TRUE(drawing::saveDxf(drawing, target));
    const std::string saved = readAll(target);
    EXPECT_EQ(saved.substr(saved.size() - 5), "\nEOF\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1); // no temporary file left behind

    EXPECT_FALSE(drawing::saveDxf(drawing, dir.file("missing/out.dxf")));
}
