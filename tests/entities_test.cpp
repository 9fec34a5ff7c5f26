// The entities the host's object model makes in model space: what AddLightWeightPolyline takes
// and refuses, and Closed, Layer and Delete on what it made.
#include "host/objects/object_model.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using cadhost::HostValue;
using cadhost::InvokeResult;
using cadhost::ObjectRef;
using Args = std::vector<HostValue>;
using Numbers = std::vector<double>;

struct Model {
    drawing::CadDrawing drawing;
    cadhost::ObjectModel model{drawing};
    std::string call(const std::string& path, const std::string& member, std::int32_t kind,
                     Args args = {})
    {
        const InvokeResult result = model.invoke(path, member, kind, args);
        if (result.status == InvokeResult::Status::Failed) {
            return std::string(cadhost::errorName(result.error.kind)) + ": " + result.error.text;
        }
        return "-> " + cadhost::showValue(result.value);
    }
};

const std::string type = "org.quorvel.Automation.TypeMismatch: Type mismatch: argument ";
const std::string exception = "org.quorvel.Automation.Exception: ";

} // namespace

TEST(HostEntities, PolylineVerticesAreCheckedAsACOMServerChecksThem)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* label;
        std::int32_t kind;
        Args args;
        std::string outcome;
    } rows[] = {
        {"an odd number of doubles", 1, {Numbers{0, 0, 1, 1, 2}},
         type + "1 of AddLightWeightPolyline"},
        {"a number that is not finite", 1, {Numbers{0, 0, nan, 1}},
         type + "1 of AddLightWeightPolyline"},
        {"a point list as text", 1, {"0,0 1,1"}, type + "1 of AddLightWeightPolyline"},
        {"objects instead of numbers", 1, {std::vector<ObjectRef>{{"/Layers/0"}}},
         type + "1 of AddLightWeightPolyline"},
        {"one vertex", 1, {Numbers{1, 2}}, exception + "A polyline needs at least two vertices"},
        {"a coordinate beyond the limit", 1, {Numbers{0, 0, 2e15, 0}},
         exception + "Coordinate out of range"},
        {"no vertices at all", 1, {}, "org.quorvel.Automation.BadParamCount: Wrong number of "
                                      "arguments: AddLightWeightPolyline takes 1, got 0"},
        {"read as a property", 2, {Numbers{0, 0, 1, 1}},
         "org.quorvel.Automation.MemberNotFound: Member not found: AddLightWeightPolyline with "
         "kind 2"},
        {"two vertices", 1, {Numbers{0, 0, 1, 1}}, "-> /Entities/1"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        Model host;
        EXPECT_EQ(host.call("/Document", "ModelSpace", 2), "-> /ModelSpace");
        EXPECT_EQ(host.call("/ModelSpace", "AddLightWeightPolyline", row.kind, row.args),
                  row.outcome);
        const bool made = row.outcome.rfind("->", 0) == 0;
        EXPECT_EQ(host.drawing.polylines.size(), made ? 1u : 0u); // nothing half made
    }
}

TEST(HostEntities, ClosedLayerAndDeleteActOnTheEntityMade)
{
    Model host;
    ASSERT_EQ(host.call("/Layers", "Add", 1, {"контур"}), "-> /Layers/1");
    ASSERT_EQ(host.call("/ModelSpace", "AddLightWeightPolyline", 1, {Numbers{0, 0, 4, 0, 4, 3}}),
              "-> /Entities/1");
    ASSERT_EQ(host.call("/ModelSpace", "AddLightWeightPolyline", 1, {Numbers{9, 9, 8, 8}}),
              "-> /Entities/2");
    const drawing::Polyline& first = host.drawing.polylines.front();
    EXPECT_EQ(first.layer, 0u); // the active layer
    EXPECT_EQ(first.vertices.size(), 3u);
    EXPECT_EQ(first.vertices[2].x, 4);
    EXPECT_EQ(first.vertices[2].y, 3);

    EXPECT_EQ(host.call("/Entities/1", "Closed", 2), "-> false");
    EXPECT_EQ(host.call("/Entities/1", "Closed", 4, {true}), "-> <empty>");
    EXPECT_EQ(host.call("/Entities/1", "Closed", 2), "-> true");
    EXPECT_EQ(host.call("/Entities/1", "Closed", 4, {"yes"}), type + "1 of Closed");
    EXPECT_EQ(host.call("/Entities/1", "Layer", 4, {"контур"}), "-> <empty>");
    EXPECT_EQ(host.call("/Entities/1", "Layer", 2), "-> контур");
    EXPECT_EQ(host.call("/Entities/1", "Layer", 4, {"нет"}), exception + "No layer named нет");
    EXPECT_EQ(host.call("/Entities/1", "Layer", 4, {7}), type + "1 of Layer");
    EXPECT_EQ(host.drawing.polylines.front().layer, 1u);
    EXPECT_TRUE(host.drawing.polylines.front().closed);

    // Deleting the first leaves the second reachable under its own name, the first under none.
    EXPECT_EQ(host.call("/Entities/1", "Delete", 3, {1}),
              "org.quorvel.Automation.BadParamCount: Wrong number of arguments: Delete takes 0, "
              "got 1");
    EXPECT_EQ(host.call("/Entities/1", "Delete", 1), "-> <empty>");
    EXPECT_EQ(host.call("/Entities/1", "Closed", 2), "org.quorvel.Automation.Failed: No such object");
    ASSERT_EQ(host.drawing.polylines.size(), 1u);
    EXPECT_EQ(host.drawing.polylines.front().vertices.front().x, 9);
    EXPECT_EQ(host.call("/Entities/2", "Layer", 2), "-> 0");
    EXPECT_EQ(host.call("/Entities/0", "Layer", 2), "org.quorvel.Automation.Failed: No such object");
    EXPECT_EQ(host.call("/Entities/2", "Colour", 2),
              "org.quorvel.Automation.UnknownName: Unknown name: Colour");
}

TEST(HostEntities, DeletedEntitiesGiveTheirRoomBackToTheElementLimit)
{
    Model host;
    const Numbers half(2 * drawing::maxEntityVertices, 1.0);
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(host.call("/ModelSpace", "AddLightWeightPolyline", 1,
                            {half}),
                  "-> /Entities/" + std::to_string(2 * round + 1));
        ASSERT_EQ(host.call("/ModelSpace", "AddLightWeightPolyline", 1,
                            {half}),
                  "-> /Entities/" + std::to_string(2 * round + 2));
        EXPECT_EQ(host.call("/Entities/" + std::to_string(2 * round + 1), "Delete", 1),
                  "-> <empty>");
        EXPECT_EQ(host.call("/Entities/" + std::to_string(2 * round + 2), "Delete", 1),
                  "-> <empty>");
    }
    // Ten polylines of 100 000 vertices fill the drawing; without the room given back, the third
    // would not fit.
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(host.call("/ModelSpace", "AddLightWeightPolyline", 1,
                            {half})
                      .rfind("-> ", 0),
                  0u)
            << i;
    }
    EXPECT_EQ(host.call("/ModelSpace", "AddLightWeightPolyline", 1,
                        {half}),
              exception + "The drawing is full");
    EXPECT_EQ(host.drawing.polylines.size(), 10u);
}

// Regions and revolved solids: each refusal with the error a COM server gives, and nothing made
// by a refused call.
TEST(HostEntities, RegionsAndSolidsRefuseWhatCannotBeBuilt)
{
    const double turn = 6.283185307179586;
    const Numbers square{0, 0, 4, 0, 4, 3, 0, 3};
    const std::vector<ObjectRef> first{{"/Entities/1"}};
    const struct {
        const char* label;
        Numbers vertices; // the polyline made first (/Entities/1), closed
        const char* member;
        Args args;
        std::string outcome;
    } rows[] = {
        {"a region of a closed polyline", square, "AddRegion", {first}, "-> [/Entities/2]"},
        {"an empty array of VARIANTs", square, "AddRegion", {Numbers{}},
         exception + "No curves to make a region of"},
        {"no array", square, "AddRegion", {ObjectRef{"/Entities/1"}}, type + "1 of AddRegion"},
        {"a layer for a curve", square, "AddRegion", {std::vector<ObjectRef>{{"/Layers/0"}}},
         exception + "Not a curve: /Layers/0"},
        {"a degenerate loop", Numbers{0, 0, 4, 0, 8, 0}, "AddRegion", {first},
         exception + "The curve bounds no area or crosses itself"},
        {"a loop that crosses itself", Numbers{0, 0, 4, 3, 4, 0, 0, 3}, "AddRegion", {first},
         exception + "The curve bounds no area or crosses itself"},
        {"a polyline for the region", square, "AddRevolvedSolid",
         {ObjectRef{"/Entities/1"}, Numbers{0, 0, 0}, Numbers{1, 0, 0}, turn},
         type + "1 of AddRevolvedSolid"},
        {"an axis across the region", square, "AddRevolvedSolid",
         {ObjectRef{"/Entities/2"}, Numbers{0, 1, 0}, Numbers{1, 0, 0}, turn},
         exception + "The region cannot be revolved: the profile lies on both sides of the axis"},
        {"no direction", square, "AddRevolvedSolid",
         {ObjectRef{"/Entities/2"}, Numbers{0, 0, 0}, Numbers{0, 0, 0}, turn},
         exception + "The axis has no direction"},
        {"an axis out of the plane", square, "AddRevolvedSolid",
         {ObjectRef{"/Entities/2"}, Numbers{0, 0, 0}, Numbers{1, 0, 1}, turn},
         exception + "The axis is not in the region's plane"},
        {"half a turn", square, "AddRevolvedSolid",
         {ObjectRef{"/Entities/2"}, Numbers{0, 0, 0}, Numbers{1, 0, 0}, turn / 2},
         exception + "Only a full turn can be revolved"},
        {"an angle that is no number", square, "AddRevolvedSolid",
         {ObjectRef{"/Entities/2"}, Numbers{0, 0, 0}, Numbers{1, 0, 0},
          std::numeric_limits<double>::infinity()},
         type + "4 of AddRevolvedSolid"},
        {"a direction of two numbers", square, "AddRevolvedSolid",
         {ObjectRef{"/Entities/2"}, Numbers{0, 0, 0}, Numbers{1, 0}, turn},
         type + "3 of AddRevolvedSolid"},
        {"a ring about an axis off the region", square, "AddRevolvedSolid",
         {ObjectRef{"/Entities/2"}, Numbers{0, -2, 0}, Numbers{-3, 0, 0}, turn},
         "-> /Entities/3"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        Model host;
        ASSERT_EQ(host.call("/ModelSpace", "AddLightWeightPolyline", 1, {row.vertices}),
                  "-> /Entities/1");
        ASSERT_EQ(host.call("/Entities/1", "Closed", 4, {true}), "-> <empty>");
        const bool solid = std::string(row.member) == "AddRevolvedSolid";
        if (solid) {
            ASSERT_EQ(host.call("/ModelSpace", "AddRegion", 1, {first}), "-> [/Entities/2]");
        }
        EXPECT_EQ(host.call("/ModelSpace", row.member, 1, row.args), row.outcome);
        const bool made = row.outcome.rfind("->", 0) == 0;
        EXPECT_EQ(host.drawing.regions.size(), solid || made ? 1u : 0u);
        EXPECT_EQ(host.drawing.parts.size(), solid && made ? 1u : 0u);
    }
}

// An open polyline makes no region; closed, it does, and its own deletion leaves the region.
TEST(HostEntities, ARegionNeedsAClosedCurveAndOutlivesIt)
{
    Model host;
    ASSERT_EQ(host.call("/ModelSpace", "AddLightWeightPolyline", 1, {Numbers{0, 0, 4, 0, 4, 3}}),
              "-> /Entities/1");
    const std::vector<ObjectRef> curve{{"/Entities/1"}};
    EXPECT_EQ(host.call("/ModelSpace", "AddRegion", 1, {curve}),
              exception + "The curve is not closed");
    ASSERT_EQ(host.call("/Entities/1", "Closed", 4, {true}), "-> <empty>");
    EXPECT_EQ(host.call("/ModelSpace", "AddRegion", 1, {curve}), "-> [/Entities/2]");
    EXPECT_EQ(host.call("/Entities/1", "Delete", 1), "-> <empty>");
    EXPECT_EQ(host.call("/Entities/2", "Layer", 2), "-> 0");
    EXPECT_EQ(host.call("/Entities/2", "Closed", 2),
              "org.quorvel.Automation.UnknownName: Unknown name: Closed");
    ASSERT_EQ(host.drawing.regions.size(), 1u);
    EXPECT_EQ(host.drawing.regions[0].loop.size(), 3u);
}
