// A stud placed as a named block, and a placed stud picked and replaced, against the recording
// host: the calls a CAD program gets, what stays in the drawing, and every failure reported once.
#include "cad/quorvel_draw.h"
#include "edit_outcomes.h"
#include "recording_host.h"
#include "recording_reporter.h"

#include <gtest/gtest.h>

#include <algorithm>

using Texts = std::vector<std::string>;

namespace {

struct Rig {
    RecordingHost host;
    RecordingReporter reporter;
    LayerNames layers;
    QuorvelDraw draw{host, reporter, layers};
};

void place(Rig& rig, const StudBlock& block)
{
    const StoredStud& s = block.stored;
    rig.draw.Start_ACAD(false, "unused", s.d, s.L + s.b1, s.b, s.b1, s.c, &block);
}

// The calls from the first one that starts with `from` to the end.
Texts callsFrom(const RecordingHost& host, const std::string& from, std::size_t skip = 0)
{
    const Texts all = host.callTexts();
    auto at = all.begin() + static_cast<std::ptrdiff_t>(skip);
    at = std::find_if(at, all.end(), [&](const std::string& c) { return c.rfind(from, 0) == 0; });
    return Texts(at, all.end());
}

bool anyStartsWith(const Texts& calls, const std::string& prefix)
{
    return std::any_of(calls.begin(), calls.end(),
                       [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
}

const std::string drawFailure = "Модуль   : Quorvel_Draw\r\nПроцедура: Draw_Block_Quorvel\r\n"
                                "Ошибка   : Операция недоступна! (EOleSysError)";

} // namespace

// The side view's lines, layers and chamfered outline are checked against the loose lines in
// block_tests; here the calls a CAD program gets, with attribute and data values.
TEST(DrawBlock, NewBlockIsDefinedInsertedAndCarriesItsData)
{
    Rig rig;
    rig.host.pickedPoint = {10, 20, 0};
    place(rig, studBlock(workedStud(), StudFamily::ScrewIn));
    const Texts expected = {
        "Document.Blocks:get()",
        "Blocks.Item(GOST22032-76_M12x100)",
        "Document.Layers:get()",
        "Layers.Count:get()",
        "Layers.Add(2)",
        "Layer:2.color:put(6)",
        "Layers.Count:get()",
        "Layers.Item(1)",
        "Layer:2.name:get()",
        "Layers.Add(1)",
        "Layer:1.color:put(2)",
        "Layers.Count:get()",
        "Layers.Item(1)",
        "Layer:2.name:get()",
        "Layers.Item(2)",
        "Layer:1.name:get()",
        "Layers.Add(7)",
        "Layer:7.color:put(5)",
        "Blocks.Add((0,0,0), GOST22032-76_M12x100)",
        "Block:GOST22032-76_M12x100.AddLightWeightPolyline((0,-4.4,1.6,-6,110.4,-6,112,-4.4,112,4."
        "4,110.4,6,1.6,6,0,4.4))",
        "Entity:GOST22032-76_M12x100:1.Closed:put(true)",
        "Entity:GOST22032-76_M12x100:1.Layer:put(2)",
        "Block:GOST22032-76_M12x100.AddLine((1.6,-6,0), (1.6,6,0))",
        "Entity:GOST22032-76_M12x100:2.Layer:put(2)",
        "Block:GOST22032-76_M12x100.AddLine((110.4,6,0), (110.4,-6,0))",
        "Entity:GOST22032-76_M12x100:3.Layer:put(2)",
        "Block:GOST22032-76_M12x100.AddLine((0,4.4,0), (12,4.4,0))",
        "Entity:GOST22032-76_M12x100:4.Layer:put(1)",
        "Block:GOST22032-76_M12x100.AddLine((82,4.4,0), (112,4.4,0))",
        "Entity:GOST22032-76_M12x100:5.Layer:put(1)",
        "Block:GOST22032-76_M12x100.AddLine((0,-4.4,0), (12,-4.4,0))",
        "Entity:GOST22032-76_M12x100:6.Layer:put(1)",
        "Block:GOST22032-76_M12x100.AddLine((82,-4.4,0), (112,-4.4,0))",
        "Entity:GOST22032-76_M12x100:7.Layer:put(1)",
        "Block:GOST22032-76_M12x100.AddLine((12,6,0), (12,-6,0))",
        "Entity:GOST22032-76_M12x100:8.Layer:put(2)",
        "Block:GOST22032-76_M12x100.AddLine((82,6,0), (82,-6,0))",
        "Entity:GOST22032-76_M12x100:9.Layer:put(2)",
        "Block:GOST22032-76_M12x100.AddLine((-1.6,0,0), (113.6,0,0))",
        "Entity:GOST22032-76_M12x100:10.Layer:put(7)",
        "Block:GOST22032-76_M12x100.AddAttribute(2.5, 1, Обозначение, (0,0,0), NAME, Шпилька "
        "М12×100 ГОСТ 22032-76)",
        "Block:GOST22032-76_M12x100.AddAttribute(2.5, 1, Стандарт, (0,0,0), STANDARD, ГОСТ "
        "22032-76)",
        "Block:GOST22032-76_M12x100.AddAttribute(2.5, 1, Раздел спецификации, (0,0,0), SECTION, "
        "Стандартные изделия)",
        "Block:GOST22032-76_M12x100.AddAttribute(2.5, 1, Количество, (0,0,0), QTY, 1)",
        "Block:GOST22032-76_M12x100.AddAttribute(2.5, 1, Масса, кг, (0,0,0), MASS, 0,0927)",
        "Block:GOST22032-76_M12x100.AddAttribute(2.5, 1, Позиция, (0,0,0), POS, )",
        "Document.ModelSpace:get()",
        "ModelSpace.InsertBlock((10,20,0), GOST22032-76_M12x100, 1, 1, 1, 0)",
        "BlockRef:1.GetAttributes()",
        "AttributeRef:1:MASS.TagString:get()",
        "AttributeRef:1:MASS.TextString:put(0,0927)",
        "AttributeRef:1:NAME.TagString:get()",
        "AttributeRef:1:NAME.TextString:put(Шпилька М12×100 ГОСТ 22032-76)",
        "AttributeRef:1:POS.TagString:get()",
        "AttributeRef:1:POS.TextString:put()",
        "AttributeRef:1:QTY.TagString:get()",
        "AttributeRef:1:QTY.TextString:put(1)",
        "AttributeRef:1:SECTION.TagString:get()",
        "AttributeRef:1:SECTION.TextString:put(Стандартные изделия)",
        "AttributeRef:1:STANDARD.TagString:get()",
        "AttributeRef:1:STANDARD.TextString:put(ГОСТ 22032-76)",
        "Document.RegisteredApplications:get()",
        "RegisteredApplications.Add(QUORVEL)",
        "BlockRef:1.SetXData((1001,1000,1070,1070,1040,1040,1040,1040,1040,1040), [QUORVEL, "
        "22032-76, 0, 0, 12, 100, 30, 12, 1.6, 1.75])",
        "Document.SetVariable(OSMODE, 39)",
        "Document.SendCommand(_ZOOM\r_P\r)",
    };
    EXPECT_EQ(callsFrom(rig.host, "Document.Blocks"), expected);
    EXPECT_TRUE(rig.reporter.messages.empty());
}

TEST(DrawBlock, StudsOfOneSizeShareOneDefinition)
{
    Rig rig;
    const StudBlock block = studBlock(workedStud(), StudFamily::ScrewIn);
    place(rig, block);
    const std::size_t firstRun = rig.host.calls().size();
    rig.host.pickedPoint = {200, 50, 0};
    place(rig, block);

    const Texts second = callsFrom(rig.host, "ROT", firstRun);
    EXPECT_EQ(second.size(), 30u); // as bench/dbus_bench.cpp counts a block run
    EXPECT_FALSE(anyStartsWith(second, "Blocks.Add"));
    EXPECT_FALSE(anyStartsWith(second, "Block:"));
    EXPECT_FALSE(anyStartsWith(second, "Layers."));
    ASSERT_EQ(rig.host.blocks.size(), 1u);
    EXPECT_EQ(rig.host.blocks[0].entities, 10u); // the outline and nine lines
    const auto live = rig.host.liveReferences();
    ASSERT_EQ(live.size(), 2u);
    EXPECT_EQ(live[1]->point, (Point{200, 50, 0}));
    EXPECT_EQ(live[1]->attributes.at("MASS"), "0,0927");
    EXPECT_EQ(live[1]->dataValues.toVariants().at(5).toDouble(), 100);
}

TEST(DrawBlock, EditedStudIsReplacedAtItsPoint)
{
    Rig rig;
    rig.host.pickedPoint = {10, 20, 0};
    place(rig, studBlock(workedStud(), StudFamily::ScrewIn));
    rig.host.pickedPoint = {500, 500, 0}; // where a new pick would land
    rig.host.pickedEntity = "BlockRef:1";
    ASSERT_EQ(rig.draw.Edit_Stud(), EditOutcome::Picked);
    const StoredStud picked = rig.draw.edited();
    EXPECT_EQ(picked.standard, "22032-76");
    EXPECT_EQ((std::array{picked.d, picked.L, picked.b, picked.b1, picked.c, picked.P}),
              (std::array{12.0, 100.0, 30.0, 12.0, 1.6, 1.75}));
    EXPECT_FALSE(picked.freeDimensions);

    // A second pick cancelled, or on something else, leaves no stud to replace: the next
    // drawing would otherwise replace a stud the user has since given up.
    rig.host.pickedEntity.reset();
    EXPECT_EQ(rig.draw.Edit_Stud(), EditOutcome::Cancelled);
    EXPECT_FALSE(rig.draw.replacing());
    rig.host.pickedEntity = "BlockRef:1";
    ASSERT_EQ(rig.draw.Edit_Stud(), EditOutcome::Picked);
    rig.host.pickedEntity = "Entity:GOST22032-76_M12x100:2";
    EXPECT_EQ(rig.draw.Edit_Stud(), EditOutcome::NotAStud);
    EXPECT_FALSE(rig.draw.replacing());
    rig.host.pickedEntity = "BlockRef:1";
    ASSERT_EQ(rig.draw.Edit_Stud(), EditOutcome::Picked);
    rig.reporter.messages.clear();

    // The designer's own values of the placement stay with it.
    rig.host.references[0].attributes["POS"] = "7";
    rig.host.references[0].attributes["QTY"] = "4";
    const std::size_t before = rig.host.calls().size();
    StoredStud longer = picked;
    longer.L = 120;
    place(rig, studBlock(longer, StudFamily::ScrewIn));
    EXPECT_FALSE(anyStartsWith(callsFrom(rig.host, "ROT", before), "Utility.GetPoint"));
    const auto live = rig.host.liveReferences();
    ASSERT_EQ(live.size(), 1u);
    EXPECT_EQ(live[0]->point, (Point{10, 20, 0}));
    EXPECT_EQ(live[0]->block, "GOST22032-76_M12x120");
    EXPECT_EQ(live[0]->attributes.at("NAME"), "Шпилька М12×120 ГОСТ 22032-76");
    EXPECT_EQ(live[0]->attributes.at("MASS"), "0,110");
    EXPECT_EQ(live[0]->attributes.at("POS"), "7");
    EXPECT_EQ(live[0]->attributes.at("QTY"), "4");

    // The replacement was for one drawing only: the next stud is picked anew.
    place(rig, studBlock(longer, StudFamily::ScrewIn));
    ASSERT_EQ(rig.host.liveReferences().size(), 2u);
    EXPECT_EQ(rig.host.liveReferences()[1]->point, (Point{500, 500, 0}));
    EXPECT_TRUE(rig.reporter.messages.empty());
}

// The picked stud gone, or its handle naming another stud (another drawing, a handle reused):
// the new stud is drawn at a point picked anew, and whatever the handle names stays as it is.
TEST(DrawBlock, EditedStudGoneMeanwhileIsDrawnAsNew)
{
    const struct {
        const char* label;
        bool erased;
        double otherL; // the L that the stud under the handle now carries
        std::size_t live;
    } rows[] = {
        {"erased before drawing", true, 100, 1},
        {"the handle names another stud", false, 90, 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        Rig rig;
        place(rig, studBlock(workedStud(), StudFamily::ScrewIn));
        rig.host.pickedEntity = "BlockRef:1";
        ASSERT_EQ(rig.draw.Edit_Stud(), EditOutcome::Picked);
        rig.host.references[0].deleted = row.erased;
        rig.host.references[0].dataValues = studDataValues(workedStud(row.otherL));
        rig.host.pickedPoint = {7, 8, 0};
        place(rig, studBlock(workedStud(120), StudFamily::ScrewIn));
        const auto live = rig.host.liveReferences();
        ASSERT_EQ(live.size(), row.live);
        EXPECT_EQ(live.back()->point, (Point{7, 8, 0}));
        EXPECT_EQ(live.back()->block, "GOST22032-76_M12x120");
        EXPECT_FALSE(rig.draw.replacing());
        EXPECT_TRUE(rig.reporter.messages.empty());
    }
}

TEST(DrawBlock, AnythingButAStudOfThisProgramIsRefused)
{
    const StoredStud other = workedStud();
    const struct {
        const char* label;
        std::optional<std::string> picked;
        Variants types; // the picked reference's extended data
        Variants values;
        EditOutcome outcome;
    } rows[] = {
        {"Esc or a pick on nothing", std::nullopt, {}, {}, EditOutcome::Cancelled},
        {"a line of the block", "Entity:GOST22032-76_M12x100:2", {}, {}, EditOutcome::NotAStud},
        {"a block without data", "BlockRef:1", {}, {}, EditOutcome::NotAStud},
        {"another program's data",
         "BlockRef:1",
         {std::int32_t{1001}, std::int32_t{1000}},
         {"OTHER", "22032-76"},
         EditOutcome::NotAStud},
        {"a size that is no number", "BlockRef:1", Variant(studDataTypes()).toVariants(),
         [&] {
             Variants values = studDataValues(other);
             values[5] = "сто"; // L
             return values;
         }(),
         EditOutcome::NotAStud},
        // A standard this program has no tables for would be redrawn under the window's one.
        {"a standard of no catalogue", "BlockRef:1", Variant(studDataTypes()).toVariants(),
         [&] {
             Variants values = studDataValues(other);
             values[1] = "99999-99";
             return values;
         }(),
         EditOutcome::NotAStud},
        {"a standard of 128 characters", "BlockRef:1", Variant(studDataTypes()).toVariants(),
         [&] {
             Variants values = studDataValues(other);
             values[1] = "22032-76" + std::string(120, '7');
             return values;
         }(),
         EditOutcome::NotAStud},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        Rig rig;
        place(rig, studBlock(workedStud(), StudFamily::ScrewIn));
        rig.host.references[0].dataTypes = row.types;
        rig.host.references[0].dataValues = row.values;
        rig.host.pickedEntity = row.picked;
        EXPECT_EQ(rig.draw.Edit_Stud(), row.outcome);
        EXPECT_FALSE(rig.draw.replacing());
        if (row.outcome == EditOutcome::NotAStud) {
            ASSERT_EQ(rig.reporter.messages.size(), 1u);
            EXPECT_EQ(rig.reporter.messages[0].text,
                      "Выбранный объект не является шпилькой, начерченной этой программой.");
        } else {
            EXPECT_TRUE(rig.reporter.messages.empty());
        }
    }
}

// Each call of a new block's run failing once: one report, the user's object snaps back, and
// neither a half-made definition (every later stud of the size would share it) nor a reference
// without its data is left.
TEST(DrawBlock, EveryFailingCallIsReportedAndLeavesNothingBehind)
{
    Rig probe;
    place(probe, studBlock(workedStud(), StudFamily::ScrewIn));
    const Texts all = probe.host.callTexts();
    const auto first = static_cast<std::size_t>(
        std::find(all.begin(), all.end(), "Document.Blocks:get()") - all.begin());
    const auto last = static_cast<std::size_t>(
        std::find_if(all.begin(), all.end(),
                     [](const std::string& c) { return c.rfind("BlockRef:1.SetXData", 0) == 0; }) -
        all.begin());
    ASSERT_LT(last, all.size());
    for (std::size_t index = first; index <= last; ++index) {
        SCOPED_TRACE(all[index]);
        Rig rig;
        rig.host.failCall(index, FailKind::SysError);
        place(rig, studBlock(workedStud(), StudFamily::ScrewIn));
        ASSERT_EQ(rig.reporter.messages.size(), 1u);
        EXPECT_EQ(rig.reporter.messages[0].text, drawFailure);
        EXPECT_EQ(rig.host.osmode, 39);
        EXPECT_TRUE(rig.host.blocks.empty());
        EXPECT_TRUE(rig.host.liveReferences().empty());
    }
}
