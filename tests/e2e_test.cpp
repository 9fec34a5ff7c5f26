// Start_ACAD over the session bus against the stand-in host, read back through its call log and
// its DXF file.
#include "cad/dbus/dbus_running_objects.h"
#include "call_log.h"
#include "host_process.h"
#include "model/cp1251.h"
#include "ui/settings_file.h"
#include "worked_examples.h"
#include "worked_run.h"

#include <QCoreApplication>

#include <dxflib/dl_creationadapter.h>
#include <dxflib/dl_dxf.h>
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <map>
#include <thread>

namespace {

struct DxfContents : DL_CreationAdapter {
    std::map<std::string, int> layerColors;
    struct Poly {
        std::string layer;
        int flags;
        std::vector<std::pair<double, double>> vertices;
    };
    std::vector<Poly> polylines;
    std::map<std::string, int> linesPerLayer;

    void addLayer(const DL_LayerData& data) override
    {
        layerColors[data.name] = getAttributes().getColor();
    }
    void addPolyline(const DL_PolylineData& data) override
    {
        polylines.push_back({getAttributes().getLayer(), data.flags, {}});
    }
    void addVertex(const DL_VertexData& data) override
    {
        polylines.back().vertices.emplace_back(data.x, data.y);
    }
    void addLine(const DL_LineData&) override { ++linesPerLayer[getAttributes().getLayer()]; }
};

class OverDBus : public ::testing::Test, protected WorkedRun {
  protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(assertBusFreeForHost());
    }

    QStringList hostArguments(QStringList extra) const
    {
        return QStringList{QStringLiteral("--log"), QString::fromStdString(dir.file("calls.log")),
                           QStringLiteral("--dxf"), QString::fromStdString(dir.file("out.dxf"))} +
               extra;
    }

    void draw(bool is3D, double L)
    {
        DBusRunningObjects objects;
        WorkedRun::draw(objects, is3D, L);
    }
};

} // namespace

TEST_F(OverDBus, Draws2DWithTheExactCallsAndAReadableDxf)
{
    HostProcess host(hostArguments({"--headless", "--points", "0,0"}));
    draw(false, 100);
    EXPECT_TRUE(reporter.messages.empty());
    host.stop();

    EXPECT_EQ(readLines(dir.file("calls.log")), workedExample2DCalls);

    DxfContents contents;
    DL_Dxf dxf;
    ASSERT_TRUE(dxf.in(dir.file("out.dxf"), &contents));
    EXPECT_EQ(contents.layerColors,
              (std::map<std::string, int>{{"0", 7}, {"2", 6}, {"1", 2}, {"7", 5}}));
    ASSERT_EQ(contents.polylines.size(), 1u);
    const auto& outline = contents.polylines[0];
    EXPECT_EQ(outline.layer, "2");
    EXPECT_EQ(outline.flags & 1, 1); // closed
    ASSERT_EQ(outline.vertices.size(), 8u);
    EXPECT_DOUBLE_EQ(outline.vertices[0].first, 0);
    EXPECT_DOUBLE_EQ(outline.vertices[0].second, -4.4);
    EXPECT_DOUBLE_EQ(outline.vertices[1].first, 1.6);
    EXPECT_DOUBLE_EQ(outline.vertices[1].second, -6);
    EXPECT_EQ(contents.linesPerLayer, (std::map<std::string, int>{{"2", 4}, {"1", 4}, {"7", 1}}));
}

TEST_F(OverDBus, Builds3DPartWithTheExactTexts)
{
    HostProcess host(hostArguments({"--headless", "--points", "0,0"}));
    draw(true, 112);
    EXPECT_TRUE(reporter.messages.empty());
    host.stop();
    EXPECT_EQ(sentCommands(readLines(dir.file("calls.log"))), workedExample3DCommands);
}

TEST_F(OverDBus, FailuresGiveTheirMessages)
{
    const struct {
        const char* label;
        QStringList arguments;
        std::string text;
    } rows[] = {
        {"member the host lacks",
         {"--headless", "--points", "0,0", "--fail", "1:unknown"},
         startText + "Незагружен AutoCAD! (EOleError)"},
        {"host's own exception",
         {"--headless", "--points", "0,0", "--fail", "2:exception"},
         startText + "Нет связи с AutoCAD! (EOleException)"},
        {"other failure",
         {"--headless", "--points", "0,0", "--fail", "3:syserror"},
         startText + "Операция недоступна! (EOleSysError)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        reporter.messages.clear();
        HostProcess host(hostArguments(row.arguments));
        draw(false, 100);
        EXPECT_EQ(messageText(), row.text);
    }
}

TEST_F(OverDBus, NoHostRunning)
{
    draw(false, 100);
    EXPECT_EQ(messageText(), startText + "Операция недоступна! (EOleSysError)");
}

TEST_F(OverDBus, CancelledPickRestoresOsmode)
{
    HostProcess host(hostArguments({"--headless"})); // no scripted point: the pick is refused
    draw(false, 100);
    EXPECT_EQ(messageText(), startText + "Нет связи с AutoCAD! (EOleException)");
    host.stop();
    const Lines log = readLines(dir.file("calls.log"));
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "Document\tSetVariable\t1\tOSMODE|4133\t-> <empty>");
}

TEST_F(OverDBus, HostKilledDuringThePickEndsWithoutHanging)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    HostProcess host(hostArguments({})); // with a window: the pick waits for a click
    const qint64 pid = host.pid();
    std::thread killer([pid] {
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        ::kill(static_cast<pid_t>(pid), SIGKILL);
    });
    draw(false, 100);
    killer.join();
    EXPECT_EQ(messageText(), startText + "Операция недоступна! (EOleSysError)");
}

// A CAD program that offers the same interface under a bus name of its own: the settings file's
// key makes the program draw there; without it the program looks for AutoCAD.Application and
// finds nothing, the other host getting not one call.
TEST_F(OverDBus, TheSettingsFileNamesTheHostToDrawIn)
{
    const QString otherName = QStringLiteral("OtherCad.Application");
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
        HostProcess host({"--headless", "--points", "0,0", "--log",
                          QString::fromStdString(run.file("calls.log"))},
                         otherName);
        ASSERT_TRUE(HostProcess::owned(otherName));
        DBusRunningObjects objects;
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

TEST_F(OverDBus, SecondHostRefusesTheOwnedName)
{
    HostProcess first(hostArguments({"--headless"}));
    QProcess second;
    second.start(QStringLiteral(CADHOST_PATH), {QStringLiteral("--headless")});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_TRUE(second.readAllStandardError().contains(
        "AutoCAD.Application is already owned on the session bus"));
    EXPECT_TRUE(HostProcess::owned()); // the first host still serves
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
