// The parts list against the stand-in host's object model in this process: the studs collected
// both ways, the walk when the host refuses selection sets, the table drawn whole or not at all,
// and the COM-style refusals of the members the collection and the table use.
#include "cad/parts_list_csv.h"
#include "cad/parts_list_table.h"
#include "cad/stud_collection.h"
#include "export/in_process_host.h"
#include "host/objects/object_model.h"
#include "parts_list_drawing.h"
#include "recording_reporter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

struct Drawn {
    Drawn()
    {
        makePartsListDrawing(draw);
        EXPECT_TRUE(reporter.messages.empty()) << "set-up";
        reporter.messages.clear();
    }
    exporter::InProcessHost host;
    RecordingReporter reporter;
    LayerNames layers{"main", "thin", "axis"};
    QuorvelDraw draw{host, reporter, layers};
};

std::vector<std::string> linesOf(const PartsList& list)
{
    std::vector<std::string> lines;
    for (const PartsListLine& line : list.lines) {
        lines.push_back(line.name + " x" + std::to_string(line.quantity));
    }
    return lines;
}

} // namespace

TEST(PartsListInHost, BothWaysCollectTheStudsOfModelSpaceWithTheDesignersEdits)
{
    Drawn drawn;
    const OleObject document = drawn.draw.session().AcadDoc;
    const std::vector<PlacedStud> selected = collectStuds(document, CollectionWay::SelectionSet);
    const std::vector<PlacedStud> walked = collectStuds(document, CollectionWay::Walk);
    ASSERT_EQ(selected.size(), listedStuds().size());
    ASSERT_EQ(walked.size(), selected.size());
    for (std::size_t i = 0; i < selected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(walked[i].name, selected[i].name);
        EXPECT_EQ(walked[i].quantity, selected[i].quantity);
        EXPECT_EQ(walked[i].stored.L, selected[i].stored.L);
        EXPECT_FALSE(selected[i].mass.empty());
        EXPECT_EQ(selected[i].stored.standard, listedStuds()[i].standard);
    }
    const PartsList list = partsList(selected);
    EXPECT_EQ(linesOf(list), listedLines());
    EXPECT_EQ(list.lines[3].position, "5");
    EXPECT_EQ(partsListCsv(list), listedCsv);
    // The selection set is deleted again; a second collection finds the same.
    EXPECT_EQ(collectStuds(document).size(), selected.size());
    EXPECT_EQ(drawn.host.model().invoke("/SelectionSets", "Count", 3, {}).value,
              cadhost::HostValue{std::int32_t{0}});
}

TEST(PartsListInHost, AHostRefusingSelectionSetsIsWalked)
{
    const struct {
        const char* label;
        int call; // of Spec_Quorvel's: ActiveDocument, Visible, Path, Name, SelectionSets, ...
        cadhost::FailKind kind;
    } rows[] = {
        {"no SelectionSets", 5, cadhost::FailKind::UnknownName},
        {"Add refused", 7, cadhost::FailKind::Exception},
        {"Select refused (no such filter)", 8, cadhost::FailKind::SysError},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        Drawn drawn;
        cadhost::ObjectModel& model = drawn.host.model();
        model.failCall(model.callCount() + row.call, row.kind);
        const std::optional<SpecSource> source = drawn.draw.Spec_Quorvel();
        ASSERT_TRUE(source.has_value());
        EXPECT_EQ(linesOf(partsList(source->studs)), listedLines());
        EXPECT_TRUE(drawn.reporter.messages.empty());
        EXPECT_EQ(source->drawingName, "Drawing1.dwg");
        EXPECT_EQ(source->folder, "");
    }
}

// The table in model space on the main layer; a failure at any of its calls leaves none of it,
// and says so in the unit's form.
TEST(PartsListInHost, TheTableIsDrawnWholeOrNotAtAll)
{
    Drawn drawn;
    const drawing::CadDrawing& drawing = drawn.host.drawing();
    const std::size_t lines = drawing.lines.size();
    const std::size_t texts = drawing.texts.size();
    const PartsList list = partsList(collectStuds(drawn.draw.session().AcadDoc));
    const PartsListTable table = partsListTable(list, Point{0, 0, 0});
    const int before = drawn.host.model().callCount();
    ASSERT_TRUE(drawn.draw.Draw_Spec_Quorvel(list));
    const int calls = drawn.host.model().callCount() - before;
    ASSERT_EQ(drawing.lines.size(), lines + table.lines.size());
    ASSERT_EQ(drawing.texts.size(), texts + table.texts.size());
    std::size_t upright = 0;
    for (std::size_t i = texts; i < drawing.texts.size(); ++i) {
        EXPECT_EQ(drawing.layers.at(drawing.texts[i].layer).name, "main");
        upright += std::abs(drawing.texts[i].rotation - std::numbers::pi / 2) < 1e-12 ? 1 : 0;
    }
    EXPECT_EQ(upright, 3u);
    EXPECT_TRUE(std::all_of(
        drawing.lines.begin() + static_cast<std::ptrdiff_t>(lines), drawing.lines.end(),
        [&](const drawing::Line& line) { return drawing.layers.at(line.layer).name == "main"; }));
    EXPECT_TRUE(drawn.reporter.messages.empty());

    // The first AddLine (after Utility, GetPoint, Layers, Count, Item 1, its name "main" and
    // ModelSpace), the layer of the fifth line, the first text's rotation, the very last call.
    const int firstAdd = 8;
    const int rotation = firstAdd + 2 * static_cast<int>(table.lines.size()) + 1;
    for (const int failing : {firstAdd, firstAdd + 9, rotation, calls}) {
        SCOPED_TRACE(failing);
        Drawn again;
        const drawing::CadDrawing& undone = again.host.drawing();
        const std::size_t keptLines = undone.lines.size();
        const std::size_t keptTexts = undone.texts.size();
        again.host.model().failCall(again.host.model().callCount() + failing,
                                    cadhost::FailKind::Exception);
        EXPECT_FALSE(again.draw.Draw_Spec_Quorvel(list));
        EXPECT_EQ(undone.lines.size(), keptLines);
        EXPECT_EQ(undone.texts.size(), keptTexts);
        ASSERT_EQ(again.reporter.messages.size(), 1u);
        EXPECT_EQ(again.reporter.messages[0].text,
                  "Модуль   : Quorvel_Draw\r\nПроцедура: Draw_Spec_Quorvel\r\nОшибка   : Нет "
                  "связи с AutoCAD! (EOleException)");
    }

    // Esc at the pick (the host's exception) draws nothing and says nothing.
    Drawn cancelled;
    cancelled.host.model().failCall(cancelled.host.model().callCount() + 2,
                                    cadhost::FailKind::Exception);
    EXPECT_FALSE(cancelled.draw.Draw_Spec_Quorvel(list));
    EXPECT_TRUE(cancelled.reporter.messages.empty());
}

TEST(PartsListInHost, NewMembersAreCheckedAsACOMServerChecksThem)
{
    using cadhost::HostItem;
    using cadhost::HostValue;
    using Items = std::vector<HostItem>;
    using P = std::vector<double>;
    const std::string count = "org.quorvel.Automation.BadParamCount: Wrong number of arguments: ";
    const std::string type = "org.quorvel.Automation.TypeMismatch: Type mismatch: argument ";
    const std::string notFound = "org.quorvel.Automation.MemberNotFound: Member not found: ";
    const std::string exception = "org.quorvel.Automation.Exception: ";
    // Model space holds a command's line (/Entities/4 once reached), a text (/Entities/1) and a
    // reference (/Entities/3) to block "B"; a selection set "S" is /SelectionSets/1.
    const struct {
        const char* path;
        const char* member;
        std::int32_t kind;
        std::vector<HostValue> args;
        std::string outcome;
    } rows[] = {
        {"/ModelSpace", "Count", 3, {}, "-> 3"},
        {"/ModelSpace", "Item", 1, {0}, "-> /Entities/4"},
        {"/ModelSpace", "Item", 1, {2}, "-> /Entities/1"},
        {"/ModelSpace", "Item", 1, {3}, exception + "Index out of range"},
        {"/ModelSpace", "Item", 1, {"0"}, type + "1 of Item"},
        {"/Entities/1", "ObjectName", 3, {}, "-> AcDbText"},
        {"/Entities/3", "ObjectName", 3, {}, "-> AcDbBlockReference"},
        {"/Entities/1", "TextString", 4, {"a\nb"}, exception + "A text holds one line"},
        {"/Entities/1",
         "TextString",
         4,
         {std::string(256, 'x')},
         exception + "The text is too long"},
        {"/Entities/1", "Rotation", 4, {"x"}, type + "1 of Rotation"},
        {"/Entities/1", "Height", 4, {0.0}, exception + "Invalid input"},
        {"/Entities/1", "InsertionPoint", 3, {}, "-> (1,2,0)"},
        {"/ModelSpace", "AddText", 1, {"a", P{0, 0, 0}, -1.0}, exception + "Invalid input"},
        {"/ModelSpace", "AddText", 1, {"a", P{0, 0, 0}}, count + "AddText takes 3, got 2"},
        {"/ModelSpace", "AddText", 1, {1, P{0, 0, 0}, 1.0}, type + "1 of AddText"},
        {"/Document", "Path", 3, {}, "-> "},
        {"/Document", "Name", 3, {}, "-> Drawing1.dwg"},
        {"/Document", "Name", 4, {"x"}, notFound + "Name with kind 4"},
        {"/SelectionSets", "Add", 1, {"s"}, exception + "Duplicate key"},
        {"/SelectionSets", "Add", 1, {""}, exception + "Invalid selection set name"},
        {"/SelectionSets/1",
         "Select",
         1,
         {1},
         exception + "Only the selection of all is supported"},
        {"/SelectionSets/1",
         "Select",
         1,
         {5, HostValue{}, HostValue{}, Items{62}, Items{"1"}},
         exception + "Unsupported filter code 62"},
        {"/SelectionSets/1",
         "Select",
         1,
         {5, HostValue{}, HostValue{}, Items{0, 8}, Items{"LINE"}},
         exception + "Invalid filter"},
        {"/SelectionSets/1",
         "Select",
         1,
         {5, HostValue{}, HostValue{}, HostValue{}, HostValue{}},
         "-> <empty>"},
        {"/SelectionSets/9", "Count", 3, {}, "org.quorvel.Automation.Failed: No such object"},
    };
    for (const auto& row : rows) {
        drawing::CadDrawing drawing;
        cadhost::ObjectModel model(drawing);
        const auto call = [&](const std::string& path, const std::string& member, std::int32_t kind,
                              std::vector<HostValue> args) {
            return model.invoke(path, member, kind, args);
        };
        drawing.run("_LINE\r0,0\r1,1\r\r");
        call("/ModelSpace", "AddText", 1, {"Итого", P{1, 2, 0}, 2.5});
        call("/Blocks", "Add", 1, {P{0, 0, 0}, "B"});
        call("/ModelSpace", "InsertBlock", 1, {P{0, 0, 0}, "B", 1.0, 1.0, 1.0, 0.0});
        call("/SelectionSets", "Add", 1, {"S"});

        const auto result = call(row.path, row.member, row.kind, row.args);
        const std::string outcome =
            result.status == cadhost::InvokeResult::Status::Done
                ? "-> " + cadhost::showValue(result.value)
                : std::string(cadhost::errorName(result.error.kind)) + ": " + result.error.text;
        EXPECT_EQ(outcome, row.outcome) << row.path << " " << row.member;
    }
}

// The filter takes what its codes name, in model space's order; Select adds to what the set holds.
TEST(PartsListInHost, SelectionFilterTakesWhatItsCodesName)
{
    using cadhost::HostItem;
    using cadhost::HostValue;
    using Items = std::vector<HostItem>;
    Drawn drawn;
    cadhost::ObjectModel& model = drawn.host.model();
    const auto selected = [&](Items codes, Items values) {
        const auto set =
            std::get<cadhost::ObjectRef>(model.invoke("/SelectionSets", "Add", 1, {"T"}).value);
        model.invoke(set.path, "Select", 1, {5, HostValue{}, HostValue{}, codes, values});
        const auto count = std::get<std::int32_t>(model.invoke(set.path, "Count", 3, {}).value);
        model.invoke(set.path, "Delete", 1, {});
        return count;
    };
    const int studs = static_cast<int>(listedStuds().size());
    EXPECT_EQ(selected({0, 1001, 410}, {"INSERT", "QUORVEL", "Model"}), studs);
    EXPECT_EQ(selected({0}, {"insert"}), studs + 1); // and the frame
    EXPECT_EQ(selected({2}, {"FRAME,GOST22042-76_M10x50"}), 2);
    EXPECT_EQ(selected({1001}, {"OTHER"}), 0);
    EXPECT_EQ(selected({0}, {"TEXT"}), 1);
    EXPECT_EQ(selected({8, 0}, {"main", "LWPOLYLINE"}), 1); // the loose stud's outline
    EXPECT_EQ(selected({410}, {"Layout1"}), 0);
    EXPECT_EQ(selected({}, {}),
              std::get<std::int32_t>(model.invoke("/ModelSpace", "Count", 3, {}).value));
}

// Tags are read once per block (and number of attributes): blocks whose attributes stand in
// another order, or that lack some, are still read by their tags.
TEST(PartsListInHost, AttributesAreReadByTagInEachBlocksOwnOrder)
{
    Drawn drawn;
    const OleObject document = drawn.draw.session().AcadDoc;
    const OleObject blocks = document.get("Blocks").toObject();
    const OleObject modelSpace = document.get("ModelSpace").toObject();
    StoredStud stored;
    stored.standard = "22032-76";
    stored.d = 20;
    stored.L = 200;
    stored.P = 2.5;
    const struct {
        const char* block;
        std::vector<const char*> tags;
    } rows[] = {{"HAND_MADE", {"QTY", "POS", "NAME"}}, {"NO_NAME", {"QTY"}}};
    for (const auto& row : rows) {
        const OleObject block = blocks.call("Add", {Point{0, 0, 0}, row.block}).toObject();
        block.call("AddLine", {Point{0, 0, 0}, Point{1, 0, 0}});
        for (const char* tag : row.tags) {
            block.call("AddAttribute",
                       {2.5, 1, "p", Point{0, 0, 0}, tag, std::string(tag) == "QTY" ? "3" : "x"});
        }
        const OleObject reference =
            modelSpace.call("InsertBlock", {Point{0, 0, 0}, row.block, 1.0, 1.0, 1.0, 0.0})
                .toObject();
        reference.call("SetXData", {studDataTypes(), studDataValues(stored)});
    }
    for (const CollectionWay way : {CollectionWay::SelectionSet, CollectionWay::Walk}) {
        const std::vector<PlacedStud> studs = collectStuds(document, way);
        ASSERT_EQ(studs.size(), listedStuds().size() + 2);
        const PlacedStud& handMade = studs[studs.size() - 2];
        EXPECT_EQ(handMade.name, "x");
        EXPECT_EQ(handMade.quantity, "3");
        EXPECT_EQ(handMade.position, "x");
        // Without NAME the stud is listed by the designation of its stored sizes.
        EXPECT_EQ(studs.back().name, "Шпилька М20×200 ГОСТ 22032-76");
        EXPECT_EQ(studs.back().quantity, "3");
    }
}
