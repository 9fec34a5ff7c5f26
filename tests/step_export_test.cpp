// Saving the host's parts as STEP: what is refused, and that a failed save leaves what was there.
#include "drawing/cad_drawing.h"
#include "drawing/files/step_export.h"
#include "step_gmsh.h"
#include "temp_dir.h"
#include "worked_stud.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

drawing::CadDrawing drawingWith(bool revolved)
{
    drawing::CadDrawing drawing;
    drawing.run("AMDT_NEW_PART\rP\r");
    drawing.run("_PLINE\r0,0\r112,0\r112,6\r0,6\rCL\r");
    drawing.run("amdt_1profile\r");
    if (revolved) {
        drawing.run("amrevolve\r56,0\r\r\r");
    }
    return drawing;
}

std::string failure(const drawing::CadDrawing& drawing, const std::string& file)
{
    try {
        drawing::saveStep(drawing, file);
    } catch (const drawing::StepSaveError& error) {
        return error.what();
    }
    return "<saved>";
}

} // namespace

TEST(StepExport, RefusalsLeaveTheTargetAsItWas)
{
    TempDir dir;
    const std::string folder = dir.file("a folder");
    std::filesystem::create_directory(folder);
    const struct {
        const char* label;
        bool revolved;
        std::string target;
        std::string message;
    } rows[] = {
        {"no solid yet", false, dir.file("p.step"), "there is no solid part to save"},
        {"missing folder", true, dir.file("missing/p.step"),
         "cannot write " + dir.file("missing/p.step") + ": No such file or directory"},
        {"a folder in place of the file", true, folder,
         "cannot write " + folder + ": Is a directory"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(failure(drawingWith(row.revolved), row.target), row.message);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("p.step")));
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    // Nothing but the folder: no temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(StepExport, NamesAndHeaderInPlainPart21ReadBackInAnotherReader)
{
    TempDir dir;
    std::string atTheBound = "x";
    while (atTheBound.size() < drawing::maxPartNameBytes) {
        atTheBound += "Ш";
    }
    const struct {
        const char* label;
        std::string name;
    } rows[] = {
        {"Cyrillic", "Шпилька_M12x100_ГОСТ_22032-76"},
        {"quote, bracket and comment opener", "x');/*"},
        {"quotes, backslash, tab, beyond U+FFFF", "it's 'a', \"b\"\\c\td😀"},
        {"as long as a part name may be", atTheBound},
    };
    std::vector<std::string> files;
    for (const auto& row : rows) {
        files.push_back(dir.file("Шпилька " + std::to_string(files.size()) + ".step"));
        drawing::saveStep(drawn(workedStudTexts(row.name)), files.back());
    }
    const auto read = readWithGmsh(files);
    ASSERT_EQ(read.size(), files.size()) << "gmsh did not run";
    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(rows[i].label);
        ASSERT_TRUE(read[i]) << "gmsh cannot read " << files[i];
        ASSERT_EQ(read[i]->size(), 1u);
        EXPECT_EQ(read[i]->at(0).name, rows[i].name);
        EXPECT_NEAR(read[i]->at(0).volume / studVolume(6, 112, 1.6), 1.0, 1e-9);
        std::ifstream in(files[i], std::ios::binary);
        const std::string content{std::istreambuf_iterator<char>(in), {}};
        EXPECT_TRUE(std::all_of(content.begin(), content.end(),
                                [](char ch) { return static_cast<unsigned char>(ch) < 0x80; }));
        EXPECT_NE(content.find("FILE_NAME('\\X2\\0428043F0438043B044C043A0430\\X0\\ " +
                               std::to_string(i) + ".step'"),
                  std::string::npos);
        EXPECT_NE(content.find("'Quorvel'"), std::string::npos);
        EXPECT_EQ(content.find("Open CASCADE Shape Model"), std::string::npos);
        EXPECT_EQ(content.find("'Author'"), std::string::npos);
    }
}

TEST(StepExport, FarFromTheOriginAPartKeepsEveryDigit)
{
    TempDir dir;
    const double starts[] = {1e13 + 3, 1e12 + 0.5, -1e15};
    std::vector<std::string> files;
    for (double x : starts) {
        const auto point = [](double x, double y) {
            char text[64];
            std::snprintf(text, sizeof text, "%.17g,%.17g", x, y);
            return std::string(text);
        };
        files.push_back(dir.file(std::to_string(files.size()) + ".step"));
        drawing::saveStep(drawn({"AMDT_NEW_PART\rP\r",
                                 "_PLINE\r" + point(x, 0) + "\r" + point(x + 112, 0) + "\r" +
                                     point(x + 112, 6) + "\r" + point(x, 6) + "\rCL\r",
                                 "amdt_1profile\r", "amrevolve\r" + point(x + 56, 0) + "\r\r\r"}),
                          files.back());
    }
    const auto read = readWithGmsh(files);
    ASSERT_EQ(read.size(), files.size()) << "gmsh did not run";
    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(starts[i]);
        ASSERT_TRUE(read[i]);
        ASSERT_EQ(read[i]->size(), 1u);
        const GmshSolid& solid = read[i]->at(0);
        EXPECT_NEAR(solid.volume / studVolume(6, 112, 0), 1.0, 1e-9);
        EXPECT_NEAR(solid.box.xmin, starts[i], 1e-3);
        EXPECT_NEAR(solid.box.xmax, starts[i] + 112, 1e-3);
    }
}
