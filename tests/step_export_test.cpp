// Saving the host's parts as STEP: what is refused, and that a failed save leaves what was there.
#include "drawing/cad_drawing.h"
#include "drawing/files/step_export.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

cadhost::CadDrawing drawingWith(bool revolved)
{
    cadhost::CadDrawing drawing;
    drawing.run("AMDT_NEW_PART\rP\r");
    drawing.run("_PLINE\r0,0\r112,0\r112,6\r0,6\rCL\r");
    drawing.run("amdt_1profile\r");
    if (revolved) {
        drawing.run("amrevolve\r56,0\r\r\r");
    }
    return drawing;
}

std::string failure(const cadhost::CadDrawing& drawing, const std::string& file)
{
    try {
        cadhost::saveStep(drawing, file);
    } catch (const cadhost::StepSaveError& error) {
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
         "cannot write " + dir.file("missing/p.step")},
        {"a folder in place of the file", true, folder, "cannot write " + folder},
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
