// Studs placed as blocks in the stand-in host's object model, reached in this process: the
// block's contents against the loose lines of the same stud, the edit round trip through the
// pick and the extended data, and the COM-style refusals of the new calls.
#include "cad/quorvel_draw.h"
#include "export/in_process_host.h"
#include "host/objects/object_model.h"
#include "recording_reporter.h"

#include <gtest/gtest.h>

namespace {

constexpr double tolerance = 1e-9;

struct Placed {
    exporter::InProcessHost host;
    RecordingReporter reporter;
    LayerNames layers{"main", "thin", "axis"};
    QuorvelDraw draw{host, reporter, layers};
};

StoredStud stud(double d, double L, double b, double b1, double c, bool free)
{
    StoredStud s;
    s.standard = "22032-76";
    s.d = d;
    s.L = L;
    s.b = b;
    s.b1 = b1;
    s.c = c;
    s.P = 1.75;
    s.freeDimensions = free;
    return s;
}

void placeBlock(Placed& placed, const StoredStud& s)
{
    const StudBlock block = studBlock(s, StudFamily::ScrewIn);
    placed.draw.Start_ACAD(false, "unused", s.d, s.L + s.b1, s.b, s.b1, s.c, &block);
}

std::string layerOf(const drawing::CadDrawing& drawn, std::size_t layer)
{
    return drawn.layers.at(layer).name;
}

void expectSame(drawing::Vec2 a, drawing::Vec2 b)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
}

} // namespace

TEST(StudBlockInHost, HoldsTheLooseLinesOfTheSameStud)
{
    const struct {
        const char* label;
        StoredStud stud;
    } rows[] = {
        {"partial thread", stud(12, 100, 30, 12, 1.6, false)},
        {"whole thread", stud(12, 30, 30, 30, 1.6, true)}, // overall 60 = 2b, b = b1
        {"free dimensions", stud(7.3, 33.1, 11.1, 9.35, 0.45, true)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const StoredStud& s = row.stud;
        Placed loose;
        loose.draw.Start_ACAD(false, "unused", s.d, s.L + s.b1, s.b, s.b1, s.c);
        Placed block;
        placeBlock(block, s);
        ASSERT_TRUE(loose.reporter.messages.empty());
        ASSERT_TRUE(block.reporter.messages.empty());

        const drawing::CadDrawing& expected = loose.host.drawing();
        const drawing::CadDrawing& drawn = block.host.drawing();
        EXPECT_TRUE(drawn.lines.empty());
        EXPECT_TRUE(drawn.polylines.empty());
        ASSERT_EQ(drawn.blocks.size(), 1u);
        ASSERT_EQ(drawn.inserts.size(), 1u);
        const drawing::Block& made = drawn.blocks[0];
        ASSERT_EQ(made.polylines.size(), 1u);
        ASSERT_EQ(expected.polylines.size(), 1u);
        const auto& outline = made.polylines[0];
        EXPECT_TRUE(outline.closed);
        EXPECT_EQ(layerOf(drawn, outline.layer), layerOf(expected, expected.polylines[0].layer));
        ASSERT_EQ(outline.vertices.size(), expected.polylines[0].vertices.size());
        for (std::size_t i = 0; i < outline.vertices.size(); ++i) {
            expectSame(outline.vertices[i], expected.polylines[0].vertices[i]);
        }
        ASSERT_EQ(made.lines.size(), expected.lines.size());
        for (std::size_t i = 0; i < made.lines.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(layerOf(drawn, made.lines[i].layer),
                      layerOf(expected, expected.lines[i].layer));
            expectSame(made.lines[i].from, expected.lines[i].from);
            expectSame(made.lines[i].to, expected.lines[i].to);
        }
        // The same three layers with the same colours, whichever way the stud was drawn.
        ASSERT_EQ(drawn.layers.size(), expected.layers.size());
        for (std::size_t i = 0; i < drawn.layers.size(); ++i) {
            EXPECT_EQ(drawn.layers[i].name, expected.layers[i].name);
            EXPECT_EQ(drawn.layers[i].color, expected.layers[i].color);
        }
    }
}

TEST(StudBlockInHost, EditRoundTripReplacesTheStudInPlace)
{
    Placed placed;
    const StoredStud first = stud(12, 100, 30, 12, 1.6, false);
    placeBlock(placed, first);
    // The host answers every pick at (0, 0): on the stud's axis.
    ASSERT_EQ(placed.draw.Edit_Stud(), EditOutcome::Picked);
    const StoredStud picked = placed.draw.edited();
    EXPECT_EQ(picked.standard, first.standard);
    EXPECT_EQ(picked.L, first.L);
    EXPECT_EQ(picked.c, first.c);

    StoredStud longer = picked;
    longer.L = 120;
    placeBlock(placed, longer);
    ASSERT_TRUE(placed.reporter.messages.empty());
    const drawing::CadDrawing& drawn = placed.host.drawing();
    ASSERT_EQ(drawn.inserts.size(), 1u);
    const drawing::Insert& insert = drawn.inserts[0];
    EXPECT_EQ(insert.block, "GOST22032-76_M12x120");
    EXPECT_EQ(insert.at.x, 0);
    EXPECT_EQ(insert.at.y, 0);
    ASSERT_EQ(insert.values.size(), 6u);
    EXPECT_EQ(insert.values[0], "Шпилька М12×120 ГОСТ 22032-76");
    EXPECT_EQ(insert.values[4], "0,110");
    ASSERT_EQ(insert.data.size(), 1u);
    EXPECT_EQ(insert.data[0].application, "QUORVEL");
    EXPECT_EQ(std::get<double>(insert.data[0].items.at(4).value), 120);
    EXPECT_EQ(drawn.applications, (std::vector<std::string>{"QUORVEL"}));
}

TEST(StudBlockInHost, LooseLinesAreNoStud)
{
    // The host picks at (0, 0): on the axis line; with the outline moved up by 4.4, on its corner.
    for (const double up : {0.0, 4.4}) {
        SCOPED_TRACE(up);
        Placed placed;
        placed.draw.Start_ACAD(false, "unused", 12, 112, 30, 12, 1.6);
        if (up != 0) {
            drawing::CadDrawing& drawn = placed.host.drawing();
            drawn.lines.clear(); // leave only the outline polyline near the point
            for (drawing::Vec2& v : drawn.polylines.at(0).vertices) {
                v.y += up;
            }
        }
        EXPECT_EQ(placed.draw.Edit_Stud(), EditOutcome::NotAStud);
        ASSERT_EQ(placed.reporter.messages.size(), 1u);
        EXPECT_EQ(placed.reporter.messages[0].text, std::string(notAStudText));
    }
}

TEST(StudBlockInHost, NewCallsRefuseAsACOMServer)
{
    using cadhost::HostItem;
    using cadhost::HostValue;
    using cadhost::ObjectRef;
    using Items = std::vector<HostItem>;
    using Point = std::vector<double>;
    const std::string count = "org.quorvel.Automation.BadParamCount: Wrong number of arguments: ";
    const std::string type = "org.quorvel.Automation.TypeMismatch: Type mismatch: argument ";
    const std::string notFound = "org.quorvel.Automation.MemberNotFound: Member not found: ";
    const std::string exception = "org.quorvel.Automation.Exception: ";
    using Refs = std::vector<ObjectRef>;
    const std::string unknown = "org.quorvel.Automation.UnknownName: Unknown name: ";
    constexpr double turn = 6.283185307179586;
    // A block "B" (/Blocks/1) with a line (/Entities/2) and one attribute, inserted once
    // (/Entities/3); in model space a 4 x 2 rectangle (/Entities/4), its region (/Entities/5) and
    // the solid turned about its lower edge (/Entities/6); in the block another region
    // (/Entities/8 of /Entities/7); before each row.
    const struct {
        const char* path;
        const char* member;
        std::int32_t kind;
        std::vector<HostValue> args;
        std::string outcome;
    } rows[] = {
        {"/Document", "Blocks", 1, {}, notFound + "Blocks with kind 1"},
        {"/Document", "HandleToObject", 1, {"3"}, "-> /Entities/3"},
        {"/Document", "HandleToObject", 1, {"FF"}, exception + "Invalid handle"},
        {"/Document", "HandleToObject", 1, {2}, type + "1 of HandleToObject"},
        {"/Blocks", "Item", 1, {"B"}, "-> /Blocks/1"},
        {"/Blocks", "Item", 1, {"C"}, exception + "Key not found"},
        {"/Blocks", "Item", 1, {5}, exception + "Index out of range"},
        {"/Blocks", "Count", 3, {}, "-> 1"},
        {"/Blocks", "Add", 1, {Point{0, 0, 0}, "B"}, exception + "Duplicate key"},
        {"/Blocks", "Add", 1, {Point{0, 0}, "C"}, type + "1 of Add"},
        {"/Blocks", "Add", 1, {Point{0, 0, 0}, ""}, exception + "Invalid block name"},
        {"/Blocks", "Add", 1, {Point{0, 0, 0}}, count + "Add takes 2, got 1"},
        {"/Blocks/1", "AddLine", 1, {Point{0, 0, 0}, Point{1, 1}}, type + "2 of AddLine"},
        {"/Blocks/1",
         "AddAttribute",
         1,
         {2.5, 1, "p", Point{0, 0, 0}, "T A", "v"},
         exception + "Invalid attribute tag"},
        {"/Blocks/1",
         "AddAttribute",
         1,
         {2.5, 1, "p", Point{0, 0, 0}, "T"},
         count + "AddAttribute takes 6, got 5"},
        {"/Blocks/1", "Delete", 1, {}, exception + "The block is referenced"},
        {"/Blocks/9", "Name", 3, {}, "org.quorvel.Automation.Failed: No such object"},
        {"/ModelSpace",
         "InsertBlock",
         1,
         {Point{0, 0, 0}, "C", 1, 1, 1, 0},
         exception + "Key not found"},
        {"/ModelSpace",
         "InsertBlock",
         1,
         {Point{0, 0, 0}, "B", 2, 1, 1, 0},
         exception + "Only unscaled, unrotated inserts are supported"},
        {"/ModelSpace",
         "InsertBlock",
         1,
         {Point{0, 0, 0}, "B"},
         count + "InsertBlock takes 6, got 2"},
        {"/Entities/3",
         "InsertionPoint",
         4,
         {Point{1, 1, 1}},
         notFound + "InsertionPoint with kind 4"},
        {"/Entities/3", "GetAttributes", 1, {}, "-> [/Attributes/3/0]"},
        {"/Attributes/3/0", "TagString", 3, {}, "-> TAG"},
        {"/Attributes/3/1", "TagString", 3, {}, "org.quorvel.Automation.Failed: No such object"},
        {"/Attributes/3/0", "TextString", 4, {"a\nb"}, exception + "An attribute holds one line"},
        {"/Entities/3",
         "SetXData",
         1,
         {Items{1001, 1000}, Items{"NOAPP", "x"}},
         exception + "The application is not registered"},
        {"/Entities/3",
         "SetXData",
         1,
         {Items{1001}, Items{"APP", "x"}},
         exception + "Invalid extended data"},
        {"/Entities/3",
         "SetXData",
         1,
         {Items{1000, 1000}, Items{"APP", "x"}},
         exception + "Invalid extended data"},
        {"/Entities/3", "SetXData", 1, {"APP", Items{"APP"}}, type + "1 of SetXData"},
        {"/Entities/3", "SetXData", 1, {Items{1001, 1040}, Items{"APP", "x"}}, "-> <empty>"},
        {"/Entities/3", "GetXData", 1, {"NONE", HostValue{}, HostValue{}}, "-> {{},{}}"},
        {"/RegisteredApplications", "Add", 1, {""}, exception + "Invalid application name"},
        {"/Utility", "GetEntity", 1, {"x", HostValue{}, "p"}, type + "1 of GetEntity"},
        {"/Utility", "GetEntity", 1, {HostValue{}, HostValue{}, "p"}, "-> {/Entities/3,(0,0,0)}"},
        {"/RegisteredApplications", "Item", 1, {"APP"}, "-> /RegisteredApplications"},
        {"/RegisteredApplications", "Item", 1, {"NONE"}, exception + "Key not found"},
        {"/RegisteredApplications", "Item", 1, {1}, exception + "Index out of range"},
        {"/Entities/3",
         "SetXData",
         1,
         {Items{1001, 1070}, Items{"APP", 70000}},
         exception + "Invalid extended data"},
        {"/Entities/3",
         "SetXData",
         1,
         {Items{1001, 1070}, Items{"APP", std::int16_t{-1}}},
         "-> <empty>"},
        {"/Document",
         "CopyObjects",
         1,
         {Refs{{"/Entities/6"}}, ObjectRef{"/Blocks/1"}},
         "-> [/Entities/9]"},
        {"/Document",
         "CopyObjects",
         1,
         {Refs{{"/Entities/4"}, {"/Entities/2"}}, ObjectRef{"/ModelSpace"}, HostValue{}},
         "-> [/Entities/9,/Entities/10]"},
        {"/Document",
         "CopyObjects",
         1,
         {Refs{{"/Entities/6"}, {"/Entities/3"}}, ObjectRef{"/Blocks/1"}},
         exception + "Cannot copy /Entities/3"},
        {"/Document",
         "CopyObjects",
         1,
         {Refs{}, ObjectRef{"/Blocks/1"}},
         exception + "No objects to copy"},
        {"/Document",
         "CopyObjects",
         1,
         {Refs{{"/Entities/6"}}, ObjectRef{"/Layers/0"}},
         type + "2 of CopyObjects"},
        {"/Document",
         "CopyObjects",
         1,
         {Refs{{"/Entities/6"}}},
         count + "CopyObjects takes 2 to 3, got 1"},
        {"/Entities/6", "Volume", 3, {}, "-> 50.2654824574367"}, // π 2² 4
        {"/Entities/6", "Volume", 4, {1.0}, notFound + "Volume with kind 4"},
        {"/Entities/4", "Volume", 3, {}, unknown + "Volume"},
        {"/Blocks/1",
         "AddRevolvedSolid",
         1,
         {ObjectRef{"/Entities/8"}, Point{0, 0, 0}, Point{1, 0, 0}, turn},
         exception + "Objects contained within a block cannot be revolved"},
        {"/ModelSpace",
         "AddRevolvedSolid",
         1,
         {ObjectRef{"/Entities/8"}, Point{0, 0, 0}, Point{1, 0, 0}, turn},
         exception + "Objects contained within a block cannot be revolved"},
        {"/Document", "GetVariable", 1, {"DELOBJ"}, "-> 0"},
    };
    for (const auto& row : rows) {
        drawing::CadDrawing drawing;
        cadhost::ObjectModel model(drawing);
        model.setScriptedPoints({drawing::Vec2{0, 0}}, true);
        const auto call = [&](const std::string& path, const std::string& member, std::int32_t kind,
                              std::vector<HostValue> args) {
            return model.invoke(path, member, kind, args);
        };
        call("/Blocks", "Add", 1, {Point{0, 0, 0}, "B"});
        call("/Blocks/1", "AddLine", 1, {Point{-1, 0, 0}, Point{1, 0, 0}});
        call("/Blocks/1", "AddAttribute", 1, {2.5, 1, "p", Point{0, 0, 0}, "TAG", "v"});
        const auto inserted =
            call("/ModelSpace", "InsertBlock", 1, {Point{0, 0, 0}, "B", 1.0, 1.0, 1.0, 0.0});
        ASSERT_EQ(std::get<ObjectRef>(inserted.value).path, "/Entities/3") << "set-up";
        call("/RegisteredApplications", "Add", 1, {"APP"});
        const Point rectangle{0, 0, 4, 0, 4, 2, 0, 2};
        for (const std::string space : {"/ModelSpace", "/Blocks/1"}) {
            const auto outline = call(space, "AddLightWeightPolyline", 1, {rectangle});
            call(std::get<ObjectRef>(outline.value).path, "Closed", 4, {true});
            call(space, "AddRegion", 1, {Refs{std::get<ObjectRef>(outline.value)}});
            if (space == "/ModelSpace") {
                const auto solid =
                    call(space, "AddRevolvedSolid", 1,
                         {ObjectRef{"/Entities/5"}, Point{0, 0, 0}, Point{1, 0, 0}, turn});
                ASSERT_EQ(std::get<ObjectRef>(solid.value).path, "/Entities/6") << "set-up";
            }
        }

        const auto result = call(row.path, row.member, row.kind, row.args);
        const std::string outcome =
            result.status == cadhost::InvokeResult::Status::Done
                ? "-> " + cadhost::showValue(result.value)
                : std::string(cadhost::errorName(result.error.kind)) + ": " + result.error.text;
        EXPECT_EQ(outcome, row.outcome) << row.path << " " << row.member;
    }
}
