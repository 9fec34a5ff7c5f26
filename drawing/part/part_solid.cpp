#include "drawing/part/part_shape.h"

#include "drawing/part/part_profile.h"
#include "drawing/part/part_steps.h"

#include <BRepAdaptor_Curve.hxx>
#include <BRepAdaptor_Surface.hxx>
#include <BRepAlgoAPI_Section.hxx>
#include <BRepAlgoAPI_Splitter.hxx>
#include <BRepBuilderAPI_MakeEdge.hxx>
#include <BRepBuilderAPI_MakeFace.hxx>
#include <BRepBuilderAPI_MakePolygon.hxx>
#include <BRepBuilderAPI_MakeVertex.hxx>
#include <BRepCheck_Analyzer.hxx>
#include <BRepExtrema_DistShapeShape.hxx>
#include <BRepFilletAPI_MakeChamfer.hxx>
#include <BRepGProp.hxx>
#include <BRepPrimAPI_MakeRevol.hxx>
#include <BRep_Tool.hxx>
#include <GProp_GProps.hxx>
#include <Standard_Failure.hxx>
#include <TopExp.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_IndexedMapOfShape.hxx>
#include <TopTools_ListOfShape.hxx>
#include <TopoDS.hxx>
#include <gp_Circ.hxx>
#include <gp_Lin.hxx>
#include <gp_Pln.hxx>

#include <algorithm>
#include <cmath>
#include <limits>

namespace drawing {

namespace {

gp_Pnt inSketch(Vec2 p)
{
    return {p.x, p.y, 0.0};
}

// The one solid in a modelling result, checked; anything else means the step failed.
TopoDS_Shape singleValidSolid(const TopoDS_Shape& result, const std::string& failure)
{
    TopoDS_Shape solid;
    int solids = 0;
    for (TopExp_Explorer it(result, TopAbs_SOLID); it.More(); it.Next()) {
        solid = it.Current();
        ++solids;
    }
    if (solids != 1 || !BRepCheck_Analyzer(solid).IsValid()) {
        throw ModelingError(failure);
    }
    return solid;
}

// Runs a modelling step, turning the library's own failures into a ModelingError.
template <typename Step> auto guarded(const std::string& failure, Step step)
{
    try {
        return step();
    } catch (const Standard_Failure&) {
        throw ModelingError(failure);
    }
}

double along(const PartSolid::Body& body, const gp_Pnt& point)
{
    return gp_Vec(body.axis.Location(), point).Dot(gp_Vec(body.axis.Direction()));
}

std::pair<double, double> axialExtent(const PartSolid::Body& body)
{
    TopTools_IndexedMapOfShape vertices;
    TopExp::MapShapes(body.shape, TopAbs_VERTEX, vertices);
    double first = std::numeric_limits<double>::infinity(), last = -first;
    for (int i = 1; i <= vertices.Extent(); ++i) {
        const double position = along(body, BRep_Tool::Pnt(TopoDS::Vertex(vertices(i))));
        first = std::min(first, position);
        last = std::max(last, position);
    }
    return {first, last};
}

double outerRadius(const PartSolid::Body& body)
{
    TopTools_IndexedMapOfShape vertices;
    TopExp::MapShapes(body.shape, TopAbs_VERTEX, vertices);
    const gp_Lin axis(body.axis);
    double radius = 0;
    for (int i = 1; i <= vertices.Extent(); ++i) {
        radius = std::max(radius, axis.Distance(BRep_Tool::Pnt(TopoDS::Vertex(vertices(i)))));
    }
    return radius;
}

double tolerance(const PartSolid::Body& body)
{
    const auto [first, last] = axialExtent(body);
    return 1e-6 * std::max({1.0, last - first, outerRadius(body)});
}

TopoDS_Face endFaceAt(const PartSolid::Body& body, Vec2 pick)
{
    const TopoDS_Vertex probe = BRepBuilderAPI_MakeVertex(inSketch(pick));
    const double limit = tolerance(body);
    for (TopExp_Explorer it(body.shape, TopAbs_FACE); it.More(); it.Next()) {
        const TopoDS_Face& face = TopoDS::Face(it.Current());
        const BRepAdaptor_Surface surface(face);
        if (surface.GetType() != GeomAbs_Plane ||
            !surface.Plane().Axis().IsParallel(body.axis, 1e-9)) {
            continue;
        }
        BRepExtrema_DistShapeShape distance(probe, face);
        if (distance.IsDone() && distance.Value() <= limit) {
            return face;
        }
    }
    throw ModelingError("the pick " + pointText(pick) + " is on no end face");
}

} // namespace

std::size_t PartSolid::threadCount() const
{
    return m_body->threads.size();
}

double PartSolid::volume() const
{
    GProp_GProps properties;
    BRepGProp::VolumeProperties(m_body->shape, properties);
    return properties.Mass();
}

namespace {

std::shared_ptr<const PartSolid::Body> revolvedBody(const RevolveProfile& checked)
{
    const std::vector<Vec2>& points = checked.points;
    const Vec2 a = checked.axisFrom, b = checked.axisTo;
    const std::string failure = "the profile cannot be revolved";
    return guarded(failure, [&] {
        BRepBuilderAPI_MakePolygon polygon;
        for (Vec2 p : points) {
            polygon.Add(inSketch(p));
        }
        polygon.Close();
        if (!polygon.IsDone()) {
            throw ModelingError("the profile bounds no area");
        }
        BRepBuilderAPI_MakeFace face(polygon.Wire(), true);
        if (!face.IsDone() || !BRepCheck_Analyzer(face.Face()).IsValid()) {
            throw ModelingError("the profile bounds no area or crosses itself");
        }
        const gp_Ax1 axis(inSketch(a), gp_Dir(b.x - a.x, b.y - a.y, 0));
        BRepPrimAPI_MakeRevol revolution(face.Face(), axis);
        if (!revolution.IsDone()) {
            throw ModelingError(failure);
        }
        return std::make_shared<const PartSolid::Body>(
            PartSolid::Body{singleValidSolid(revolution.Shape(), failure), axis, {}, {}});
    });
}

} // namespace

PartSolid PartSolid::revolve(const std::vector<Vec2>& profile, Vec2 axisPick)
{
    return PartSolid(revolvedBody(revolveProfile(profile, axisPick)));
}

PartSolid PartSolid::revolveAbout(const std::vector<Vec2>& profile, Vec2 axisFrom, Vec2 axisTo)
{
    return PartSolid(revolvedBody(revolveProfileAbout(profile, axisFrom, axisTo)));
}

PartSolid PartSolid::withThread(Vec2 endFacePick, std::optional<double> length) const
{
    const std::string failure = "the outer cylinder cannot be split where the thread ends";
    return guarded(failure, [&] {
        const TopoDS_Face endFace = endFaceAt(*m_body, endFacePick);
        const gp_Pln plane = BRepAdaptor_Surface(endFace).Plane();
        // The surface's normal is XDirection x YDirection (the plane's frame may be left-handed);
        // on a reversed face the outside is the other way.
        gp_Dir outward = plane.Position().XDirection().Crossed(plane.Position().YDirection());
        if (endFace.Orientation() == TopAbs_REVERSED) {
            outward.Reverse();
        }
        const double inward = outward.Dot(m_body->axis.Direction()) > 0 ? -1.0 : 1.0;
        const double at = along(*m_body, plane.Location());
        const auto [first, last] = axialExtent(*m_body);
        const double whole = inward > 0 ? last - at : at - first;
        const double limit = tolerance(*m_body);
        const NewThread thread = newThread(m_body->threads, at, inward, whole, length, limit);
        TopoDS_Shape shape = m_body->shape;
        if (thread.length < whole - limit) {
            const gp_Pnt centre = m_body->axis.Location().Translated(
                gp_Vec(m_body->axis.Direction()).Multiplied(thread.end));
            const TopoDS_Edge threadEnd = BRepBuilderAPI_MakeEdge(
                gp_Circ(gp_Ax2(centre, m_body->axis.Direction()), outerRadius(*m_body)));
            TopTools_ListOfShape objects, tools;
            objects.Append(m_body->shape);
            tools.Append(threadEnd);
            BRepAlgoAPI_Splitter splitter;
            splitter.SetArguments(objects);
            splitter.SetTools(tools);
            splitter.Build();
            if (!splitter.IsDone() || splitter.HasErrors()) {
                throw ModelingError(failure);
            }
            shape = singleValidSolid(splitter.Shape(), failure);
        }
        std::vector<ThreadStretch> threads = m_body->threads;
        threads.push_back(thread.stretch);
        return PartSolid(
            std::make_shared<const Body>(Body{shape, m_body->axis, std::move(threads), {}}));
    });
}

PartSolid PartSolid::withChamfer(const std::vector<Vec2>& endFacePicks, double size) const
{
    checkChamfer(endFacePicks, size);
    const std::string failure = chamferDoesNotFit(size);
    return guarded(failure, [&] {
        BRepFilletAPI_MakeChamfer chamfer(m_body->shape);
        TopTools_IndexedMapOfShape rims;
        for (Vec2 pick : endFacePicks) {
            TopoDS_Edge rim;
            double rimRadius = 0;
            for (TopExp_Explorer it(endFaceAt(*m_body, pick), TopAbs_EDGE); it.More(); it.Next()) {
                const BRepAdaptor_Curve curve(TopoDS::Edge(it.Current()));
                if (curve.GetType() == GeomAbs_Circle && curve.Circle().Radius() > rimRadius) {
                    rim = TopoDS::Edge(it.Current());
                    rimRadius = curve.Circle().Radius();
                }
            }
            if (rim.IsNull()) {
                throw ModelingError("the end face at " + pointText(pick) + " has no circular edge");
            }
            checkChamferOnRim(size, rimRadius);
            const int known = rims.Extent();
            if (rims.Add(rim) > known) { // both picks on one face chamfer its rim once
                chamfer.Add(size, rim);
            }
        }
        chamfer.Build();
        if (!chamfer.IsDone()) {
            throw ModelingError(failure);
        }
        return PartSolid(std::make_shared<const Body>(
            Body{singleValidSolid(chamfer.Shape(), failure), m_body->axis, m_body->threads, {}}));
    });
}

PartSolid solidFromShape(const TopoDS_Shape& shape, const gp_Ax1& axis,
                         std::vector<ThreadStretch> threads)
{
    const std::string failure = "the shape is not one valid solid";
    TopoDS_Shape solid = guarded(failure, [&] { return singleValidSolid(shape, failure); });
    return PartSolid::fromBody(std::make_shared<const PartSolid::Body>(
        PartSolid::Body{std::move(solid), axis, std::move(threads), {}}));
}

std::vector<NamedFace> namedThreadFaces(const PartSolid& solid)
{
    const PartSolid::Body& body = solid.body();
    std::vector<NamedFace> faces;
    const double radius = outerRadius(body);
    const double limit = tolerance(body);
    for (TopExp_Explorer it(body.shape, TopAbs_FACE); it.More(); it.Next()) {
        const TopoDS_Face& face = TopoDS::Face(it.Current());
        const BRepAdaptor_Surface surface(face);
        if (surface.GetType() != GeomAbs_Cylinder ||
            std::abs(surface.Cylinder().Radius() - radius) > limit ||
            !surface.Cylinder().Axis().IsParallel(body.axis, 1e-9) ||
            gp_Lin(body.axis).Distance(surface.Cylinder().Location()) > limit) {
            continue;
        }
        TopTools_IndexedMapOfShape vertices;
        TopExp::MapShapes(face, TopAbs_VERTEX, vertices);
        double from = std::numeric_limits<double>::infinity(), to = -from;
        for (int i = 1; i <= vertices.Extent(); ++i) {
            const double position = along(body, BRep_Tool::Pnt(TopoDS::Vertex(vertices(i))));
            from = std::min(from, position);
            to = std::max(to, position);
        }
        std::string name;
        for (const ThreadStretch& thread : body.threads) {
            if (from >= thread.from - limit && to <= thread.to + limit) {
                name += (name.empty() ? "" : "; ") + thread.name;
            }
        }
        if (!name.empty()) {
            faces.push_back({face, name});
        }
    }
    return faces;
}

const std::vector<std::pair<Vec2, Vec2>>& PartSolid::sideView() const
{
    if (m_body->sideView) {
        return *m_body->sideView;
    }
    std::vector<std::pair<Vec2, Vec2>> view;
    const auto add = [&view](const gp_Pnt& a, const gp_Pnt& b) {
        const std::pair<Vec2, Vec2> segment{{a.X(), a.Y()}, {b.X(), b.Y()}};
        const auto same = [&segment](const std::pair<Vec2, Vec2>& other) {
            return segment.first.x == other.first.x && segment.first.y == other.first.y &&
                   segment.second.x == other.second.x && segment.second.y == other.second.y;
        };
        if (std::none_of(view.begin(), view.end(), same)) {
            view.push_back(segment);
        }
    };
    const auto addEdge = [&add](const TopoDS_Edge& edge) {
        if (BRep_Tool::Degenerated(edge)) {
            return;
        }
        const BRepAdaptor_Curve curve(edge);
        const double first = curve.FirstParameter(), last = curve.LastParameter();
        if (curve.GetType() == GeomAbs_Line) {
            add(curve.Value(first), curve.Value(last));
            return;
        }
        // A circle about an axis in the view plane is seen edge-on, as one segment. The bodies
        // here are whole revolutions, so an arc (a circle split at the seam) stands for its circle.
        if (curve.GetType() == GeomAbs_Circle &&
            std::abs(curve.Circle().Axis().Direction().Z()) < 1e-12) {
            const gp_Circ circle = curve.Circle();
            const gp_Vec across =
                gp_Vec(gp::DZ().Crossed(circle.Axis().Direction())).Multiplied(circle.Radius());
            add(circle.Location().Translated(-across), circle.Location().Translated(across));
            return;
        }
        constexpr int steps = 32;
        for (int i = 0; i < steps; ++i) {
            add(curve.Value(first + (last - first) * i / steps),
                curve.Value(first + (last - first) * (i + 1) / steps));
        }
    };
    try {
        BRepAlgoAPI_Section section(m_body->shape, gp_Pln(gp::XOY()), false);
        section.Build();
        if (section.IsDone()) {
            for (TopExp_Explorer it(section.Shape(), TopAbs_EDGE); it.More(); it.Next()) {
                addEdge(TopoDS::Edge(it.Current()));
            }
        }
        // Straight edges of a body revolved about an axis in the sketch plane lie in that plane
        // and are already part of the section.
        TopTools_IndexedMapOfShape edges;
        TopExp::MapShapes(m_body->shape, TopAbs_EDGE, edges);
        for (int i = 1; i <= edges.Extent(); ++i) {
            const TopoDS_Edge& edge = TopoDS::Edge(edges(i));
            if (!BRep_Tool::Degenerated(edge) &&
                BRepAdaptor_Curve(edge).GetType() != GeomAbs_Line) {
                addEdge(edge);
            }
        }
    } catch (const Standard_Failure&) {
        // The view is only shown; a part whose section fails is shown by what was gathered.
    }
    m_body->sideView = std::move(view);
    return *m_body->sideView;
}

} // namespace drawing
