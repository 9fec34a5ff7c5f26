#include "cad/quorvel_draw.h"

#include "cad/point_text.h"

#include <utility>

QuorvelDraw::QuorvelDraw(RunningObjects& runningObjects, Reporter& reporter,
                         const LayerNames& layers)
    : m_runningObjects(runningObjects), m_reporter(reporter), m_layers(layers)
{
}

std::optional<OleErrorKind> QuorvelDraw::automationFailure(const std::function<void()>& body)
{
    try {
        body();
        return std::nullopt;
    } catch (const EOleException&) {
        return OleErrorKind::Exception;
    } catch (const EOleSysError&) {
        return OleErrorKind::SysError;
    } catch (const EOleError&) {
        return OleErrorKind::Error;
    }
}

bool QuorvelDraw::runReported(std::string_view procedure, HostName host,
                              const std::function<void()>& body)
{
    const std::optional<OleErrorKind> kind = automationFailure(body);
    if (kind) {
        m_reporter.show({"Warning", drawReport(procedure, host, *kind), MessageKind::Warning});
    }
    return !kind;
}

void QuorvelDraw::sendCommand(const std::string& text)
{
    m_session.AcadDoc.call("SendCommand", {text});
}

void QuorvelDraw::Start_ACAD(bool Is3D, const std::string& PartName, double d, double L, double b,
                             double b1, double c, const StudBlock* block)
{
    // The part commands' 3D parts stay parts; the 2D view and the object model's solid can be a
    // block.
    const bool asBlock = block != nullptr && (!Is3D || m_solid3D);
    // Only a block replaces the stud picked for editing; any other drawing is new and forgets it.
    if (!asBlock) {
        m_replaced.reset();
    }
    std::optional<StudBlock> placed; // the block as it replaces a stud: that stud's POS and QTY
    DrawSession& s = m_session;
    std::int32_t savedOsmode = 0;
    bool osmodeOff = false; // OSMODE is 0 and not yet put back
    // The user's object snaps must not stay off when the run ends early (a cancelled pick, say):
    // one quiet attempt to put them back; its own failure is not reported again.
    const auto restoreOsmode = [&] {
        if (osmodeOff) {
            osmodeOff = false;
            try {
                s.AcadDoc.call("SetVariable", {"OSMODE", savedOsmode});
            } catch (const EOleError&) {
            }
        }
    };
    try {
        const bool completed = runReported("Start_ACAD", HostName::AutoCAD, [&] {
            s.AcadApp = m_runningObjects.getActiveObject(m_hostClass);
            s.AcadDoc = s.AcadApp.get("ActiveDocument").toObject();
            s.AcadApp.put("Visible", true);
            savedOsmode = s.AcadDoc.call("GetVariable", {"OSMODE"}).toInt32();
            s.AcadDoc.call("SetVariable", {"OSMODE", std::int32_t{0}});
            osmodeOff = true;
            if (Is3D) {
                sendCommand("AMDT_SKETCH_VIEW\r");
            }
            OleObject old; // the stud to replace, when it is still in the drawing
            if (asBlock && m_replaced) {
                placed = *block;
                old = FindReplaced(*placed);
            }
            if (old) {
                s.InsPoint = old.get("InsertionPoint").toPoint();
            } else {
                s.InsPoint = s.AcadDoc.get("Utility")
                                 .toObject()
                                 .call("GetPoint", {Variant{}, "Insert point: "})
                                 .toPoint();
            }
            s.Point1 = Point{};
            s.Point2 = Point{};
            s.Point3 = Point{};
            const auto [x, y, z] = s.InsPoint;
            s.Point1 = {x - d, y - d, z};
            s.Point2 = {x + L + d, y + d,
                        z}; // (x + L) + d: another order can change the last digit
            s.PointText1 = PointToText(s.Point1);
            s.PointText2 = PointToText(s.Point2);
            sendCommand("_ZOOM\r_W\r" + s.PointText1 + "\r" + s.PointText2 + "\r");
            if (asBlock) {
                Draw_Block_Quorvel(d, L, b, b1, c, old ? *placed : *block, Is3D);
                if (old && m_placed) {
                    Replace_Stud(old);
                }
            } else if (Is3D && m_solid3D) {
                Draw_3D_Solid(d, L, c);
            } else if (Is3D) {
                Draw_3D_Quorvel(PartName, d, L, b, b1, c);
            } else {
                Draw_2D_Quorvel(d, L, b, b1, c);
            }
            s.AcadDoc.call("SetVariable", {"OSMODE", savedOsmode});
            osmodeOff = false;
            sendCommand("_ZOOM\r_P\r");
        });
        if (!completed) {
            restoreOsmode();
        }
    } catch (...) {
        restoreOsmode();
        throw;
    }
}
