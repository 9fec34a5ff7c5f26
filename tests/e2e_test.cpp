// Start_ACAD over the session bus against the stand-in host, read back through its call log and
// its DXF file.
#include "cad/dbus/dbus_running_objects.h"
#include "call_log.h"
#include "host_process.h"
#include "worked_examples.h"
#include "worked_run.h"

#include <QCoreApplication>

#include <dxflib/dl_creationadapter.h>
#include <dxflib/dl_dxf.h>
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <map>
#include <memory>
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

class OverDBus : public ::testing::Test, protected WorkedRun<DBusRunningObjects> {
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

    // The host of the shared cases: headless, with its call log where they ask, serving.
    static std::unique_ptr<HostProcess> startHost(const Lines& arguments,
                                                  const std::string& className,
                                                  const std::string& logFile)
    {
        QStringList list{QStringLiteral("--headless"), QStringLiteral("--log"),
                         QString::fromStdString(logFile)};
        for (const std::string& argument : arguments) {
            list << QString::fromStdString(argument);
        }
        auto host = std::make_unique<HostProcess>(list, QString::fromStdString(className));
        EXPECT_TRUE(HostProcess::owned(QString::fromStdString(className))) << "no host started";
        return host;
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
    expectEachFailureGivesItsMessage(failureRows, startHost);
}

TEST_F(OverDBus, NoHostRunning)
{
    draw(false, 100);
    EXPECT_EQ(messageText(), startText + "Операция недоступна! (EOleSysError)");
}

TEST_F(OverDBus, CancelledPickRestoresOsmode)
{
    expectCancelledPickRestoresOsmode(startHost);
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

TEST_F(OverDBus, TheSettingsFileNamesTheHostToDrawIn)
{
    expectTheSettingsFileNamesTheHostToDrawIn(startHost);
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

TEST_F(OverDBus, AnInvalidBusNameIsToldAsSuch)
{
    for (const char* name : {"a", "a..b", "1a.b"}) {
        QProcess host;
        host.start(QStringLiteral(CADHOST_PATH),
                   {QStringLiteral("--headless"), QStringLiteral("--name"), QLatin1String(name)});
        ASSERT_TRUE(host.waitForFinished(10000));
        EXPECT_EQ(host.exitCode(), 2) << name;
        const std::string err = host.readAllStandardError().toStdString(); // after Qt's notes
        EXPECT_TRUE(err.ends_with("quorvel-cadhost: \"" + std::string(name) +
                                  "\" is not a valid bus name (two or more elements joined by "
                                  "dots, such as AutoCAD.Application)\n"))
            << err;
    }
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
