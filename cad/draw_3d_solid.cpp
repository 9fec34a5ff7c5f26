// The stud as a solid through the object model, for CAD programs without the part-modelling
// add-on: its half cross-section as a closed polyline, a region of it, the region revolved about
// the stud's axis, the solid moved to the main layer, the helpers deleted. No thread is modelled:
// these programs have no cosmetic threads.
#include "cad/quorvel_draw.h"
#include "cad/side_view.h"

#include <vector>

namespace {

constexpr double fullTurn = 6.283185307179586;

// A helper of a finished solid. CAD programs may erase the curves a region is made of themselves
// (as their DELOBJ variable says), so the host may refuse this Delete: the solid is whole all the
// same, and a helper it kept is the least harm.
void deleteHelper(const OleObject& helper)
{
    try {
        helper.call("Delete", {});
    } catch (const EOleError&) {
    }
}

} // namespace

OleObject QuorvelDraw::MakeSolid(double d, double L, double c, const Point& base)
{
    DrawSession& s = m_session;
    std::vector<OleObject> made; // deleted again if the run fails
    try {
        // The part commands' profile, with the chamfers cut into its outer corners.
        const OleObject modelSpace = s.AcadDoc.get("ModelSpace").toObject();
        const OleObject outline =
            modelSpace.call("AddLightWeightPolyline", {studHalfSection(d, L, c, base)}).toObject();
        made.push_back(outline);
        outline.put("Closed", true);
        const Objects regions = modelSpace.call("AddRegion", {Objects{outline}}).toObjects();
        made.insert(made.end(), regions.begin(), regions.end());
        if (regions.size() != 1) {
            throw EOleSysError("AddRegion made " + std::to_string(regions.size()) +
                                   " regions of one closed outline",
                               statusFail);
        }
        const OleObject solid =
            modelSpace
                .call("AddRevolvedSolid", {regions.front(), base, Point{1.0, 0.0, 0.0}, fullTurn})
                .toObject();
        made.push_back(solid);
        std::string layerName;
        FindLayer(s.AcadDoc.get("Layers").toObject(), m_layers.LayerMain, mainColor, layerName);
        solid.put("Layer", layerName);
        deleteHelper(regions.front());
        deleteHelper(outline);
        return solid;
    } catch (...) {
        deleteQuietly(made);
        throw;
    }
}

void QuorvelDraw::Draw_3D_Solid(double d, double L, double c)
{
    runReported("Draw_3D_Solid", HostName::AutoCAD,
                [&] { MakeSolid(d, L, c, m_session.InsPoint); });
}
