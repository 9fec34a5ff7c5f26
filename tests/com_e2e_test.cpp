// Start_ACAD over COM, across processes, against the COM stand-in host, read back through the
// host's call log; and the COM transport's values and failures against the same host.
#include "cad/com/com_apartment.h"
#include "cad/com/com_running_objects.h"
#include "cad/com/wide_text.h"
#include "com_host_process.h"
#include "call_log.h"
#include "model/cp1251.h"
#include "ui/settings_file.h"
#include "worked_examples.h"
#include "worked_run.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

class OverCom : public ::testing::Test, protected WorkedRun {
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

    void draw(bool is3D, double L) { WorkedRun::draw(objects, is3D, L); }

    Lines commands() const { return sentCommands(readLines(dir.file("calls.log"))); }

    ComRunningObjects objects; // COM on this thread for the test's own checks, too
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

TEST_F(OverCom, EachFailureKindGivesItsMessage)
{
    const struct {
        const char* label;
        std::vector<std::wstring> arguments;
        std::string text;
    } rows[] = {
        {"member the host lacks",
         {L"--points", L"0,0", L"--fail", L"1:unknown"},
         startText + "Незагружен AutoCAD! (EOleError)"},
        {"host's own exception",
         {L"--points", L"0,0", L"--fail", L"2:exception"},
         startText + "Нет связи с AutoCAD! (EOleException)"},
        {"host's exception with a deferred fill-in of its own process",
         {L"--points", L"0,0", L"--fail", L"3:exception", L"--deferred-fill-in"},
         startText + "Нет связи с AutoCAD! (EOleException)"},
        {"other failure",
         {L"--points", L"0,0", L"--fail", L"3:sys"},
         startText + "Операция недоступна! (EOleSysError)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        reporter.messages.clear();
        ComHostProcess host(hostArguments(row.arguments));
        draw(false, 100);
        EXPECT_EQ(messageText(), row.text);
    }
}

TEST_F(OverCom, NoHostRunning)
{
    draw(false, 100);
    EXPECT_EQ(messageText(), startText + "Операция недоступна! (EOleSysError)");
}

// A CAD program that offers the same interface under a class name of its own: the settings file's
// key makes the program draw there; without it the program looks for AutoCAD.Application and
// finds nothing, the other host getting not one call.
TEST_F(OverCom, TheSettingsFileNamesTheHostToDrawIn)
{
    const std::wstring otherName = L"OtherCad.Application";
    const struct {
        const char* label;
        const char* ini;
        bool draws;
    } rows[] = {
        {"key names the host", "[CAD]\r\nApplication=OtherCad.Application\r\n", true},
        {"no key", "[Слои]\r\nОсновной=2\r\n", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        TempDir run;
        const std::string ini = run.write("quorvel.ini", utf8ToCp1251(row.ini));
        reporter.messages.clear();
        ComHostProcess host({L"--points", L"0,0", L"--log", toWide(run.file("calls.log"))},
                            otherName);
        ASSERT_TRUE(ComHostProcess::running(otherName));
        QuorvelDraw unit(objects, reporter, layers);
        unit.setHostClass(readSettings(ini).cadApplication);
        unit.Start_ACAD(false, "Шпилька_M12x100_ГОСТ_22032-76", 12, 100, 30, 12, 1.6);
        host.stop();
        if (row.draws) {
            EXPECT_TRUE(reporter.messages.empty()) << messageText();
            EXPECT_EQ(readLines(run.file("calls.log")), workedExample2DCalls);
        } else {
            EXPECT_EQ(messageText(), startText + "Операция недоступна! (EOleSysError)");
            EXPECT_EQ(readLines(run.file("calls.log")), Lines{});
        }
    }
}

TEST_F(OverCom, CancelledPickRestoresOsmode)
{
    ComHostProcess host(hostArguments({})); // no scripted point: the pick is refused
    draw(false, 100);
    EXPECT_EQ(messageText(), startText + "Нет связи с AutoCAD! (EOleException)");
    host.stop();
    const Lines log = readLines(dir.file("calls.log"));
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "Document\tSetVariable\t1\tOSMODE|4133\t-> <empty>");
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
