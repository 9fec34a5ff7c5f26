// Start_ACAD over the session bus against the stand-in host, read back through its call log and
// its DXF file.
#include "cad/dbus/dbus_running_objects.h"
#include "call_log.h"
#include "edit_outcomes.h"
#include "host_process.h"
#include "worked_examples.h"
#include "worked_run.h"

#include <QCoreApplication>
#include <QProcess>

#include <dxflib/dl_creationadapter.h>
#include <dxflib/dl_dxf.h>
#include <gtest/gtest.h>

#include <algorithm>
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

// Out parameters, extended data's arrays and the attribute objects cross the bus: a stud placed
// as a block is picked again (both picks on its axis), then replaced by a longer one at its
// place, which a third pick finds with its new sizes.
TEST_F(OverDBus, PlacesAStudAsABlockAndReplacesItWhenEdited)
{
    HostProcess host(hostArguments({"--headless", "--points", "10,20", "--repeat-points"}));
    QuorvelDraw unit(objects, reporter, layers);
    StoredStud stud;
    stud.standard = "22032-76";
    stud.d = 12;
    stud.L = 100;
    stud.b = 30;
    stud.b1 = 12;
    stud.c = 1.6;
    stud.P = 1.75;
    const StudBlock first = studBlock(stud, StudFamily::ScrewIn);
    unit.Start_ACAD(false, "unused", 12, 112, 30, 12, 1.6, &first);
    ASSERT_EQ(unit.Edit_Stud(), EditOutcome::Picked);
    EXPECT_EQ(unit.edited().standard, "22032-76");
    EXPECT_EQ(unit.edited().L, 100);
    EXPECT_EQ(unit.edited().P, 1.75);

    stud.L = 120;
    const StudBlock longer = studBlock(stud, StudFamily::ScrewIn);
    unit.Start_ACAD(false, "unused", 12, 132, 30, 12, 1.6, &longer);
    ASSERT_EQ(unit.Edit_Stud(), EditOutcome::Picked);
    EXPECT_EQ(unit.edited().L, 120);
    EXPECT_TRUE(reporter.messages.empty()) << messageText();
    host.stop();

    // One point picked for both studs; the first reference deleted once the second stood.
    const Lines log = readLines(dir.file("calls.log"));
    Lines inserts;
    Lines picks;
    for (const std::string& line : log) {
        if (line.rfind("ModelSpace\tInsertBlock\t", 0) == 0) {
            inserts.push_back(line);
        }
        if (line.rfind("Utility\tGetPoint\t", 0) == 0) {
            picks.push_back(line);
        }
    }
    ASSERT_EQ(inserts.size(), 2u);
    EXPECT_EQ(picks.size(), 1u);
    EXPECT_NE(inserts[1].find("(10,20,0)|GOST22032-76_M12x120|1|1|1|0"), std::string::npos)
        << inserts[1];
    const std::string firstStud = inserts[0].substr(inserts[0].rfind("/") + 1);
    EXPECT_NE(std::find(log.begin(), log.end(),
                        "Entities/" + firstStud + "\tDelete\t1\t\t-> <empty>"),
              log.end());

    // The saved drawing as a reader we did not write sees it: both definitions, one insert
    // with its Cyrillic attribute values and its extended data, the application registered.
    QProcess reader;
    reader.start(QStringLiteral(EZDXF_PYTHON), {QStringLiteral(DXF_CONTENTS_SCRIPT),
                                                QString::fromStdString(dir.file("out.dxf"))});
    ASSERT_TRUE(reader.waitForFinished(60000));
    const QStringList read = QString::fromUtf8(reader.readAllStandardOutput()).split('\n');
    ASSERT_FALSE(read.isEmpty());
    EXPECT_EQ(read[0].toStdString(), "audit errors 0 fixes 0");
    Lines placed;
    for (const QString& line : read) {
        for (const char* kind : {"insert ", "  attrib ", "  xdata ", "applications ", "block "}) {
            if (line.startsWith(QLatin1String(kind))) {
                placed.push_back(line.toStdString());
            }
        }
    }
    // "×" is not in the file's code page: DXF writes it as \U+00D7, as CAD programs do.
    const Lines expected = {
        "insert 0 GOST22032-76_M12x120 10.0,20.0",
        "  attrib NAME=Шпилька М12\\U+00D7120 ГОСТ 22032-76 invisible",
        "  attrib STANDARD=ГОСТ 22032-76 invisible",
        "  attrib SECTION=Стандартные изделия invisible",
        "  attrib QTY=1 invisible",
        "  attrib MASS=0,110 invisible",
        "  attrib POS= invisible",
        "  xdata QUORVEL 1000=22032-76 1070=0 1070=0 1040=12.0 1040=120.0 1040=30.0 1040=12.0 "
        "1040=1.6 1040=1.75",
        "applications QUORVEL",
        "block GOST22032-76_M12x100",
        "block GOST22032-76_M12x120",
    };
    EXPECT_EQ(placed, expected);
}

TEST_F(OverDBus, Builds3DPartWithTheExactTexts)
{
    HostProcess host(hostArguments({"--headless", "--points", "0,0"}));
    draw(true, 112);
    EXPECT_TRUE(reporter.messages.empty());
    host.stop();
    EXPECT_EQ(sentCommands(readLines(dir.file("calls.log"))), workedExample3DCommands);
}

TEST_F(OverDBus, EditInPlaceIsWholeOrNothing)
{
    edit_outcomes::expectEachEditOutcome(objects, dir, startHost);
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
