#include "drawing/files/step_export.h"

#include "drawing/files/atomic_file.h"
#include "drawing/part/part_shape.h"

#include <IFSelect_ReturnStatus.hxx>
#include <Interface_Static.hxx>
#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Message_Printer.hxx>
#include <STEPCAFControl_Controller.hxx>
#include <STEPCAFControl_Writer.hxx>
#include <Standard_Failure.hxx>
#include <TDataStd_Name.hxx>
#include <TDocStd_Document.hxx>
#include <XCAFApp_Application.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>

namespace cadhost {

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
        const bool written = writeFileAtomically(file, [&writer](const std::string& tempFile) {
            return writer.Write(tempFile.c_str()) == IFSelect_RetDone;
        });
        if (!written) {
            throw StepSaveError("cannot write " + file);
        }
    } catch (const Standard_Failure& failure) {
        throw StepSaveError("the STEP writer failed: " + std::string(failure.GetMessageString()));
    }
}

} // namespace cadhost
