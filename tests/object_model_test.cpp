// The host's object model without a transport: what it accepts, what it refuses and with which
// error, and the call log lines it writes.
#include "host/objects/object_model.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>

namespace {

using cadhost::ErrorKind;
using cadhost::HostValue;
using cadhost::InvokeResult;
using cadhost::ObjectRef;
using Args = std::vector<HostValue>;
using Point = std::vector<double>;

const double notANumber = std::numeric_limits<double>::quiet_NaN();
const double infinity = std::numeric_limits<double>::infinity();

struct Model {
    drawing::CadDrawing drawing;
    cadhost::ObjectModel model{drawing};
    InvokeResult call(const std::string& path, const std::string& member, std::int32_t kind,
                      Args args = {})
    {
        return model.invoke(path, member, kind, args);
    }
};

std::string describe(const InvokeResult& result)
{
    switch (result.status) {
    case InvokeResult::Status::Done:
        return "-> " + cadhost::showValue(result.value);
    case InvokeResult::Status::Failed:
        return std::string(cadhost::errorName(result.error.kind)) + ": " + result.error.text;
    case InvokeResult::Status::AwaitingPick:
        return "awaiting pick";
    }
    return "?";
}

} // namespace

TEST(HostObjectModel, RefusesKindsCountsAndTypesAsACOMServer)
{
    const std::string notFound = "org.quorvel.Automation.MemberNotFound: Member not found: ";
    const std::string count = "org.quorvel.Automation.BadParamCount: Wrong number of arguments: ";
    const std::string type = "org.quorvel.Automation.TypeMismatch: Type mismatch: argument ";
    const struct {
        const char* path;
        const char* member;
        std::int32_t kind;
        Args args;
        std::string outcome;
    } rows[] = {
        // kinds: methods need bit 1, properties are read with 2 or 3 and written with 4
        {"/Document", "GetVariable", 0, {"OSMODE"}, notFound + "GetVariable with kind 0"},
        {"/Document", "GetVariable", 8, {"OSMODE"}, notFound + "GetVariable with kind 8"},
        {"/Document", "GetVariable", -1, {"OSMODE"}, notFound + "GetVariable with kind -1"},
        {"/Document", "GetVariable", 99, {"OSMODE"}, notFound + "GetVariable with kind 99"},
        {"/Document", "GetVariable", 2, {"OSMODE"}, notFound + "GetVariable with kind 2"},
        {"/Document", "SendCommand", 4, {"x"}, notFound + "SendCommand with kind 4"},
        {"/Document", "GetVariable", 3, {"OSMODE"}, "-> 4133"},
        {"/Application", "ActiveDocument", 1, {}, notFound + "ActiveDocument with kind 1"},
        {"/Application", "ActiveDocument", 4, {ObjectRef{"/Document"}},
         notFound + "ActiveDocument with kind 4"},
        {"/Application", "ActiveDocument", 2, {}, "-> /Document"},
        {"/Application", "Visible", 3, {}, notFound + "Visible with kind 3"},
        {"/Layers", "Count", 7, {}, notFound + "Count with kind 7"},
        {"/Layers/0", "name", 4, {"x"}, notFound + "name with kind 4"},
        // argument counts
        {"/Document", "SetVariable", 1, {"OSMODE"}, count + "SetVariable takes 2, got 1"},
        {"/Document", "SendCommand", 1, {"a", "b"}, count + "SendCommand takes 1, got 2"},
        {"/Document", "Layers", 3, {1}, count + "Layers takes 0, got 1"},
        {"/Utility", "GetPoint", 1, {HostValue{}, "p", "q"}, count + "GetPoint takes 0 to 2, got 3"},
        {"/Application", "Visible", 4, {}, count + "Visible takes 1, got 0"},
        // types and ranges
        {"/Document", "SetVariable", 1, {"OSMODE", 2.7}, type + "2 of SetVariable"},
        {"/Document", "SetVariable", 1, {"OSMODE", "3"}, type + "2 of SetVariable"},
        {"/Document", "SetVariable", 1, {"OSMODE", 3e10}, type + "2 of SetVariable"},
        {"/Document", "SetVariable", 1, {"OSMODE", 4133.0}, "-> <empty>"},
        {"/Document", "GetVariable", 1, {7}, type + "1 of GetVariable"},
        {"/Document", "SendCommand", 1, {Point{1, 2, 3}}, type + "1 of SendCommand"},
        {"/Layers", "Item", 1, {"abc"}, type + "1 of Item"},
        {"/Layers", "Item", 1, {0.5}, type + "1 of Item"},
        {"/Layers", "Add", 1, {5}, type + "1 of Add"},
        {"/Layers", "Add", 1, {true}, type + "1 of Add"},
        {"/Layers", "Add", 1, {""},
         "org.quorvel.Automation.Exception: Invalid layer name"},
        {"/Layers", "Add", 1, {"a\nb"},
         "org.quorvel.Automation.Exception: Invalid layer name"},
        {"/Layers", "Add", 1, {"x\"y"},
         "org.quorvel.Automation.Exception: Invalid layer name"},
        {"/Layers", "Add", 1, {"Ось☃"},
         "org.quorvel.Automation.Exception: Invalid layer name"},
        {"/Layers/0", "color", 4, {0}, type + "1 of color"},
        {"/Layers/0", "color", 4, {256}, type + "1 of color"},
        {"/Layers/0", "color", 4, {"red"}, type + "1 of color"},
        {"/Application", "Visible", 4, {"yes"}, type + "1 of Visible"},
        {"/Document", "ActiveLayer", 4, {"/Layers/0"}, type + "1 of ActiveLayer"},
        {"/Document", "ActiveLayer", 4, {ObjectRef{"/Layers/9"}},
         "org.quorvel.Automation.Exception: Not a layer"},
        {"/Utility", "PolarPoint", 1, {Point{0, 0, 0}, notANumber, 1.0}, type + "2 of PolarPoint"},
        {"/Utility", "PolarPoint", 1, {Point{0, 0, 0}, 0.0, infinity}, type + "3 of PolarPoint"},
        {"/Utility", "PolarPoint", 1, {Point{0, notANumber, 0}, 0.0, 1.0}, type + "1 of PolarPoint"},
        {"/Utility", "PolarPoint", 1, {Point{0, 0}, 0.0, 1.0}, type + "1 of PolarPoint"},
        {"/Utility", "PolarPoint", 1, {Point{1, 2, 3}, 0, 2}, "-> (3,2,3)"},
        {"/Utility", "GetPoint", 1, {Point{1, 2}, "p"}, type + "1 of GetPoint"},
        {"/Utility", "GetPoint", 1, {HostValue{}, 5}, type + "2 of GetPoint"},
        // coordinates beyond what the host stores
        {"/Utility", "PolarPoint", 1, {Point{2e15, 0, 0}, 0.0, 1.0},
         "org.quorvel.Automation.Exception: Coordinate out of range"},
        {"/Utility", "PolarPoint", 1, {Point{0, 0, 0}, 0.0, 1e16},
         "org.quorvel.Automation.Exception: Coordinate out of range"},
        {"/Utility", "PolarPoint", 1, {Point{9e14, 0, 0}, 0.0, 9e14},
         "org.quorvel.Automation.Exception: Coordinate out of range"},
        // names and objects
        {"/Document", "Nothing", 1, {}, "org.quorvel.Automation.UnknownName: Unknown name: Nothing"},
        {"/Layers/1", "name", 3, {}, "org.quorvel.Automation.Failed: No such object"},
        {"/Layers/x", "name", 3, {}, "org.quorvel.Automation.Failed: No such object"},
        {"/Nowhere", "name", 3, {}, "org.quorvel.Automation.Failed: No such object"},
    };
    for (const auto& row : rows) {
        Model host;
        EXPECT_EQ(describe(host.call(row.path, row.member, row.kind, row.args)), row.outcome)
            << row.path << " " << row.member << " kind " << row.kind;
        EXPECT_EQ(host.drawing.layers.size(), 1u) << row.member; // nothing half done
        EXPECT_EQ(host.drawing.osmode, 4133) << row.member;
    }
}

TEST(HostObjectModel, PickWaitsOnceAndIsAnsweredOrCancelled)
{
    TempDir dir;
    Model host;
    ASSERT_TRUE(host.model.setCallLog(dir.file("calls.log")));
    const InvokeResult first = host.call("/Utility", "GetPoint", 1, {HostValue{}, "Insert: "});
    ASSERT_EQ(first.status, InvokeResult::Status::AwaitingPick);
    EXPECT_EQ(first.prompt, "Insert: ");
    EXPECT_EQ(describe(host.call("/Utility", "GetPoint", 1, {})),
              "org.quorvel.Automation.Exception: A point is already asked for");
    EXPECT_EQ(host.model.answerPick({1.5, -2}), HostValue(Point{1.5, -2, 0}));
    EXPECT_FALSE(host.model.waitingForPick());
    EXPECT_FALSE(host.model.answerPick({0, 0})); // nothing waits any more

    ASSERT_EQ(host.call("/Utility", "GetPoint", 1, {}).status,
              InvokeResult::Status::AwaitingPick);
    const auto cancelled = host.model.cancelPick("Point selection cancelled: the caller left");
    ASSERT_TRUE(cancelled);
    EXPECT_EQ(cancelled->kind, ErrorKind::Exception);
    EXPECT_FALSE(host.model.cancelPick());

    std::ifstream log(dir.file("calls.log"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(log, line);) {
        lines.push_back(line);
    }
    const std::vector<std::string> expected = {
        "Utility\tGetPoint\t1\t\t!! org.quorvel.Automation.Exception: A point is already asked for",
        "Utility\tGetPoint\t1\t<empty>|Insert: \t-> (1.5,-2,0)",
        "Utility\tGetPoint\t1\t\t!! org.quorvel.Automation.Exception: Point selection cancelled: "
        "the caller left",
    };
    EXPECT_EQ(lines, expected);
}

TEST(HostObjectModel, InjectedFailuresHitTheirCallOnly)
{
    const struct {
        cadhost::FailKind kind;
        std::string outcome;
    } rows[] = {
        {cadhost::FailKind::Exception, "org.quorvel.Automation.Exception: Injected host exception"},
        {cadhost::FailKind::SysError, "org.quorvel.Automation.Failed: Injected failure"},
        {cadhost::FailKind::UnknownName,
         "org.quorvel.Automation.UnknownName: Unknown name: Count"},
    };
    for (const auto& row : rows) {
        Model host;
        host.model.failCall(2, row.kind);
        EXPECT_EQ(describe(host.call("/Layers", "Count", 3)), "-> 1");
        EXPECT_EQ(describe(host.call("/Layers", "Count", 3)), row.outcome);
        EXPECT_EQ(describe(host.call("/Layers", "Count", 3)), "-> 1");
    }
}
