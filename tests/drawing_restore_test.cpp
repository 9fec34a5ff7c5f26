// The drawing read back from what a CAD program's document kept of it: the same records (keys and
// digests) as before the save, handles that new things never take, and what cannot be read back
// left out rather than taken half or twice.
#include "drawing/part/part_solid.h"
#include "host/freecad/module/drawing_restore.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using drawing::CadDrawing;
using freecadhost::DrawingMirror;
using freecadhost::MirrorRecord;
using freecadhost::SavedObject;

// Layers, a threaded part of the part commands, two equal command-drawn lines, a block with an
// outline, a line, two attribute definitions and a text, a reference with values and extended
// data, and a turned text.
CadDrawing drawn()
{
    CadDrawing drawing;
    drawing.activeLayer = drawing.addLayer("2");
    drawing.layers[1].color = 6;
    drawing.run("AMDT_NEW_PART\rp\r");
    drawing.run("_PLINE\r0,0\r100,0\r100,6\r0,6\rCL\r");
    drawing.run("amdt_1profile\r");
    drawing.run("amrevolve\r50,0\r\r\r");
    drawing.run("_amthread\r100,3\rE\r30\r\r");
    drawing.run("_LINE\r0,0\r10,0\r\r");
    drawing.run("_LINE\r0,0\r10,0\r\r");
    drawing::Block block{"STUD",
                         drawing.newHandle(),
                         {{1, {{0, 0}, {5, 0}, {5, 1}}, true, 0}},
                         {{0, {0, 0}, {5, 0}, 0}},
                         {{"NAME", "Обозначение", "М12", {0, 0}, 2.5, true},
                          {"QTY", "Количество", "1", {1, 2}, 3.5, false}}};
    block.texts.push_back({1, "Поз.", {0, 20}, 3.5, 0.5, drawing.newHandle()});
    drawing.blocks.push_back(block);
    drawing.applications.push_back("QUORVEL");
    drawing.inserts.push_back(
        {"STUD",
         0,
         {10, 20},
         0.5,
         {"М12×100", "4"},
         {{"QUORVEL", {{1000, std::string("22032-76")}, {1070, 1}, {1040, 12.0}}}},
         drawing.newHandle()});
    drawing.texts.push_back({1, "Шпилька", {0, 40}, 5, 1.5, drawing.newHandle()});
    return drawing;
}

// What the document keeps of drawing: its records, made by the drawing "one", with the solids'
// shapes.
std::vector<SavedObject> saved(CadDrawing& drawing, DrawingMirror& mirror)
{
    std::vector<SavedObject> objects;
    for (const MirrorRecord& record : mirror.records(drawing)) {
        objects.push_back({record, "one", mirror.solidBrep(drawing, record.key).value_or("")});
    }
    return objects;
}

std::map<std::string, std::string> digests(const std::vector<MirrorRecord>& records)
{
    std::map<std::string, std::string> byKey;
    for (const MirrorRecord& record : records) {
        byKey[record.key] = record.digest;
    }
    return byKey;
}

} // namespace

TEST(DrawingRestore, TheDrawingReadBackShowsWhatWasSavedUnderTheSameKeys)
{
    CadDrawing before = drawn();
    DrawingMirror first;
    const std::vector<SavedObject> objects = saved(before, first);
    ASSERT_EQ(objects.size(), 11u); // 2 layers, part, 2 lines, block and 3 inside, reference, text

    CadDrawing after;
    DrawingMirror second;
    const auto tags = freecadhost::restoreDrawing(after, second, objects);
    ASSERT_EQ(tags.size(), objects.size());
    for (std::size_t i = 0; i < tags.size(); ++i) {
        ASSERT_TRUE(tags[i].has_value()) << objects[i].record.key;
        EXPECT_EQ(tags[i]->key, objects[i].record.key);
        EXPECT_EQ(tags[i]->digest, objects[i].record.digest) << objects[i].record.key;
    }
    EXPECT_EQ(digests(second.records(after)), digests(first.records(before)));
    EXPECT_EQ(after.applications, before.applications);
    EXPECT_EQ(after.parts[0].solid->threadCount(), 1u);
    EXPECT_DOUBLE_EQ(after.parts[0].solid->volume(), before.parts[0].solid->volume());
    EXPECT_EQ(after.newHandle(), before.newHandle()); // past every handle kept
}

TEST(DrawingRestore, WhatCannotBeReadBackIsLeftOutAndACollidingHandleIsGivenAnew)
{
    const struct {
        const char* label;
        std::function<void(SavedObject&)> change; // of a copy of the object under `of`
        const char* of;
        const char* key; // the copy's key in the drawing; "" left out
    } rows[] = {
        {"a second layer of a name", [](SavedObject& o) { o.record.key = "L7"; }, "L1", ""},
        {"a second definition of a name", [](SavedObject& o) { o.drawing = "two"; }, "B1", ""},
        {"what a definition left out holds",
         [](SavedObject& o) {
             o.drawing = "two";
             o.record.key = "E9";
         },
         "E2", ""},
        {"a shape that is no solid",
         [](SavedObject& o) {
             o.record.key = "C0#9";
             o.brep = "no shape";
         },
         nullptr, ""},
        {"a reference to no definition",
         [](SavedObject& o) {
             o.record.key = "E7";
             o.record.name = "FRAME";
         },
         "E3", ""},
        {"a text beyond the drawing's bounds",
         [](SavedObject& o) {
             o.record.key = "E8";
             o.record.x = 1e300;
         },
         "E4", ""},
        {"another drawing's text under a handle taken", [](SavedObject& o) { o.drawing = "two"; },
         "E4", "E5"},
    };
    CadDrawing source = drawn();
    DrawingMirror mirror;
    const std::vector<SavedObject> objects = saved(source, mirror);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        std::vector<SavedObject> more = objects;
        auto copied = std::find_if(more.begin(), more.end(), [&row](const SavedObject& o) {
            return row.of ? o.record.key == row.of : o.record.kind == MirrorRecord::Kind::Solid;
        });
        ASSERT_NE(copied, more.end());
        SavedObject copy = *copied;
        row.change(copy);
        more.push_back(copy);
        CadDrawing drawing;
        DrawingMirror restored;
        const auto tags = freecadhost::restoreDrawing(drawing, restored, more);
        const auto kept = std::count_if(tags.begin(), tags.end() - 1,
                                        [](const auto& tag) { return tag.has_value(); });
        EXPECT_EQ(kept, static_cast<long>(objects.size()));
        EXPECT_EQ(tags.back() ? tags.back()->key : "", row.key);
    }
}
