// The DXF files' records as readers that index them see them: the host's save and a parts
// library, read as plain group codes and values, without dxflib.
#include "drawing/files/dxf_export.h"
#include "drawing/files/dxf_text.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <set>
#include <utility>

namespace {

using drawing::dxfText;

struct Record {
    std::string section;
    std::string kind;
    std::vector<std::pair<int, std::string>> groups; // in file order

    std::optional<std::string> value(int code) const
    {
        for (const auto& [number, text] : groups) {
            if (number == code) {
                return text;
            }
        }
        return std::nullopt;
    }
};

// Every record (a group 0 and the groups up to the next) with the section it stands in.
std::vector<Record> recordsOf(const std::string& file)
{
    std::ifstream in(utf8Path(file), std::ios::binary);
    std::vector<Record> records;
    std::string section;
    for (std::string code, value; std::getline(in, code) && std::getline(in, value);) {
        if (!value.empty() && value.back() == '\r') {
            value.pop_back();
        }
        const int number = std::stoi(code);
        if (number == 0) {
            records.push_back({section, value, {}});
            if (value == "ENDSEC") {
                section.clear();
            }
        } else if (!records.empty()) {
            records.back().groups.emplace_back(number, value);
            if (records.back().kind == "SECTION" && number == 2) {
                section = records.back().section = value;
            }
        }
    }
    return records;
}

// A header variable's first value.
std::string headerValue(const std::vector<Record>& records, const std::string& name)
{
    for (const Record& record : records) {
        if (record.kind == "SECTION" && record.value(2) == "HEADER") {
            for (std::size_t i = 0; i + 1 < record.groups.size(); ++i) {
                if (record.groups[i] == std::pair<int, std::string>(9, name)) {
                    return record.groups[i + 1].second;
                }
            }
        }
    }
    return "(none)";
}

const drawing::Layer mainLayer{"Основная", 6};
const drawing::Layer axisLayer{"Осевая", 5};

drawing::Polyline outline(std::size_t layer)
{
    return {layer, {{0, -4}, {1, -5}, {20, -5}, {20, 5}, {1, 5}, {0, 4}}, true};
}

} // namespace

// Every table entry and every entity carries a unique handle below the header's seed, every
// entity its layer: a polyline's vertices and end record that of the polyline, a block's head
// and end layer 0; the layer table holds layer 0 and the names in Windows-1251.
TEST(DxfRecords, HandlesOnEveryEntryAndEntityLayersOnEveryEntity)
{
    TempDir dir;
    drawing::CadDrawing drawing; // starts with layer 0
    drawing.layers.push_back(mainLayer);
    drawing.layers.push_back(axisLayer);
    drawing.polylines.push_back(outline(1));
    drawing.lines.push_back({2, {-1, 0}, {21, 0}});
    ASSERT_TRUE(drawing::saveDxf(drawing, dir.file("host.dxf")));

    const std::vector<drawing::DxfBlock> blocks = {
        {"Шпилька_M10x20", {outline(0)}, {{1, {-1, 0}, {21, 0}}}, {1, -5}, {}, {}, {}},
        {"Шпилька_M10x25", {}, {{0, {0, 0}, {25, 0}}}, {1, -20}, {}, {}, {}}};
    ASSERT_TRUE(drawing::saveDxfLibrary({mainLayer, axisLayer}, blocks, dir.file("library.dxf")));

    const std::string main = dxfText(mainLayer.name);
    const std::string axis = dxfText(axisLayer.name);
    const std::string polyline = "POLYLINE " + main + ",VERTEX " + main + ",VERTEX " + main +
                                 ",VERTEX " + main + ",VERTEX " + main + ",VERTEX " + main +
                                 ",VERTEX " + main + ",SEQEND " + main;
    const std::string spaces = "BLOCK 0,ENDBLK 0,BLOCK 0,ENDBLK 0";
    const struct {
        const char* name;
        std::string file;
        std::string entities; // kind and layer of each record in BLOCKS and ENTITIES
    } rows[] = {
        {"host's save", dir.file("host.dxf"), spaces + "," + polyline + ",LINE " + axis},
        {"library", dir.file("library.dxf"),
         spaces + ",BLOCK 0," + polyline + ",LINE " + axis + ",ENDBLK 0,BLOCK 0,LINE " + main +
             ",ENDBLK 0,INSERT 0,INSERT 0"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::vector<Record> records = recordsOf(row.file);
        EXPECT_EQ(headerValue(records, "$ACADVER"), "AC1009");
        EXPECT_EQ(headerValue(records, "$DWGCODEPAGE"), "ANSI_1251");
        EXPECT_EQ(headerValue(records, "$HANDLING"), "1");
        const unsigned long seed = std::stoul(headerValue(records, "$HANDSEED"), nullptr, 16);

        std::set<unsigned long> handles;
        std::vector<std::string> layerTable;
        std::string entities;
        for (const Record& record : records) {
            const bool bounds = record.kind == "SECTION" || record.kind == "ENDSEC";
            const bool tableEntry =
                record.section == "TABLES" && record.kind != "TABLE" && record.kind != "ENDTAB";
            const bool entity = record.section == "BLOCKS" || record.section == "ENTITIES";
            if (bounds || (!tableEntry && !entity)) {
                continue;
            }
            // A dimension style's group 5 is one of its variables; its handle is 105.
            const auto handle = record.value(record.kind == "DIMSTYLE" ? 105 : 5);
            ASSERT_TRUE(handle) << record.kind << " without a handle";
            const unsigned long number = std::stoul(*handle, nullptr, 16);
            EXPECT_TRUE(handles.insert(number).second) << "handle used twice: " << *handle;
            EXPECT_GT(number, 0u);
            EXPECT_LT(number, seed) << record.kind;
            if (record.kind == "LAYER") {
                layerTable.push_back(record.value(2).value_or("") + " " +
                                     record.value(62).value_or(""));
            }
            if (entity) {
                entities += (entities.empty() ? "" : ",") + record.kind + " " +
                            record.value(8).value_or("(no layer)");
            }
        }
        EXPECT_EQ(layerTable, (std::vector<std::string>{"0 7", main + " 6", axis + " 5"}));
        EXPECT_EQ(entities, row.entities);
    }
}
