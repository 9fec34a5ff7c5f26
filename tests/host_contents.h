#pragma once
// What a stand-in host holds after a run, read back through its own objects (any transport) and
// its call log: the objects a call made, an object by the path the log names, a block
// reference's attributes and extended data.

#include "cad/automation.h"
#include "call_log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

// The results of the log's calls that start with call ("ModelSpace\tInsertBlock\t"), in order:
// "/Entities/7", or "[/Entities/8]" for an array.
inline Lines resultsOf(const Lines& log, const std::string& call)
{
    Lines results;
    for (const std::string& line : log) {
        const std::size_t arrow = line.rfind("\t-> ");
        if (line.rfind(call, 0) == 0 && arrow != std::string::npos) {
            results.push_back(line.substr(arrow + 4));
        }
    }
    return results;
}

// The entity of the host at "/Entities/<n>" (or "[/Entities/<n>]"), through HandleToObject with
// its handle; the host's exception when it is gone.
inline OleObject entityAt(const OleObject& document, std::string path)
{
    if (!path.empty() && path.front() == '[') {
        path = path.substr(1, path.size() - 2);
    }
    char handle[32];
    std::snprintf(handle, sizeof handle, "%llX", std::stoull(path.substr(path.rfind('/') + 1)));
    return document.call("HandleToObject", {std::string(handle)}).toObject();
}

// Whether the host still has the entity at path.
inline bool entityExists(const OleObject& document, const std::string& path)
{
    try {
        entityAt(document, path);
        return true;
    } catch (const EOleException&) {
        return false;
    }
}

// A block reference's attribute values by tag.
inline std::map<std::string, std::string> attributesOf(const OleObject& reference)
{
    std::map<std::string, std::string> values;
    for (const OleObject& attribute : reference.call("GetAttributes", {}).toObjects()) {
        values[attribute.get("TagString").toString()] = attribute.get("TextString").toString();
    }
    return values;
}

// The extended data of the program's application on an entity: type codes and values, as the
// host answers them through GetXData's out parameters.
inline Variants studDataOf(const OleObject& entity)
{
    return entity.call("GetXData", {"QUORVEL", OutArgument{}, OutArgument{}}).toVariants();
}

// The worked stud's data (L as given; solid or side view) as the host keeps it: the type codes
// and the 1070 flags as 16-bit integers, the sizes as doubles.
inline void expectWorkedStudData(const Variants& data, double L, bool solid)
{
    ASSERT_EQ(data.size(), 2u);
    const Variants codes = data[0].toVariants();
    const Variants values = data[1].toVariants();
    const std::vector<std::int16_t> expectedCodes{1001, 1000, 1070, 1070, 1040,
                                                  1040, 1040, 1040, 1040, 1040};
    ASSERT_EQ(codes.size(), expectedCodes.size());
    ASSERT_EQ(values.size(), expectedCodes.size());
    for (std::size_t i = 0; i < codes.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(std::holds_alternative<std::int16_t>(codes[i].value()));
        EXPECT_EQ(std::get<std::int16_t>(codes[i].value()), expectedCodes[i]);
    }
    EXPECT_EQ(values[0].toString(), "QUORVEL");
    EXPECT_EQ(values[1].toString(), "22032-76");
    for (const auto& [at, flag] :
         {std::pair{std::size_t{2}, false}, std::pair{std::size_t{3}, solid}}) {
        ASSERT_TRUE(std::holds_alternative<std::int16_t>(values[at].value())) << at;
        EXPECT_EQ(std::get<std::int16_t>(values[at].value()), flag ? 1 : 0) << at;
    }
    const double sizes[] = {12, L, 30, 12, 1.6, 1.75};
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
        ASSERT_TRUE(std::holds_alternative<double>(values[4 + i].value()));
        EXPECT_EQ(std::get<double>(values[4 + i].value()), sizes[i]);
    }
}
