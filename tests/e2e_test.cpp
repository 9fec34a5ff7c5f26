// Start_ACAD over the session bus against the stand-in host, read back through its call log and
// its DXF file.
#include "cad/dbus/dbus_running_objects.h"
#include "cad/quorvel_draw.h"
#include "call_log.h"
#include "host_process.h"
#include "recording_reporter.h"
#include "temp_dir.h"

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

class OverDBus : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected())
            << "needs a session bus: run the tests under dbus-run-session";
        ASSERT_FALSE(HostProcess::owned()) << "another CAD host owns AutoCAD.Application";
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
        QuorvelDraw unit(objects, reporter, layers);
        unit.Start_ACAD(is3D, "Шпилька_M12x100_ГОСТ_22032-76", 12, L, 30, 12, 1.6);
    }

    std::string messageText() const
    {
        return reporter.messages.size() == 1 ? reporter.messages[0].text : "<not one message>";
    }

    TempDir dir;
    RecordingReporter reporter;
    LayerNames layers;
};

const std::string startText = "Модуль   : Quorvel_Draw\r\nПроцедура: Start_ACAD\r\nОшибка   : ";

} // namespace

TEST_F(OverDBus, Draws2DWithTheExactCallsAndAReadableDxf)
{
    HostProcess host(hostArguments({"--headless", "--points", "0,0"}));
    draw(false, 100);
    EXPECT_TRUE(reporter.messages.empty());
    host.stop();

    const Lines expected = {
        "Application\tActiveDocument\t3\t\t-> /Document",
        "Application\tVisible\t4\ttrue\t-> <empty>",
        "Document\tGetVariable\t1\tOSMODE\t-> 4133",
        "Document\tSetVariable\t1\tOSMODE|0\t-> <empty>",
        "Document\tUtility\t3\t\t-> /Utility",
        "Utility\tGetPoint\t1\t<empty>|Insert point: \t-> (0,0,0)",
        "Document\tSendCommand\t1\t_ZOOM\\r_W\\r-12,-12\\r112,12\\r\t-> <empty>",
        "Document\tLayers\t3\t\t-> /Layers",
        "Document\tActiveLayer\t3\t\t-> /Layers/0",
        "Layers\tCount\t3\t\t-> 1",
        "Layers\tAdd\t1\t2\t-> /Layers/1",
        "Layers/1\tcolor\t4\t6\t-> <empty>",
        "Document\tActiveLayer\t4\t/Layers/1\t-> <empty>",
        "Document\tSendCommand\t1\t_PLINE\\r0,-6\\r100,-6\\r100,6\\r0,6\\rCL\\r\t-> <empty>",
        "Document\tSendCommand\t1\t_CHAMFER\\rD\\r1.6\\r1.6\\rP\\rLAST\\r\t-> <empty>",
        "Document\tSendCommand\t1\t_LINE\\r1.6,-6\\r1.6,6\\r\\r\t-> <empty>",
        "Document\tSendCommand\t1\t_LINE\\r98.4,6\\r98.4,-6\\r\\r\t-> <empty>",
        "Layers\tCount\t3\t\t-> 2",
        "Layers\tItem\t1\t1\t-> /Layers/1",
        "Layers/1\tname\t3\t\t-> 2",
        "Layers\tAdd\t1\t1\t-> /Layers/2",
        "Layers/2\tcolor\t4\t2\t-> <empty>",
        "Document\tActiveLayer\t4\t/Layers/2\t-> <empty>",
        "Document\tSendCommand\t1\t_LINE\\r0,4.4\\r12,4.4\\r\\r\t-> <empty>",
        "Document\tSendCommand\t1\t_LINE\\r70,4.4\\r100,4.4\\r\\r\t-> <empty>",
        "Document\tSendCommand\t1\t_LINE\\r0,-4.4\\r12,-4.4\\r\\r\t-> <empty>",
        "Document\tSendCommand\t1\t_LINE\\r70,-4.4\\r100,-4.4\\r\\r\t-> <empty>",
        "Document\tActiveLayer\t4\t/Layers/1\t-> <empty>",
        "Document\tSendCommand\t1\t_LINE\\r12,6\\r12,-6\\r\\r\t-> <empty>",
        "Document\tSendCommand\t1\t_LINE\\r70,6\\r70,-6\\r\\r\t-> <empty>",
        "Layers\tCount\t3\t\t-> 3",
        "Layers\tItem\t1\t1\t-> /Layers/1",
        "Layers/1\tname\t3\t\t-> 2",
        "Layers\tItem\t1\t2\t-> /Layers/2",
        "Layers/2\tname\t3\t\t-> 1",
        "Layers\tAdd\t1\t7\t-> /Layers/3",
        "Layers/3\tcolor\t4\t5\t-> <empty>",
        "Document\tActiveLayer\t4\t/Layers/3\t-> <empty>",
        "Document\tSendCommand\t1\t_LINE\\r-1.6,0\\r101.6,0\\r\\r\t-> <empty>",
        "Document\tActiveLayer\t4\t/Layers/0\t-> <empty>",
        "Document\tSetVariable\t1\tOSMODE|4133\t-> <empty>",
        "Document\tSendCommand\t1\t_ZOOM\\r_P\\r\t-> <empty>",
    };
    EXPECT_EQ(readLines(dir.file("calls.log")), expected);

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
    const std::string prefix = "Document\tSendCommand\t1\t";
    Lines commands;
    for (const std::string& line : readLines(dir.file("calls.log"))) {
        if (line.rfind(prefix, 0) == 0) {
            commands.push_back(line.substr(prefix.size(), line.find("\t->") - prefix.size()));
        }
    }
    // The host computes PolarPoint with cos and sin, as a CAD program does.
    const Lines expected = {
        "AMDT_SKETCH_VIEW\\r",
        "_ZOOM\\r_W\\r-12,-12\\r124,12\\r",
        "CMDDIA\\r0\\r",
        "AMDT_NEW_PART\\rШпилька_M12x100_ГОСТ_22032-76\\r",
        "_PLINE\\r0,0\\r112,0\\r112,6\\r0,6\\rCL\\r",
        "amdt_1profile\\r",
        "amrevolve\\r56,0\\r\\r\\r",
        "_amthread\\r1.83697019872103E-16,3\\rE\\r12\\r\\r",
        "_amthread\\r112,3\\rE\\r30\\r\\r",
        "_amchamfer\\rE\\r1.83697019872103E-16,3\\r112,3\\r\\r1.6\\r",
        "CMDDIA\\r1\\r",
        "_ZOOM\\r_P\\r",
    };
    EXPECT_EQ(commands, expected);
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
