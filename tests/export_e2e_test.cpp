// Studs drawn by the program over D-Bus into the headless host, saved by the host at exit as STEP
// and DXF, and read back by readers the host does not use: Open CASCADE's STEP reader and ezdxf.
#include "cad/dbus/dbus_running_objects.h"
#include "cad/quorvel_draw.h"
#include "call_log.h"
#include "free_bus.h"
#include "recording_reporter.h"
#include "step_contents.h"
#include "temp_dir.h"
#include "worked_stud.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <sys/resource.h>

namespace {

struct ExpectedFace {
    std::string name;
    double from; // along x
    double to;
};

void expectStud(const StepProduct& product, const std::string& name, double y, double L, double c,
                std::vector<ExpectedFace> faces)
{
    SCOPED_TRACE(name);
    EXPECT_EQ(product.name, name);
    EXPECT_EQ(product.solids, 1);
    EXPECT_TRUE(product.valid);
    EXPECT_NEAR(product.volume / studVolume(6, L, c), 1.0, 1e-9);
    EXPECT_NEAR(product.box.xmin, 0, 1e-6);
    EXPECT_NEAR(product.box.xmax, L, 1e-6);
    EXPECT_NEAR(product.box.ymin, y - 6, 1e-6);
    EXPECT_NEAR(product.box.ymax, y + 6, 1e-6);
    EXPECT_NEAR(product.box.zmin, -6, 1e-6);
    EXPECT_NEAR(product.box.zmax, 6, 1e-6);
    std::vector<StepNamedFace> read = product.faces;
    std::sort(read.begin(), read.end(), [](const StepNamedFace& a, const StepNamedFace& b) {
        return a.box.xmin < b.box.xmin;
    });
    ASSERT_EQ(read.size(), faces.size());
    for (std::size_t i = 0; i < faces.size(); ++i) {
        EXPECT_EQ(read[i].name, faces[i].name);
        EXPECT_NEAR(read[i].box.xmin, faces[i].from, 1e-6) << faces[i].name;
        EXPECT_NEAR(read[i].box.xmax, faces[i].to, 1e-6) << faces[i].name;
    }
}

class HostExport : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(assertBusFreeForHost()); }

    QStringList hostArguments(const QString& points) const
    {
        return {QStringLiteral("--headless"),
                QStringLiteral("--points"),
                points,
                QStringLiteral("--log"),
                QString::fromStdString(dir.file("calls.log")),
                QStringLiteral("--step"),
                QString::fromStdString(step),
                QStringLiteral("--dxf"),
                QString::fromStdString(dir.file("out.dxf"))};
    }

    void draw(bool is3D, const std::string& name, double L, double b, double b1, double c)
    {
        DBusRunningObjects objects;
        QuorvelDraw unit(objects, reporter, layers);
        unit.Start_ACAD(is3D, name, 12, L, b, b1, c);
    }

    // What ezdxf reads in the host's DXF, one item a line (tests/dxf_contents.py).
    void readDxf(Lines& read) const
    {
        QProcess reader;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PYTHONIOENCODING"), QStringLiteral("utf-8"));
        reader.setProcessEnvironment(environment);
        reader.start(QStringLiteral(EZDXF_PYTHON), {QStringLiteral(DXF_CONTENTS_SCRIPT),
                                                    QString::fromStdString(dir.file("out.dxf"))});
        ASSERT_TRUE(reader.waitForFinished(60000));
        ASSERT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
        const QString output = QString::fromUtf8(reader.readAllStandardOutput());
        for (const QString& line : output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            read.push_back(line.toStdString());
        }
    }

    TempDir dir;
    std::string step = dir.file("Шпилька.step");
    RecordingReporter reporter;
    LayerNames layers;
};

const std::string workedName = "Шпилька_M12x100_ГОСТ_22032-76";

} // namespace

TEST_F(HostExport, WorkedExampleReadsBackAsTheStud)
{
    HostProcess host(hostArguments(QStringLiteral("0,0")));
    draw(true, workedName, 112, 30, 12, 1.6);
    EXPECT_TRUE(reporter.messages.empty());
    EXPECT_EQ(host.stop(), 0);

    const auto contents = readStep(step);
    ASSERT_TRUE(contents) << "the STEP reader cannot read " << step;
    EXPECT_DOUBLE_EQ(contents->lengthUnitInMetres, 0.001);
    ASSERT_EQ(contents->products.size(), 1u);
    // The chamfers take the ends of the thread faces; each thread still ends 12 or 30 from its end.
    expectStud(contents->products[0], workedName, 0, 112, 1.6,
               {{"thread 1: 12 mm", 1.6, 12}, {"thread 2: 30 mm", 82, 110.4}});
}

TEST_F(HostExport, EveryPartOfASessionIsAProduct)
{
    HostProcess host(hostArguments(QStringLiteral("0,0;0,40")));
    const std::string fullThread = "Шпилька_M12x100_ГОСТ_22042-76";
    const std::string plainHole = "Шпилька_M12x100_ГОСТ_22043-76";
    draw(true, fullThread, 100, 50, 50, 1.6); // 2b = L: one thread over the whole length ("F")
    draw(true, plainHole, 100, 30, 30, 1.6);
    EXPECT_TRUE(reporter.messages.empty());
    EXPECT_EQ(host.stop(), 0);

    const auto contents = readStep(step);
    ASSERT_TRUE(contents);
    ASSERT_EQ(contents->products.size(), 2u);
    expectStud(contents->products[0], fullThread, 0, 100, 1.6, {{"thread 1: 100 mm", 1.6, 98.4}});
    expectStud(contents->products[1], plainHole, 40, 100, 1.6,
               {{"thread 1: 30 mm", 1.6, 30}, {"thread 2: 30 mm", 70, 98.4}});
}

TEST_F(HostExport, ARefusedChamferIsReportedAndThePartKeptAsItWas)
{
    HostProcess host(hostArguments(QStringLiteral("0,0")));
    draw(true, workedName, 112, 30, 12, 7); // a chamfer larger than the radius 6
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_EQ(reporter.messages[0].text, "Модуль   : Quorvel_Draw\r\nПроцедура: Draw_3D_Quorvel\r\n"
                                         "Ошибка   : Нет связи с MDT6! (EOleException)");
    EXPECT_EQ(host.stop(), 0);

    const Lines log = readLines(dir.file("calls.log"));
    EXPECT_NE(std::find(log.begin(), log.end(),
                        "Document\tSendCommand\t1\t_amchamfer\\rE\\r1.83697019872103E-16,3\\r"
                        "112,3\\r\\r7\\r\t!! org.quorvel.Automation.Exception: _amchamfer: the "
                        "chamfer 7 is not smaller than the radius 6"),
              log.end());
    const auto contents = readStep(step);
    ASSERT_TRUE(contents);
    ASSERT_EQ(contents->products.size(), 1u);
    expectStud(contents->products[0], workedName, 0, 112, 0,
               {{"thread 1: 12 mm", 0, 12}, {"thread 2: 30 mm", 82, 112}});
}

TEST_F(HostExport, AStepThatCannotBeWrittenEndsTheHostWithAFailure)
{
    step = dir.file("missing/out.step"); // the messages are checked in StepExport
    HostProcess host(hostArguments(QStringLiteral("0,0")));
    draw(true, workedName, 112, 30, 12, 1.6);
    EXPECT_EQ(host.stop(), 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
}

TEST_F(HostExport, AFileSizeLimitFailsTheSaveNotTheHost)
{
    const std::string old = "the old file\n";
    std::ofstream(step, std::ios::binary) << old;
    HostProcess host({QStringLiteral("--headless"), QStringLiteral("--points"),
                      QStringLiteral("0,0"), QStringLiteral("--step"),
                      QString::fromStdString(step)},
                     QLatin1String(HostProcess::defaultName), [] {
                         // ulimit -f 8 with the signal's default action, as a shell gives it.
                         const rlimit limit{8192, 8192};
                         ::setrlimit(RLIMIT_FSIZE, &limit);
                         std::signal(SIGXFSZ, SIG_DFL);
                     });
    draw(true, workedName, 112, 30, 12, 1.6);
    EXPECT_EQ(host.stop(), 1);
    EXPECT_EQ(host.process().exitStatus(), QProcess::NormalExit);
    std::ifstream in(step, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1); // no temporary file beside it
}

TEST_F(HostExport, DxfOfA2DRunReadsBackInAnIndependentReader)
{
    layers = {"Контур", "Тонкие линии", "Ось №1"}; // the settings file lets users name them
    HostProcess host(hostArguments(QStringLiteral("0,0")));
    draw(false, workedName, 100, 30, 12, 1.6);
    EXPECT_TRUE(reporter.messages.empty());
    host.stop();

    Lines read;
    ASSERT_NO_FATAL_FAILURE(readDxf(read));
    // Where the command texts put them: the chamfered outline, chamfer and thread-end lines on
    // the main layer, thread lines on the thin one, the axis with its overhang.
    const Lines expected = {
        "audit errors 0 fixes 0",
        "layer 0 7",
        "layer Контур 6",
        "layer Тонкие линии 2",
        "layer Ось №1 5",
        "polyline Контур closed 0.0,-4.4 1.6,-6.0 98.4,-6.0 100.0,-4.4 100.0,4.4 98.4,6.0 1.6,6.0 "
        "0.0,4.4",
        "line Контур 1.6,-6.0 1.6,6.0",
        "line Контур 98.4,6.0 98.4,-6.0",
        "line Тонкие линии 0.0,4.4 12.0,4.4",
        "line Тонкие линии 70.0,4.4 100.0,4.4",
        "line Тонкие линии 0.0,-4.4 12.0,-4.4",
        "line Тонкие линии 70.0,-4.4 100.0,-4.4",
        "line Контур 12.0,6.0 12.0,-6.0",
        "line Контур 70.0,6.0 70.0,-6.0",
        "line Ось №1 -1.6,0.0 101.6,0.0",
    };
    EXPECT_EQ(read, expected);
}

// The solid the object model revolves is a part like the part commands' one: a product in the
// STEP file with the stud's volume and box (no thread faces: none is modelled), and its side view
// on the main layer in the DXF, where neither its outline nor its region is left.
TEST_F(HostExport, ASolidThroughTheObjectModelIsSavedAsAProductAndItsSideView)
{
    layers = {"Контур", "Тонкие линии", "Ось №1"};
    HostProcess host(hostArguments(QStringLiteral("0,0")));
    DBusRunningObjects objects;
    QuorvelDraw unit(objects, reporter, layers);
    unit.setSolid3D(true);
    unit.Start_ACAD(true, workedName, 12, 112, 30, 12, 1.6);
    EXPECT_TRUE(reporter.messages.empty());
    EXPECT_EQ(host.stop(), 0);

    const auto contents = readStep(step);
    ASSERT_TRUE(contents) << "the STEP reader cannot read " << step;
    ASSERT_EQ(contents->products.size(), 1u);
    expectStud(contents->products[0], "Solid 3", 0, 112, 1.6, {});

    Lines read;
    ASSERT_NO_FATAL_FAILURE(readDxf(read));
    ASSERT_GE(read.size(), 4u);
    EXPECT_EQ(Lines(read.begin(), read.begin() + 3),
              (Lines{"audit errors 0 fixes 0", "layer 0 7", "layer Контур 6"}));
    for (auto line = read.begin() + 3; line != read.end(); ++line) {
        EXPECT_EQ(line->rfind("line Контур ", 0), 0u) << *line;
    }
    // The outline seen from the side: the long edges, chamfer edges and end faces.
    const std::pair<const char*, const char*> segments[] = {
        {"0.0,-4.4", "0.0,4.4"}, {"1.6,6.0", "110.4,6.0"}, {"112.0,-4.4", "112.0,4.4"}};
    for (const auto& [from, to] : segments) {
        const std::string forth = "line Контур " + std::string(from) + " " + to;
        const std::string back = "line Контур " + std::string(to) + " " + from;
        EXPECT_TRUE(std::find(read.begin(), read.end(), forth) != read.end() ||
                    std::find(read.begin(), read.end(), back) != read.end())
            << forth;
    }
}
