// The host's cost of one stud in STEP: building the solid from the part-modelling texts (revolve,
// two threads, chamfers) and saving it, against Open CASCADE writing a plain cylinder of the same
// size through the same document writer, the library's own floor for such a file.
#include "host/cad_drawing.h"
#include "host/step_export.h"

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

// The texts the program sends for d 12, L 112, b 30, b1 12, c 1.6 at (0, 0).
const char* const studTexts[] = {"AMDT_NEW_PART\rШпилька_M12x100_ГОСТ_22032-76\r",
                                 "_PLINE\r0,0\r112,0\r112,6\r0,6\rCL\r",
                                 "amdt_1profile\r",
                                 "amrevolve\r56,0\r\r\r",
                                 "_amthread\r1.83697019872103E-16,3\rE\r12\r\r",
                                 "_amthread\r112,3\rE\r30\r\r",
                                 "_amchamfer\rE\r1.83697019872103E-16,3\r112,3\r\r1.6\r"};

std::string benchFile(const char* name)
{
    return (std::filesystem::temp_directory_path() / name).string();
}

cadhost::CadDrawing builtStud()
{
    cadhost::CadDrawing drawing;
    for (const char* text : studTexts) {
        drawing.run(text);
    }
    return drawing;
}

void StudSolidBuild(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(builtStud());
    }
}
BENCHMARK(StudSolidBuild)->Unit(benchmark::kMillisecond);

void StudStepBuildAndSave(benchmark::State& state)
{
    const std::string file = benchFile("quorvel-bench-stud.step");
    for (auto _ : state) {
        cadhost::saveStep(builtStud(), file);
    }
    std::filesystem::remove(file);
}
BENCHMARK(StudStepBuildAndSave)->Unit(benchmark::kMillisecond);

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
