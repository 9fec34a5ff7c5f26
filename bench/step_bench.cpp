// The host's cost of one stud in STEP: building the solid from the part-modelling texts (revolve,
// two threads, chamfers) and saving it, against Open CASCADE writing a plain cylinder of the same
// size through the same document writer, the library's own floor for such a file.
#include "drawing/cad_drawing.h"
#include "drawing/files/step_export.h"
#include "drawing/part/part_solid.h"
#include "tests/worked_stud.h"

#include <BRepPrimAPI_MakeCylinder.hxx>
#include <IFSelect_ReturnStatus.hxx>
#include <Interface_Static.hxx>
#include <STEPCAFControl_Controller.hxx>
#include <STEPCAFControl_Writer.hxx>
#include <TDataStd_Name.hxx>
#include <TDocStd_Document.hxx>
#include <XCAFApp_Application.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>
#include <gp_Ax2.hxx>

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

std::string benchFile(const char* name)
{
    return (std::filesystem::temp_directory_path() / name).string();
}

// The worked stud under the name the program gives it.
const std::string studName = "Шпилька_M12x100_ГОСТ_22032-76";
const std::vector<std::string> studTexts = workedStudTexts(studName);

drawing::CadDrawing builtStud()
{
    return drawn(studTexts);
}

void StudSolidBuild(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(builtStud());
    }
}
BENCHMARK(StudSolidBuild)->Unit(benchmark::kMillisecond);

// The same stud as the object model builds it: its chamfered half section revolved once, no
// threads.
void StudSolidOfARegion(benchmark::State& state)
{
    const std::vector<drawing::Vec2> halfSection{{0, 0},     {112, 0},  {112, 4.4},
                                                 {110.4, 6}, {1.6, 6}, {0, 4.4}};
    for (auto _ : state) {
        benchmark::DoNotOptimize(drawing::PartSolid::revolveAbout(halfSection, {0, 0}, {1, 0}));
    }
}
BENCHMARK(StudSolidOfARegion)->Unit(benchmark::kMillisecond);

void StudStepBuildAndSave(benchmark::State& state)
{
    const std::string file = benchFile("quorvel-bench-stud.step");
    for (auto _ : state) {
        drawing::saveStep(builtStud(), file);
    }
    std::filesystem::remove(file);
}
BENCHMARK(StudStepBuildAndSave)->Unit(benchmark::kMillisecond);

// Saving alone, for a stud under the program's name and under a name as long as the host takes.
void StudStepSave(benchmark::State& state, const std::string& name)
{
    const std::string file = benchFile("quorvel-bench-named.step");
    const drawing::CadDrawing drawing = drawn(workedStudTexts(name));
    for (auto _ : state) {
        drawing::saveStep(drawing, file);
    }
    std::filesystem::remove(file);
}
BENCHMARK_CAPTURE(StudStepSave, programName, studName)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StudStepSave, longestName, std::string(drawing::maxPartNameBytes, 'x'))
    ->Unit(benchmark::kMillisecond);

void CylinderStepFloor(benchmark::State& state)
{
    const std::string file = benchFile("quorvel-bench-cylinder.step");
    const Handle(XCAFApp_Application) application = XCAFApp_Application::GetApplication();
    for (auto _ : state) {
        const TopoDS_Shape cylinder =
            BRepPrimAPI_MakeCylinder(gp_Ax2(gp::Origin(), gp::DX()), 6, 112).Shape();
        Handle(TDocStd_Document) document;
        application->NewDocument("MDTV-XCAF", document);
        const TDF_Label label =
            XCAFDoc_DocumentTool::ShapeTool(document->Main())->AddShape(cylinder, false);
        TDataStd_Name::Set(label, "cylinder");
        STEPCAFControl_Controller::Init();
        Interface_Static::SetCVal("write.step.schema", "AP214IS");
        Interface_Static::SetCVal("write.step.unit", "MM");
        STEPCAFControl_Writer writer;
        writer.SetNameMode(true);
        writer.Transfer(document, STEPControl_AsIs);
        if (writer.Write(file.c_str()) != IFSelect_RetDone) {
            state.SkipWithError("cannot write the cylinder");
        }
        application->Close(document);
    }
    std::filesystem::remove(file);
}
BENCHMARK(CylinderStepFloor)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
