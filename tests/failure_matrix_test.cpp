// Start_ACAD over the bus with the host failing at each call in turn, with each kind of failure:
// the procedure that made the call reports it with its exact message, nothing but the restore
// steps (command dialogs and OSMODE back, zoom previous; the solid's entities deleted) follows the
// failing call, and the next run of the same program succeeds.
#include "cad/dbus/dbus_running_objects.h"
#include "cad/quorvel_draw.h"
#include "call_log.h"
#include "free_bus.h"
#include "recording_reporter.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct Failure {
    const char* option; // the kind given to --fail
    const char* error;  // what the host answers, as its call log shows it (after "!! ")
    const char* acad;   // the message text of Start_ACAD and Draw_2D_Quorvel
    const char* mdt;    // the message text of Draw_3D_Quorvel
};

const Failure failures[] = {
    {"exception", "org.quorvel.Automation.Exception: Injected host exception",
     "Нет связи с AutoCAD! (EOleException)", "Нет связи с MDT6! (EOleException)"},
    {"syserror", "org.quorvel.Automation.Failed: Injected failure",
     "Операция недоступна! (EOleSysError)", "Операция недоступна! (EOleSysError)"},
    {"unknown", "org.quorvel.Automation.UnknownName: Unknown name: ",
     "Незагружен AutoCAD! (EOleError)", "Незагружен MDT6! (EOleError)"},
};

struct MatrixCase {
    bool is3D;
    Failure failure;
    bool solid = false; // the 3D stud as a solid through the object model
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const MatrixCase& row, std::ostream* out)
{
    *out << (row.solid  ? "3D solid, "
             : row.is3D ? "3D part, "
                        : "2D drawing, ")
         << row.failure.option;
}

// The entities a solid run has made and not deleted by the end of the reference log's first
// `calls` lines, oldest first: what a failure at the next call leaves for the clear-up.
std::vector<std::string> madeBefore(const Lines& reference, std::size_t calls)
{
    std::vector<std::string> made;
    for (std::size_t i = 0; i < calls; ++i) {
        const std::string& line = reference[i];
        const std::size_t arrow = line.rfind("\t-> ");
        const std::string result = arrow == std::string::npos ? "" : line.substr(arrow + 4);
        if (line.rfind("ModelSpace\tAdd", 0) == 0) {
            // "/Entities/1", or "[/Entities/2]" for the regions
            std::string path = result.front() == '[' ? result.substr(1, result.size() - 2) : result;
            made.push_back(path.substr(1));
        } else if (line.find("\tDelete\t") != std::string::npos) {
            made.erase(std::find(made.begin(), made.end(), line.substr(0, line.find('\t'))));
        }
    }
    return made;
}

std::string message(const std::string& procedure, const std::string& text)
{
    return "Модуль   : Quorvel_Draw\r\nПроцедура: " + procedure + "\r\nОшибка   : " + text;
}

// "object\tmember\tkind\targs" of a call log line.
std::string callOf(const std::string& line)
{
    return line.substr(0, line.rfind("\t-> "));
}

class FailureMatrix : public ::testing::TestWithParam<MatrixCase> {
  protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(assertBusFreeForHost()); }

    QStringList hostArguments(const std::string& log, QStringList extra) const
    {
        return QStringList{"--headless",      "--points", "0,0",
                           "--repeat-points", "--log",    QString::fromStdString(dir.file(log))} +
               extra;
    }

    void draw(QuorvelDraw& unit) const
    {
        const bool is3D = GetParam().is3D;
        unit.setSolid3D(GetParam().solid);
        unit.Start_ACAD(is3D, "Шпилька_M12x100_ГОСТ_22032-76", 12, is3D ? 112 : 100, 30, 12, 1.6);
    }

    TempDir dir;
    LayerNames layers;
};

} // namespace

TEST_P(FailureMatrix, EachCallFailsInTurn)
{
    const MatrixCase& row = GetParam();
    Lines reference;
    {
        HostProcess host(hostArguments("reference.log", {}));
        DBusRunningObjects objects;
        RecordingReporter reporter;
        QuorvelDraw unit(objects, reporter, layers);
        draw(unit);
        ASSERT_TRUE(reporter.messages.empty());
        host.stop();
        reference = readLines(dir.file("reference.log"));
    }
    // The drawing procedure makes the calls between the zoom window and the restored OSMODE;
    // Start_ACAD makes the others and, after a failure inside the drawing, these two last ones.
    // Once OSMODE is off, a run that ends early makes one attempt to put it back.
    // Likewise the part, once it has switched command dialogs off.
    std::size_t snapsOff = 0, zoomWindow = 0, restore = 0;
    std::size_t dialogsOff = reference.size(), dialogsOn = 0;
    for (std::size_t i = 0; i < reference.size(); ++i) {
        if (reference[i].rfind("Document\tSendCommand\t1\tCMDDIA\\r0\\r\t", 0) == 0) {
            dialogsOff = i;
        }
        if (reference[i].rfind("Document\tSendCommand\t1\tCMDDIA\\r1\\r\t", 0) == 0) {
            dialogsOn = i;
        }
        if (reference[i] == "Document\tSetVariable\t1\tOSMODE|0\t-> <empty>") {
            snapsOff = i;
        }
        if (reference[i].rfind("Document\tSendCommand\t1\t_ZOOM\\r_W\\r", 0) == 0) {
            zoomWindow = i;
        }
        if (reference[i].rfind("Document\tSetVariable\t1\tOSMODE|", 0) == 0) {
            restore = i;
        }
    }
    ASSERT_EQ(restore + 2, reference.size());
    ASSERT_LT(snapsOff, zoomWindow);
    ASSERT_EQ(row.is3D && !row.solid, dialogsOff < dialogsOn);
    ASSERT_LT(zoomWindow + 5, restore);
    const std::string procedure = row.solid  ? "Draw_3D_Solid"
                                  : row.is3D ? "Draw_3D_Quorvel"
                                             : "Draw_2D_Quorvel";

    for (std::size_t failing = 0; failing < reference.size(); ++failing) {
        SCOPED_TRACE("failing call " + std::to_string(failing + 1) + ": " + reference[failing]);
        const std::string log = "run" + std::to_string(failing + 1) + ".log";
        HostProcess host(hostArguments(
            log, {"--fail", QStringLiteral("%1:%2").arg(failing + 1).arg(row.failure.option)}));
        DBusRunningObjects objects;
        RecordingReporter reporter;
        QuorvelDraw unit(objects, reporter, layers);
        draw(unit);

        const bool inDrawing = failing > zoomWindow && failing < restore;
        std::string error = row.failure.error;
        if (error.back() == ' ') { // an unknown name names the member
            error += callOf(reference[failing]).substr(reference[failing].find('\t') + 1);
            error = error.substr(0, error.find('\t'));
        }
        // A helper of the finished solid that the host does not delete leaves the solid as it
        // is: the run goes on, unreported.
        if (row.solid && reference[failing].find("\tDelete\t") != std::string::npos) {
            EXPECT_TRUE(reporter.messages.empty());
            Lines expected = reference;
            expected[failing] = callOf(reference[failing]) + "\t!! " + error;
            EXPECT_EQ(readLines(dir.file(log)), expected);
            continue;
        }
        const std::string text =
            inDrawing && row.is3D && !row.solid ? row.failure.mdt : row.failure.acad;
        ASSERT_EQ(reporter.messages.size(), 1u);
        EXPECT_EQ(reporter.messages[0].text, message(inDrawing ? procedure : "Start_ACAD", text));

        Lines expected(reference.begin(), reference.begin() + static_cast<long>(failing));
        expected.push_back(callOf(reference[failing]) + "\t!! " + error);
        if (failing > dialogsOff && failing <= dialogsOn) {
            expected.push_back(reference[dialogsOn]);
        }
        // What the solid run made is deleted again, newest first: nothing is left behind.
        if (row.solid && inDrawing) {
            const std::vector<std::string> made = madeBefore(reference, failing);
            for (auto object = made.rbegin(); object != made.rend(); ++object) {
                expected.push_back(*object + "\tDelete\t1\t\t-> <empty>");
            }
        }
        if (inDrawing) {
            expected.push_back(reference[restore]);
            expected.push_back(reference[restore + 1]);
        } else if (failing > snapsOff && failing <= restore) {
            expected.push_back(reference[restore]);
        }
        EXPECT_EQ(readLines(dir.file(log)), expected);

        // The same program draws again at once, and the host takes it.
        reporter.messages.clear();
        draw(unit);
        EXPECT_TRUE(reporter.messages.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    OverDBus, FailureMatrix,
    ::testing::Values(MatrixCase{false, failures[0]}, MatrixCase{false, failures[1]},
                      MatrixCase{false, failures[2]}, MatrixCase{true, failures[0]},
                      MatrixCase{true, failures[1]}, MatrixCase{true, failures[2]},
                      MatrixCase{true, failures[0], true}, MatrixCase{true, failures[1], true},
                      MatrixCase{true, failures[2], true}),
    [](const ::testing::TestParamInfo<MatrixCase>& info) {
        return std::string(info.param.solid  ? "Solid3D_"
                           : info.param.is3D ? "Part3D_"
                                             : "Drawing2D_") +
               info.param.failure.option;
    });
