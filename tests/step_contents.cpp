#include "step_contents.h"

#include <BRepBndLib.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepGProp.hxx>
#include <Bnd_Box.hxx>
#include <GProp_GProps.hxx>
#include <IFSelect_ReturnStatus.hxx>
#include <Interface_Static.hxx>
#include <STEPCAFControl_Controller.hxx>
#include <STEPCAFControl_Reader.hxx>
#include <TDF_LabelSequence.hxx>
#include <TDataStd_Name.hxx>
#include <TDocStd_Document.hxx>
#include <TopExp_Explorer.hxx>
#include <XCAFApp_Application.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>

namespace {

std::string nameOf(const TDF_Label& label)
{
    Handle(TDataStd_Name) name;
    if (!label.FindAttribute(TDataStd_Name::GetID(), name)) {
        return {};
    }
    std::string text(static_cast<std::size_t>(name->Get().LengthOfCString()), '\0');
    Standard_PCharacter buffer = text.data();
    text.resize(static_cast<std::size_t>(name->Get().ToUTF8CString(buffer)));
    return text;
}

StepBox boxOf(const TopoDS_Shape& shape)
{
    Bnd_Box box;
    BRepBndLib::AddOptimal(shape, box, false, false);
    StepBox b{};
    box.Get(b.xmin, b.ymin, b.zmin, b.xmax, b.ymax, b.zmax);
    return b;
}

} // namespace

std::optional<StepContents> readStep(const std::string& file)
{
    STEPCAFControl_Controller::Init();
    Interface_Static::SetIVal("read.stepcaf.subshapes.name", 1);
    STEPCAFControl_Reader reader;
    reader.SetNameMode(true);
    if (reader.ReadFile(file.c_str()) != IFSelect_RetDone) {
        return std::nullopt;
    }
    const Handle(XCAFApp_Application) application = XCAFApp_Application::GetApplication();
    Handle(TDocStd_Document) document;
    application->NewDocument("MDTV-XCAF", document);
    if (!reader.Transfer(document)) {
        application->Close(document);
        return std::nullopt;
    }
    StepContents contents;
    XCAFDoc_DocumentTool::GetLengthUnit(document, contents.lengthUnitInMetres);
    const Handle(XCAFDoc_ShapeTool) shapes = XCAFDoc_DocumentTool::ShapeTool(document->Main());
    TDF_LabelSequence free;
    shapes->GetFreeShapes(free);
    for (const TDF_Label& label : free) {
        StepProduct product;
        product.name = nameOf(label);
        const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(label);
        for (TopExp_Explorer it(shape, TopAbs_SOLID); it.More(); it.Next()) {
            ++product.solids;
        }
        product.valid = BRepCheck_Analyzer(shape).IsValid();
        GProp_GProps props;
        BRepGProp::VolumeProperties(shape, props);
        product.volume = props.Mass();
        product.box = boxOf(shape);
        TDF_LabelSequence subShapes;
        shapes->GetSubShapes(label, subShapes);
        for (const TDF_Label& sub : subShapes) {
            product.faces.push_back({nameOf(sub), boxOf(XCAFDoc_ShapeTool::GetShape(sub))});
        }
        contents.products.push_back(std::move(product));
    }
    application->Close(document);
    return contents;
}
