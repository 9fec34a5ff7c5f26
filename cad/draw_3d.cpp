// The stud as a solid part: profile, revolution, one or two threads and the end chamfers.
#include "cad/point_text.h"
#include "cad/quorvel_draw.h"
#include "model/number_text.h"

namespace {

constexpr double halfPi = 1.5707963267948966;

} // namespace

void QuorvelDraw::Draw_3D_Quorvel(const std::string& PartName, double d, double L, double b,
                                  double b1, double c)
{
    DrawSession& s = m_session;
    bool cmddiaOff = false; // CMDDIA is 0 and not yet set back to 1
    const auto polarPoint = [&](const Point& from, double angle, double distance) {
        return s.AcadDoc.get("Utility")
            .toObject()
            .call("PolarPoint", {from, angle, distance})
            .toPoint();
    };
    // Command dialogs must not stay off after an early stop: one quiet attempt to switch them on;
    // its own failure is not reported again.
    const auto restoreCmddia = [&] {
        if (cmddiaOff) {
            cmddiaOff = false;
            try {
                sendCommand("CMDDIA\r1\r");
            } catch (const EOleError&) {
            }
        }
    };
    bool completed = false;
    try {
        completed = runReported("Draw_3D_Quorvel", HostName::MDT6, [&] {
            const auto [x, y, z] = s.InsPoint;
            s.Point1 = {x + L, y, z};
            s.Point2 = {s.Point1[0], s.Point1[1] + d * 0.5, z};
            s.Point3 = {x, s.Point2[1], z};
            s.InsText = PointToText(s.InsPoint);
            s.PointText1 = PointToText(s.Point1);
            s.PointText2 = PointToText(s.Point2);
            s.PointText3 = PointToText(s.Point3);

            s.HalfDist = PointDistance(s.InsPoint, s.Point1) * 0.5;
            s.Point4 = polarPoint(s.InsPoint, 0.0, s.HalfDist);
            s.PointText4 = PointToText(s.Point4);
            s.HalfDist = PointDistance(s.InsPoint, s.Point3) * 0.5;
            s.Point5 = polarPoint(s.InsPoint, halfPi, s.HalfDist);
            s.PointText5 = PointToText(s.Point5);
            s.Point6 = polarPoint(s.Point1, halfPi, s.HalfDist);
            s.PointText6 = PointToText(s.Point6);

            s.BText = numberText(b);
            s.B1Text = numberText(b1);
            s.CText = numberText(c);

            sendCommand("CMDDIA\r0\r");
            cmddiaOff = true;
            sendCommand("AMDT_NEW_PART\r" + PartName + "\r");
            sendCommand("_PLINE\r" + s.InsText + "\r" + s.PointText1 + "\r" + s.PointText2 + "\r" +
                        s.PointText3 + "\r" + "CL" + "\r");
            sendCommand("amdt_1profile\r");
            sendCommand("amrevolve\r" + s.PointText4 + "\r" + "\r" + "\r");
            if (b == b1 && 2 * b == L) {
                sendCommand("_amthread\r" + s.PointText5 + "\r" + "E" + "\r" + "F" + "\r" + "\r");
            } else {
                sendCommand("_amthread\r" + s.PointText5 + "\r" + "E" + "\r" + s.B1Text + "\r" +
                            "\r");
                sendCommand("_amthread\r" + s.PointText6 + "\r" + "E" + "\r" + s.BText + "\r" +
                            "\r");
            }
            sendCommand("_amchamfer\rE\r" + s.PointText5 + "\r" + s.PointText6 + "\r" + "\r" +
                        s.CText + "\r");
            sendCommand("CMDDIA\r1\r");
            cmddiaOff = false;
        });
    } catch (...) {
        restoreCmddia();
        throw;
    }
    if (!completed) {
        restoreCmddia();
    }
}
