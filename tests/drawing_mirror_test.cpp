// The records a CAD program's document mirrors the drawing by: keys that last, digests that change
// with what is shown and only then; and the way back when the document loses and regains objects.
#include "drawing/part/part_solid.h"
#include "host/freecad/module/drawing_mirror.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

using drawing::CadDrawing;
using freecadhost::DrawingMirror;
using freecadhost::MirrorRecord;

std::map<std::string, std::string> digests(DrawingMirror& mirror, CadDrawing& drawing)
{
    std::map<std::string, std::string> byKey;
    for (const MirrorRecord& record : mirror.records(drawing)) {
        byKey[record.key] = record.digest;
    }
    return byKey;
}

std::set<std::string> keysOf(const std::map<std::string, std::string>& byKey)
{
    std::set<std::string> keys;
    for (const auto& [key, digest] : byKey) {
        keys.insert(key);
    }
    return keys;
}

// A drawing with two equal command-drawn lines on layer "2", a polyline and a text the object model
// made.
CadDrawing twoLinesAndAPolyline()
{
    CadDrawing drawing;
    drawing.activeLayer = drawing.addLayer("2");
    drawing.run("_LINE\r0,0\r10,0\r\r");
    drawing.run("_LINE\r0,0\r10,0\r\r");
    drawing.polylines.push_back({1, {{0, 0}, {4, 0}, {4, 3}}, false, drawing.newHandle()});
    drawing.texts.push_back({1, "Поз.", {0, 20}, 3.5, 0, drawing.newHandle()});
    return drawing;
}

} // namespace

TEST(DrawingMirror, KeysLastAndDigestsFollowWhatIsShown)
{
    CadDrawing drawing = twoLinesAndAPolyline();
    DrawingMirror mirror;
    const auto first = digests(mirror, drawing);
    // Layer "0" holds nothing and is not shown; equal lines are told apart by their order.
    ASSERT_EQ(first.size(), 5u);
    EXPECT_EQ(first.count("L0"), 0u);
    EXPECT_EQ(first.count("L1"), 1u);
    EXPECT_EQ(first.count("E1"), 1u);
    const auto twin = std::count_if(first.begin(), first.end(), [](const auto& entry) {
        return entry.first.rfind("C", 0) == 0 && entry.first.back() == '1';
    });
    EXPECT_EQ(twin, 1);
    EXPECT_EQ(digests(mirror, drawing), first); // nothing changed, nothing differs

    const struct {
        const char* label;
        void (*change)(CadDrawing&);
        std::set<std::string> changed;
    } rows[] = {
        {"polyline closed", [](CadDrawing& d) { d.polylines[0].closed = true; }, {"E1"}},
        {"layer colour", [](CadDrawing& d) { d.layers[1].color = 6; }, {"L1"}},
        {"vertex moved", [](CadDrawing& d) { d.polylines[0].vertices[2].y = 3.0000001; }, {"E1"}},
        {"text turned", [](CadDrawing& d) { d.texts[0].rotation = 1.5; }, {"E2"}},
        {"text higher", [](CadDrawing& d) { d.texts[0].height = 5; }, {"E2"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        CadDrawing changed = twoLinesAndAPolyline();
        row.change(changed);
        const auto after = digests(mirror, changed);
        ASSERT_EQ(keysOf(after), keysOf(first));
        std::set<std::string> differing;
        for (const auto& [key, digest] : after) {
            if (first.at(key) != digest) {
                differing.insert(key);
            }
        }
        EXPECT_EQ(differing, row.changed);
    }
}

TEST(DrawingMirror, ASolidReplacedByAModellingStepGetsANewDigest)
{
    CadDrawing drawing;
    drawing.run("AMDT_NEW_PART\rp\r");
    drawing.run("_PLINE\r0,0\r100,0\r100,6\r0,6\rCL\r");
    drawing.run("amdt_1profile\r");
    drawing.run("amrevolve\r50,0\r\r\r");
    DrawingMirror mirror;
    const auto revolved = digests(mirror, drawing);
    ASSERT_EQ(revolved.size(), 2u); // layer "0" and the part
    drawing.run("_amthread\r100,3\rE\r30\r\r");
    const auto threaded = digests(mirror, drawing);
    EXPECT_NE(threaded, revolved);
    EXPECT_EQ(digests(mirror, drawing), threaded);
    // A part of the commands has no handle: its key follows its digest, and names its solid.
    ASSERT_EQ(threaded.begin()->first.front(), 'C');
    EXPECT_TRUE(mirror.solidBrep(drawing, threaded.begin()->first).has_value());
    EXPECT_FALSE(mirror.solidBrep(drawing, "L0").has_value());
}

TEST(DrawingMirror, WhatTheDocumentLosesLeavesTheDrawingAndComesBackWithIt)
{
    CadDrawing drawing = twoLinesAndAPolyline();
    DrawingMirror mirror;
    const std::set<std::string> all = keysOf(digests(mirror, drawing));
    mirror.setMirrored(drawing, all);

    // The polyline's object is undone: it leaves the drawing, kept aside.
    std::set<std::string> shown = all;
    shown.erase("E1");
    auto result = mirror.reconcile(drawing, shown);
    EXPECT_EQ(result.withdrawn, std::vector<std::string>{"E1"});
    EXPECT_TRUE(drawing.polylines.empty());
    EXPECT_EQ(drawing.lines.size(), 2u);
    // Nothing else is taken while the document stays as it is.
    EXPECT_TRUE(mirror.reconcile(drawing, shown).withdrawn.empty());

    // A full drawing keeps it aside; with room again the redone object brings it back.
    drawing.grow(drawing::maxDrawingSize - 2 - 0); // the two lines are counted already
    result = mirror.reconcile(drawing, all);
    EXPECT_TRUE(result.reinstated.empty());
    drawing.shrink(10);
    result = mirror.reconcile(drawing, all);
    EXPECT_EQ(result.reinstated, std::vector<std::string>{"E1"});
    ASSERT_EQ(drawing.polylines.size(), 1u);
    EXPECT_EQ(drawing.polylines[0].handle, 1u);
}

TEST(DrawingMirror, WhatTheObjectModelDeletedComesBackWhenItsObjectDoes)
{
    // An edit deletes the placed reference; undoing the edit in the document shows it again.
    CadDrawing drawing;
    drawing.blocks.push_back({"STUD", drawing.newHandle(), {}, {{0, {0, 0}, {5, 0}, 0}}, {}});
    drawing.inserts.push_back({"STUD", 0, {1, 2}, 0, {}, {}, drawing.newHandle()});
    DrawingMirror mirror;
    std::set<std::string> shown = keysOf(digests(mirror, drawing));
    ASSERT_EQ(shown.count("E2"), 1u);
    mirror.setMirrored(drawing, shown);
    drawing.inserts.clear(); // Delete through the object model
    mirror.setMirrored(drawing, keysOf(digests(mirror, drawing)));

    const auto result = mirror.reconcile(drawing, shown);
    EXPECT_EQ(result.reinstated, std::vector<std::string>{"E2"});
    ASSERT_EQ(drawing.inserts.size(), 1u);
    EXPECT_EQ(drawing.inserts[0].at.y, 2);
    EXPECT_EQ(mirror.entityHandle(drawing, "E2"), drawing::Handle{2});
    EXPECT_EQ(mirror.entityHandle(drawing, "B1"), std::nullopt); // a definition is no entity
}
