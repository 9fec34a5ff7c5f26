#include "drawing/files/step_export.h"

#include "drawing/files/atomic_file.h"
#include "drawing/files/step_text.h"
#include "drawing/part/part_shape.h"

#include <APIHeaderSection_MakeHeader.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <gp_Trsf.hxx>
#include <gp_Vec.hxx>
#include <Interface_HArray1OfHAsciiString.hxx>
#include <Interface_Static.hxx>
#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Message_Printer.hxx>
#include <STEPCAFControl_Controller.hxx>
#include <STEPCAFControl_Writer.hxx>
#include <Standard_Failure.hxx>
#include <StepData_Protocol.hxx>
#include <StepData_StepModel.hxx>
#include <StepData_StepWriter.hxx>
#include <TDataStd_Name.hxx>
#include <TDocStd_Document.hxx>
#include <XCAFApp_Application.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>
#include <XSControl_WorkSession.hxx>

#include <cstdio>
#include <sstream>

namespace drawing {

namespace {

// The library reports every transfer on standard output; the host's output is its own.
void quietLibraryMessages()
{
    const Message_SequenceOfPrinters& printers = Message::DefaultMessenger()->Printers();
    for (int i = 1; i <= printers.Length(); ++i) {
        printers.Value(i)->SetTraceLevel(Message_Fail);
    }
}

// Closes the document when the save ends, however it ends.
class XcafDocument {
  public:
    XcafDocument() : m_application(XCAFApp_Application::GetApplication())
    {
        m_application->NewDocument("MDTV-XCAF", m_document);
    }
    ~XcafDocument() { m_application->Close(m_document); }
    XcafDocument(const XcafDocument&) = delete;
    XcafDocument& operator=(const XcafDocument&) = delete;

    const Handle(TDocStd_Document) & get() const { return m_document; }

  private:
    Handle(XCAFApp_Application) m_application;
    Handle(TDocStd_Document) m_document;
};

// The header names the file and this program, which made it, not the library's placeholders.
void nameInHeader(const Handle(StepData_StepModel) & model, const std::string& file)
{
    const auto text = [](const std::string& value) {
        return new TCollection_HAsciiString(value.c_str());
    };
    APIHeaderSection_MakeHeader header(model);
    header.SetName(text(file.substr(file.find_last_of('/') + 1)));
    const Handle(Interface_HArray1OfHAsciiString) nobody =
        new Interface_HArray1OfHAsciiString(1, 1);
    nobody->SetValue(1, text(""));
    header.SetAuthor(nobody);
    header.SetOrganization(nobody);
    header.SetOriginatingSystem(text("Quorvel"));
    header.SetAuthorisation(text(""));
    const Handle(Interface_HArray1OfHAsciiString) description =
        new Interface_HArray1OfHAsciiString(1, 1);
    description->SetValue(1, text("Quorvel parts"));
    header.SetDescription(description);
    header.Apply(model);
}

// The model as the library's writer prints it, with every real in 17 significant digits, enough
// to give back the very same double: its default of 13 moves a part far from the origin. The
// writer formats a real into 24 bytes, so an exponent of three digits gets one digit less.
std::string printedModel(const Handle(StepData_StepModel) & model,
                         const Handle(StepData_Protocol) & protocol)
{
    StepData_StepWriter writer(model);
    writer.FloatWriter().SetFormat("%.15E");
    writer.FloatWriter().SetFormatForRange("%.16E", 1e-99, 1e99);
    writer.SendModel(protocol);
    std::ostringstream printed;
    if (!writer.Print(printed)) {
        throw StepSaveError("the parts cannot be translated to STEP");
    }
    return printed.str();
}

bool writeWhole(const std::string& file, const std::string& content)
{
    std::FILE* stream = std::fopen(file.c_str(), "wb");
    if (stream == nullptr) {
        return false;
    }
    const bool written = std::fwrite(content.data(), 1, content.size(), stream) == content.size();
    return std::fclose(stream) == 0 && written;
}

} // namespace

bool stepExportAvailable()
{
    return true;
}

void saveStep(const CadDrawing& drawing, const std::string& file)
{
    quietLibraryMessages();
    try {
        XcafDocument document;
        XCAFDoc_DocumentTool::SetLengthUnit(document.get(), 1.0,
                                            UnitsMethods_LengthUnit_Millimeter);
        const Handle(XCAFDoc_ShapeTool) shapes =
            XCAFDoc_DocumentTool::ShapeTool(document.get()->Main());
        int products = 0;
        for (const Part& part : drawing.parts) {
            if (!part.solid) {
                continue;
            }
            const TDF_Label label = shapes->AddShape(solidShape(*part.solid), false);
            TDataStd_Name::Set(label, TCollection_ExtendedString(part.name.c_str(), true));
            for (const NamedFace& face : namedThreadFaces(*part.solid)) {
                const TDF_Label faceLabel = shapes->AddSubShape(label, face.face);
                if (!faceLabel.IsNull()) {
                    TDataStd_Name::Set(faceLabel,
                                       TCollection_ExtendedString(face.name.c_str(), true));
                }
            }
            ++products;
        }
        // A solid inside a block is saved once per insert, moved to the insert's place, named
        // with the block's name.
        for (const Insert& insert : drawing.inserts) {
            const Block* block = blockNamed(drawing.blocks, insert.block);
            if (block == nullptr) {
                continue;
            }
            for (const Part& part : block->parts) {
                if (!part.solid) {
                    continue;
                }
                gp_Trsf move;
                move.SetTranslation(gp_Vec(insert.at.x, insert.at.y, insert.z));
                const TopoDS_Shape placed =
                    BRepBuilderAPI_Transform(solidShape(*part.solid), move, true).Shape();
                const TDF_Label label = shapes->AddShape(placed, false);
                TDataStd_Name::Set(label, TCollection_ExtendedString(block->name.c_str(), true));
                ++products;
            }
        }
        if (products == 0) {
            throw StepSaveError("there is no solid part to save");
        }

        // The writer's settings are the library's process-wide statics, defined by Init().
        STEPCAFControl_Controller::Init();
        Interface_Static::SetCVal("write.step.schema", "AP214IS");
        Interface_Static::SetCVal("write.step.unit", "MM");
        Interface_Static::SetIVal("write.stepcaf.subshapes.name", 1);
        STEPCAFControl_Writer writer;
        writer.SetNameMode(true);
        if (!writer.Transfer(document.get(), STEPControl_AsIs)) {
            throw StepSaveError("the parts cannot be translated to STEP");
        }
        const Handle(StepData_StepModel) model = writer.ChangeWriter().Model();
        const Handle(StepData_Protocol) protocol =
            Handle(StepData_Protocol)::DownCast(writer.ChangeWriter().WS()->Protocol());
        nameInHeader(model, file);
        const std::string content = withStepStrings(printedModel(model, protocol));
        const bool written = writeFileAtomically(file, [&content](const std::string& tempFile) {
            return writeWhole(tempFile, content);
        });
        if (!written) {
            throw StepSaveError(cannotWriteText(file));
        }
    } catch (const Standard_Failure& failure) {
        throw StepSaveError("the STEP writer failed: " + std::string(failure.GetMessageString()));
    }
}

} // namespace drawing
