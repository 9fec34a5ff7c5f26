// Start_ACAD over COM, across processes, against the COM stand-in host, read back through the
// host's call log; and the COM transport's values and failures against the same host.
#include "cad/com/com_apartment.h"
#include "cad/com/com_running_objects.h"
#include "cad/com/wide_text.h"
#include "com_host_process.h"
#include "call_log.h"
#include "edit_outcomes.h"
#include "worked_examples.h"
#include "worked_run.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace {

// The running objects of the base hold COM on this thread for the test's own checks, too.
class OverCom : public ::testing::Test, protected WorkedRun<ComRunningObjects> {
  protected:
    void SetUp() override
    {
        ASSERT_FALSE(ComHostProcess::running()) << "another CAD host is running";
    }

    std::vector<std::wstring> hostArguments(std::vector<std::wstring> extra) const
    {
        std::vector<std::wstring> arguments{L"--log", toWide(dir.file("calls.log"))};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return arguments;
    }

    Lines commands() const { return sentCommands(readLines(dir.file("calls.log"))); }

    // The host of the shared cases, with its call log where they ask, serving.
    static std::unique_ptr<ComHostProcess> startHost(const Lines& arguments,
                                                     const std::string& className,
                                                     const std::string& logFile)
    {
        std::vector<std::wstring> list{L"--log", toWide(logFile)};
        for (const std::string& argument : arguments) {
            list.push_back(toWide(argument));
        }
        auto host = std::make_unique<ComHostProcess>(list, toWide(className));
        EXPECT_TRUE(ComHostProcess::running(toWide(className))) << "no host started";
        return host;
    }
};

} // namespace

TEST_F(OverCom, Draws2DWithTheExactCalls)
{
    ComHostProcess host(hostArguments({L"--points", L"0,0"}));
    ASSERT_TRUE(ComHostProcess::running());
    draw(false, 100);
    EXPECT_TRUE(reporter.messages.empty()) << messageText();
    host.stop();
    EXPECT_EQ(readLines(dir.file("calls.log")), workedExample2DCalls);
}

TEST_F(OverCom, Builds3DPartWithTheExactTextsWhicheverArraysPointsComeIn)
{
    for (const bool variantPoints : {false, true}) {
        SCOPED_TRACE(variantPoints ? "VT_ARRAY|VT_VARIANT" : "VT_ARRAY|VT_R8");
        std::vector<std::wstring> extra{L"--points", L"0,0"};
        if (variantPoints) {
            extra.push_back(L"--variant-points");
        }
        ComHostProcess host(hostArguments(extra));
        draw(true, 112);
        EXPECT_TRUE(reporter.messages.empty()) << messageText();
        host.stop();
        EXPECT_EQ(commands(), workedExample3DCommands);
    }
}

// The solid through the object model across processes: the vertices, the object list and the
// solid cross as the object model has them, whichever array the host returns the regions in.
TEST_F(OverCom, BuildsTheSolidWhicheverArrayTheRegionsComeIn)
{
    const Lines solidCalls = {
        "Document\tModelSpace\t3\t\t-> /ModelSpace",
        "ModelSpace\tAddLightWeightPolyline\t1\t(0,0,112,0,112,4.4,110.4,6,1.6,6,0,4.4)\t-> "
        "/Entities/1",
        "Entities/1\tClosed\t4\ttrue\t-> <empty>",
        "ModelSpace\tAddRegion\t1\t[/Entities/1]\t-> [/Entities/2]",
        "ModelSpace\tAddRevolvedSolid\t1\t/Entities/2|(0,0,0)|(1,0,0)|6.28318530717959\t-> "
        "/Entities/3",
        "Document\tLayers\t3\t\t-> /Layers",
        "Layers\tCount\t3\t\t-> 1",
        "Layers\tAdd\t1\t2\t-> /Layers/1",
        "Layers/1\tcolor\t4\t6\t-> <empty>",
        "Entities/3\tLayer\t4\t2\t-> <empty>",
        "Entities/2\tDelete\t1\t\t-> <empty>",
        "Entities/1\tDelete\t1\t\t-> <empty>",
    };
    for (const bool dispatchArrays : {false, true}) {
        SCOPED_TRACE(dispatchArrays ? "VT_ARRAY|VT_DISPATCH" : "VT_ARRAY|VT_VARIANT");
        std::vector<std::wstring> extra{L"--points", L"0,0"};
        if (dispatchArrays) {
            extra.push_back(L"--dispatch-arrays");
        }
        ComHostProcess host(hostArguments(extra));
        QuorvelDraw unit(objects, reporter, layers);
        unit.setSolid3D(true);
        unit.Start_ACAD(true, "Шпилька_M12x100_ГОСТ_22032-76", 12, 112, 30, 12, 1.6);
        EXPECT_TRUE(reporter.messages.empty()) << messageText();
        host.stop();
        const Lines log = readLines(dir.file("calls.log"));
        ASSERT_GE(log.size(), solidCalls.size() + 2);
        EXPECT_EQ(Lines(log.end() - static_cast<long>(solidCalls.size()) - 2, log.end() - 2),
                  solidCalls);
    }
}

TEST_F(OverCom, EachFailureKindGivesItsMessage)
{
    std::vector<FailureRow> rows = failureRows;
    rows.push_back({"host's exception with a deferred fill-in of its own process",
                    {"--fail", "3:exception", "--deferred-fill-in"},
                    startText + "Нет связи с AutoCAD! (EOleException)"});
    expectEachFailureGivesItsMessage(rows, startHost);
}

TEST_F(OverCom, EditInPlaceIsWholeOrNothing)
{
    edit_outcomes::expectEachEditOutcome(objects, dir, startHost);
}

TEST_F(OverCom, NoHostRunning)
{
    draw(false, 100);
    EXPECT_EQ(messageText(), startText + "Операция недоступна! (EOleSysError)");
}

TEST_F(OverCom, TheSettingsFileNamesTheHostToDrawIn)
{
    expectTheSettingsFileNamesTheHostToDrawIn(startHost);
}

TEST_F(OverCom, CancelledPickRestoresOsmode)
{
    expectCancelledPickRestoresOsmode(startHost);
}

TEST_F(OverCom, HostDyingDuringThePickGivesOneMessageAndNoHang)
{
    // Calls 1 to 5: ActiveDocument, Visible, GetVariable, SetVariable, Utility; 6 is GetPoint.
    ComHostProcess host(hostArguments({L"--points", L"0,0", L"--fail", L"6:crash"}));
    const auto start = std::chrono::steady_clock::now();
    draw(false, 100);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_EQ(messageText(), startText + "Операция недоступна! (EOleSysError)");
    EXPECT_EQ(host.waitForExit(5000), 3u);
}

TEST_F(OverCom, TransportFailuresCarryTheirStatus)
{
    ComHostProcess host(hostArguments({L"--points", L"0,0", L"--deferred-fill-in"}));
    const OleObject application = objects.getActiveObject("AutoCAD.Application");
    const OleObject document = application.get("ActiveDocument").toObject();
    const OleObject layers = document.get("Layers").toObject();
    EXPECT_THROW(application.get("NoSuchMember"), EOleError);
    try {
        application.get("NoSuchMember");
    } catch (const EOleSysError&) {
        ADD_FAILURE() << "an unknown name is EOleError only";
    } catch (const EOleError&) {
    }
    const struct {
        const char* label;
        std::function<void()> call;
        HRESULT status;
    } rows[] = {
        {"property called as a method", [&] { layers.call("Count", {}); }, DISP_E_MEMBERNOTFOUND},
        {"wrong argument count", [&] { layers.call("Item", {}); }, DISP_E_BADPARAMCOUNT},
        {"wrong argument type", [&] { layers.call("Add", {std::int32_t{5}}); },
         DISP_E_TYPEMISMATCH},
        {"host's exception", [&] { layers.call("Item", {std::int32_t{99}}); }, E_FAIL},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        try {
            row.call();
            ADD_FAILURE() << "no failure";
        } catch (const EOleSysError& error) {
            EXPECT_EQ(error.status(), static_cast<std::int32_t>(row.status));
        }
    }
    try {
        layers.call("Item", {std::int32_t{99}});
    } catch (const EOleException& error) {
        EXPECT_EQ(error.description(), "Index out of range");
        EXPECT_EQ(error.source(), "AutoCAD.Application");
    }

    try {
        objects.getActiveObject("Quorvel.NoSuchClass");
        ADD_FAILURE() << "an unknown class name was found";
    } catch (const EOleSysError& error) {
        EXPECT_EQ(error.status(), static_cast<std::int32_t>(CO_E_CLASSSTRING));
    }
    host.stop();
    try {
        objects.getActiveObject("AutoCAD.Application");
        ADD_FAILURE() << "a host that has ended was found";
    } catch (const EOleSysError& error) {
        EXPECT_EQ(error.status(), static_cast<std::int32_t>(MK_E_UNAVAILABLE));
    }
}

TEST_F(OverCom, ValuesCrossTheProcessBoundaryUnchanged)
{
    ComHostProcess host(hostArguments({L"--points", L"2.5,-1e-7"}));
    const OleObject document =
        objects.getActiveObject("AutoCAD.Application").get("ActiveDocument").toObject();
    const OleObject layers = document.get("Layers").toObject();
    const OleObject added = layers.call("Add", {"Осевые линии ГОСТ"}).toObject();
    EXPECT_EQ(added.get("name").toString(), "Осевые линии ГОСТ");
    added.put("color", std::int32_t{5});
    EXPECT_EQ(added.get("color").toInt32(), 5);
    document.put("ActiveLayer", added);
    EXPECT_EQ(document.get("ActiveLayer").toObject().get("name").toString(), "Осевые линии ГОСТ");
    EXPECT_EQ(layers.get("Count").toInt32(), 2);
    document.call("SetVariable", {"OSMODE", 0.0 + 7}); // a whole double where an integer goes
    EXPECT_EQ(document.call("GetVariable", {"OSMODE"}).toInt32(), 7);
    const OleObject utility = document.get("Utility").toObject();
    EXPECT_EQ(utility.call("GetPoint", {Variant(), "Insert point: "}).toPoint(),
              (Point{2.5, -1e-7, 0}));
    EXPECT_EQ(utility.call("PolarPoint", {Point{1, 2, 3}, 0.0, 4.0}).toPoint(), (Point{5, 2, 3}));
}
