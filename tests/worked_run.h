#pragma once
// A run of Start_ACAD with the worked stud against a stand-in host in another process, whatever
// the transport (Objects: its running-object look-up): a folder for the host's files, the message
// boxes shown and the layer names; and the cases every transport runs alike.

#include "cad/quorvel_draw.h"
#include "call_log.h"
#include "host_contents.h"
#include "model/cp1251.h"
#include "recording_reporter.h"
#include "temp_dir.h"
#include "ui/settings_file.h"
#include "worked_examples.h"
#include "worked_stud_block.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

// A failure the host is told to make (its arguments beside --points 0,0) and the message it gives.
struct FailureRow {
    const char* label;
    Lines arguments;
    std::string text;
};

inline const std::vector<FailureRow> failureRows = {
    {"member the host lacks",
     {"--fail", "1:unknown"},
     startText + "Незагружен AutoCAD! (EOleError)"},
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

    // The object model's ways one after another in one drawing, as a designer runs them: the
    // solid (at the first scripted point), the stud as a block twice (one definition), the solid
    // as a block, the first block picked with «Изменить…» (GetEntity's and GetXData's out
    // parameters) and replaced by a longer stud at its point. Then what the host holds, read
    // back through its own objects and its call log: the blocks, the references with their
    // attributes and extended data, the solids' volume, and nothing of the way. extra: the host's
    // arguments beside its points; erasesCurves: the host erases the curves of a region (DELOBJ).
    template <class StartHost>
    void expectTheObjectModelWays(StartHost startHost, const Lines& extra, bool erasesCurves)
    {
        Lines arguments{"--points", "0,-100;0,0;0,50;0,100;0,0"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        const auto host = startHost(arguments, defaultClass, dir.file("calls.log"));
        const OleObject document =
            objects.getActiveObject(defaultClass).get("ActiveDocument").toObject();
        document.call("SetVariable", {"DELOBJ", std::int32_t{erasesCurves ? 1 : 0}});

        QuorvelDraw unit(objects, reporter, layers);
        unit.setSolid3D(true);
        unit.Start_ACAD(true, "Шпилька_M12x100_ГОСТ_22032-76", 12, 112, 30, 12, 1.6);
        const StudBlock flat = studBlock(workedStud(), StudFamily::ScrewIn);
        placeStudBlock(unit, flat);
        placeStudBlock(unit, flat);
        placeStudBlock(unit, studBlock(workedStud(100, true), StudFamily::ScrewIn));
        ASSERT_EQ(unit.Edit_Stud(), EditOutcome::Picked) << messageText();
        EXPECT_EQ(unit.edited().L, 100);
        EXPECT_FALSE(unit.edited().solid);
        placeStudBlock(unit, studBlock(workedStud(120), StudFamily::ScrewIn));
        ASSERT_TRUE(reporter.messages.empty()) << messageText();

        const Lines log = readLines(dir.file("calls.log"));
        EXPECT_EQ(sentCommands(log).size(), 10u); // the zooms only: two per run
        const OleObject blocks = document.get("Blocks").toObject();
        ASSERT_EQ(blocks.get("Count").toInt32(), 3); // the two side views share one
        Lines names;
        for (std::int32_t i = 0; i < 3; ++i) {
            names.push_back(blocks.call("Item", {i}).toObject().get("Name").toString());
        }
        EXPECT_EQ(names, (Lines{"GOST22032-76_M12x100", "GOST22032-76_M12x100_3D",
                                "GOST22032-76_M12x120"}));

        const Lines inserts = resultsOf(log, "ModelSpace\tInsertBlock\t");
        ASSERT_EQ(inserts.size(), 4u);
        EXPECT_FALSE(entityExists(document, inserts[0])); // replaced
        const OleObject second = entityAt(document, inserts[1]);
        EXPECT_EQ(second.get("InsertionPoint").toPoint(), (Point{0, 50, 0}));
        expectWorkedStudData(studDataOf(second), 100, false);
        expectWorkedStudData(studDataOf(entityAt(document, inserts[2])), 100, true);
        const OleObject replacing = entityAt(document, inserts[3]);
        EXPECT_EQ(replacing.get("InsertionPoint").toPoint(), (Point{0, 0, 0}));
        EXPECT_EQ(attributesOf(replacing),
                  (std::map<std::string, std::string>{{"MASS", "0,110"},
                                                      {"NAME", "Шпилька М12×120 ГОСТ 22032-76"},
                                                      {"POS", ""},
                                                      {"QTY", "1"},
                                                      {"SECTION", "Стандартные изделия"},
                                                      {"STANDARD", "ГОСТ 22032-76"}}));
        expectWorkedStudData(studDataOf(replacing), 120, false);

        // The loose solid and the block's copy have the stud's volume (r 6, L 112, c 1.6); of
        // the way (outlines, regions, the block's solid made in model space) nothing is left.
        const double r = 6, L = 112, c = 1.6, pi = 3.141592653589793;
        const double volume = pi * r * r * L - 2 * pi * c * c * (r - c / 3);
        const Lines solids = resultsOf(log, "ModelSpace\tAddRevolvedSolid\t");
        ASSERT_EQ(solids.size(), 2u);
        EXPECT_NEAR(entityAt(document, solids[0]).get("Volume").toDouble() / volume, 1.0, 1e-12);
        EXPECT_FALSE(entityExists(document, solids[1]));
        const Lines copies = resultsOf(log, "Document\tCopyObjects\t");
        ASSERT_EQ(copies.size(), 1u);
        EXPECT_NEAR(entityAt(document, copies[0]).get("Volume").toDouble() / volume, 1.0, 1e-12);
        for (const char* call :
             {"ModelSpace\tAddLightWeightPolyline\t", "ModelSpace\tAddRegion\t"}) {
            for (const std::string& made : resultsOf(log, call)) {
                EXPECT_FALSE(entityExists(document, made)) << made;
            }
        }
        host->stop();
    }

    static constexpr const char* defaultClass = "AutoCAD.Application";

    Objects objects;
    TempDir dir;
    RecordingReporter reporter;
    LayerNames layers;
};
