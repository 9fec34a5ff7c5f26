#pragma once
// A run of Start_ACAD with the worked stud against a stand-in host in another process, whatever
// the transport (Objects: its running-object look-up): a folder for the host's files, the message
// boxes shown and the layer names; and the cases every transport runs alike.

#include "cad/quorvel_draw.h"
#include "call_log.h"
#include "model/cp1251.h"
#include "recording_reporter.h"
#include "temp_dir.h"
#include "ui/settings_file.h"
#include "worked_examples.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// A failure the host is told to make (its arguments beside --points 0,0) and the message it gives.
struct FailureRow {
    const char* label;
    Lines arguments;
    std::string text;
};

inline const std::vector<FailureRow> failureRows = {
    {"member the host lacks", {"--fail", "1:unknown"}, startText + "Незагружен AutoCAD! (EOleError)"},
    {"host's own exception",
     {"--fail", "2:exception"},
     startText + "Нет связи с AutoCAD! (EOleException)"},
    {"other failure", {"--fail", "3:syserror"}, startText + "Операция недоступна! (EOleSysError)"},
};

// The shared cases take startHost(arguments, className, logFile): it starts the transport's host
// (arguments in UTF-8) serving className with its call log in logFile, and gives it as a pointer
// to a process with stop().
template <class Objects> class WorkedRun {
  public:
    void draw(bool is3D, double L, const std::string& hostClass = {})
    {
        QuorvelDraw unit(objects, reporter, layers);
        if (!hostClass.empty()) {
            unit.setHostClass(hostClass);
        }
        unit.Start_ACAD(is3D, "Шпилька_M12x100_ГОСТ_22032-76", 12, L, 30, 12, 1.6);
    }

    // The one message shown, or a text that says there was not exactly one.
    std::string messageText() const
    {
        return reporter.messages.size() == 1 ? reporter.messages[0].text : "<not one message>";
    }

    template <class StartHost>
    void expectEachFailureGivesItsMessage(const std::vector<FailureRow>& rows, StartHost startHost)
    {
        for (const FailureRow& row : rows) {
            SCOPED_TRACE(row.label);
            reporter.messages.clear();
            Lines arguments{"--points", "0,0"};
            arguments.insert(arguments.end(), row.arguments.begin(), row.arguments.end());
            const auto host = startHost(arguments, defaultClass, dir.file("calls.log"));
            draw(false, 100);
            EXPECT_EQ(messageText(), row.text);
        }
    }

    // No scripted point: the pick is refused, and OSMODE is set back all the same.
    template <class StartHost> void expectCancelledPickRestoresOsmode(StartHost startHost)
    {
        const auto host = startHost(Lines{}, defaultClass, dir.file("calls.log"));
        draw(false, 100);
        EXPECT_EQ(messageText(), startText + "Нет связи с AutoCAD! (EOleException)");
        host->stop();
        const Lines log = readLines(dir.file("calls.log"));
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.back(), "Document\tSetVariable\t1\tOSMODE|4133\t-> <empty>");
    }

    // A CAD program that offers the same interface under a class name of its own: the settings
    // file's key makes the program draw there; without it the program looks for
    // AutoCAD.Application and finds nothing, the other host getting not one call.
    template <class StartHost> void expectTheSettingsFileNamesTheHostToDrawIn(StartHost startHost)
    {
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
            const auto host =
                startHost(Lines{"--points", "0,0"}, "OtherCad.Application", run.file("calls.log"));
            draw(false, 100, readSettings(ini).cadApplication);
            host->stop();
            if (row.draws) {
                EXPECT_TRUE(reporter.messages.empty()) << messageText();
                EXPECT_EQ(readLines(run.file("calls.log")), workedExample2DCalls);
            } else {
                EXPECT_EQ(messageText(), startText + "Операция недоступна! (EOleSysError)");
                EXPECT_EQ(readLines(run.file("calls.log")), Lines{});
            }
        }
    }

    static constexpr const char* defaultClass = "AutoCAD.Application";

    Objects objects;
    TempDir dir;
    RecordingReporter reporter;
    LayerNames layers;
};
