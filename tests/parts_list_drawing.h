#pragma once
// The drawing the parts-list tests read, made through any transport as a designer makes it: studs
// of three standards and several sizes placed as blocks (М12×100 ГОСТ 22032-76 and М8×40 ГОСТ
// 22040-76 twice), QTY of the М10×50 ГОСТ 22042-76 edited to 4 and POS filled in on one М8×40 ГОСТ
// 22040-76; a stud drawn as loose lines, a loose text and a foreign block with a NAME attribute.
// Every pick is answered at one point by the host.

#include "cad/quorvel_draw.h"

#include <string>
#include <string_view>
#include <vector>

struct ListedStud {
    const char* standard;
    StudFamily family;
    double d, P, L, b, b1, c;
};

// In the order they are placed; М8×40 and М10×50 of ГОСТ 22032-76 come before М12 only by size.
inline const std::vector<ListedStud>& listedStuds()
{
    static const std::vector<ListedStud> studs = {
        {"22032-76", StudFamily::ScrewIn, 12, 1.75, 100, 30, 12, 1.6},
        {"22040-76", StudFamily::ScrewIn, 8, 1.25, 40, 22, 20, 1},
        {"22032-76", StudFamily::ScrewIn, 10, 1.5, 50, 26, 10, 1.5},
        {"22042-76", StudFamily::PlainHole, 10, 1.5, 50, 26, 26, 1.5},
        {"22032-76", StudFamily::ScrewIn, 12, 1.75, 100, 30, 12, 1.6},
        {"22040-76", StudFamily::ScrewIn, 8, 1.25, 40, 22, 20, 1},
        {"22032-76", StudFamily::ScrewIn, 8, 1.25, 40, 22, 8, 1},
    };
    return studs;
}

// The lines the parts list of that drawing has, in its order, with their quantities.
inline const std::vector<std::string>& listedLines()
{
    static const std::vector<std::string> lines = {
        "Шпилька М8×40 ГОСТ 22032-76 x1", "Шпилька М10×50 ГОСТ 22032-76 x1",
        "Шпилька М12×100 ГОСТ 22032-76 x2", "Шпилька М8×40 ГОСТ 22040-76 x2",
        "Шпилька М10×50 ГОСТ 22042-76 x4"};
    return lines;
}

// Its parts list as a file, the masses those of the standards' appendix for the sizes.
inline constexpr std::string_view listedCsv =
    "\xEF\xBB\xBF"
    "Поз.;Наименование;Кол.;Масса 1 шт., кг;Масса, кг;Примечание\r\n"
    ";Шпилька М8×40 ГОСТ 22032-76;1;0,0167;0,0167;\r\n"
    ";Шпилька М10×50 ГОСТ 22032-76;1;0,0329;0,0329;\r\n"
    ";Шпилька М12×100 ГОСТ 22032-76;2;0,0927;0,1854;\r\n"
    "5;Шпилька М8×40 ГОСТ 22040-76;2;0,0205;0,041;\r\n"
    ";Шпилька М10×50 ГОСТ 22042-76;4;0,0251;0,1004;\r\n"
    ";Итого;;;0,3764;\r\n";

// The attribute of that tag of the block reference.
inline OleObject attributeOf(const OleObject& reference, const std::string& tag)
{
    for (const OleObject& attribute : reference.call("GetAttributes", {}).toObjects()) {
        if (attribute.get("TagString").toString() == tag) {
            return attribute;
        }
    }
    return {};
}

// Makes the drawing in the host `draw` reaches; throws the automation failures.
inline void makePartsListDrawing(QuorvelDraw& draw)
{
    for (const ListedStud& s : listedStuds()) {
        StoredStud stored;
        stored.standard = s.standard;
        stored.d = s.d;
        stored.P = s.P;
        stored.L = s.L;
        stored.b = s.b;
        stored.b1 = s.b1;
        stored.c = s.c;
        const StudBlock block = studBlock(stored, s.family);
        const double overall = s.family == StudFamily::ScrewIn ? s.L + s.b1 : s.L;
        draw.Start_ACAD(false, "unused", s.d, overall, s.b, s.b1, s.c, &block);
    }
    draw.Start_ACAD(false, "unused", 16, 100, 38, 16, 2); // loose lines
    const OleObject document = draw.session().AcadDoc;
    const OleObject modelSpace = document.get("ModelSpace").toObject();
    modelSpace.call("AddText", {"Примечание", Point{0, 40, 0}, 5.0});
    const OleObject frame =
        document.get("Blocks").toObject().call("Add", {Point{0, 0, 0}, "FRAME"}).toObject();
    frame.call("AddLine", {Point{0, 0, 0}, Point{420, 0, 0}});
    frame.call("AddAttribute", {2.5, 0, "Обозначение", Point{0, 0, 0}, "NAME", "Рамка А3"});
    modelSpace.call("InsertBlock", {Point{-10, -100, 0}, "FRAME", 1.0, 1.0, 1.0, 0.0});

    // The designer's edits: QTY of the plain-hole stud, POS of the first М8×40 ГОСТ 22040-76.
    bool positioned = false;
    const std::int32_t count = modelSpace.get("Count").toInt32();
    for (std::int32_t i = 0; i < count; ++i) {
        const OleObject entity = modelSpace.call("Item", {i}).toObject();
        if (entity.get("ObjectName").toString() != "AcDbBlockReference") {
            continue;
        }
        const std::string name = entity.get("Name").toString();
        if (name == "GOST22042-76_M10x50") {
            attributeOf(entity, "QTY").put("TextString", "4");
        } else if (name == "GOST22040-76_M8x40" && !positioned) {
            attributeOf(entity, "POS").put("TextString", "5");
            positioned = true;
        }
    }
}
