// The stud drawn into FreeCAD (scripts/freecad-host.sh, headless freecadcmd) in every mode the
// program has, next to the same runs into the stand-in host: one object model serves both, so the
// calls and their answers are the same, and so are the DXF (read by ezdxf) and the STEP (read by
// gmsh). The FreeCAD document saved at exit is reopened in freecadcmd: layers with their colour
// indices and members, wires, solids with the stand-in's volumes, block definitions and
// references with their attribute values and extended data, and nothing of a failed run. The
// parts list is collected from the studs placed into FreeCAD and drawn there as a table.
#include "cad/dbus/dbus_running_objects.h"
#include "cad/parts_list_csv.h"
#include "cad/quorvel_draw.h"
#include "cad/stud_collection.h"
#include "call_log.h"
#include "free_bus.h"
#include "host_process.h"
#include "parts_list_drawing.h"
#include "recording_reporter.h"
#include "step_gmsh.h"
#include "temp_dir.h"

#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <tuple>

namespace {

const std::string failedSolid = "Модуль   : Quorvel_Draw\r\nПроцедура: Draw_3D_Solid\r\nОшибка   "
                                ": Нет связи с AutoCAD! (EOleException)";

// What freecad_contents.py lists of the saved document after drawEveryMode(): the layers with
// what each holds (the references and the part commands' part on "0", the loose stud's outline,
// chamfer and thread-end lines and the solid on the main layer "2"), the block definitions (the
// replaced stud's kept, as a CAD program keeps it) with their entities on their own layers, the
// loose stud, the part, the solid, and the two references left after the edit; nothing of the
// failed last run.
Lines expectedDocument()
{
    const auto wires = [](const std::string& where) {
        Lines lines{"wire " + where + "2 closed 8 points"};
        for (const char* layer : {"2", "2", "1", "1", "1", "1", "2", "2", "7"}) {
            lines.push_back("wire " + where + layer + " open 2 points");
        }
        return lines;
    };
    const auto reference = [](const std::string& block, const std::string& mass,
                              const std::string& length, const char* solid) {
        return Lines{"reference 0 " + block + " at 10,20,0 of " + block,
                     "  attribute MASS=" + mass,
                     "  attribute NAME=Шпилька М12×" + length + " ГОСТ 22032-76",
                     "  attribute POS=",
                     "  attribute QTY=1",
                     "  attribute SECTION=Стандартные изделия",
                     "  attribute STANDARD=ГОСТ 22032-76",
                     "  xdata 1001=QUORVEL 1000=22032-76 1070=0 1070=" + std::string(solid) +
                         " 1040=12.0 1040=" + length + ".0 1040=30.0 1040=12.0 1040=1.6 1040=1.75"};
    };
    Lines lines = {"layer 0 color 7 holds 3",
                   "layer 2 color 6 holds 6",
                   "layer 1 color 2 holds 4",
                   "layer 7 color 5 holds 1",
                   "block GOST22032-76_M12x100_3D hidden True holds 1",
                   "block GOST22032-76_M12x100 hidden True holds 10",
                   "block GOST22032-76_M12x120 hidden True holds 10",
                   "solid Solid 8 volume 12579 block GOST22032-76_M12x100_3D 2"};
    for (const Lines& more :
         {wires("block GOST22032-76_M12x100 "), wires("block GOST22032-76_M12x120 "), wires(""),
          Lines{"solid Шпилька_M12x100_ГОСТ_22032-76 volume 12579 0",
                "solid Solid 3 volume 12579 2"},
          reference("GOST22032-76_M12x100_3D", "0,0927", "100", "1"),
          reference("GOST22032-76_M12x120", "0,110", "120", "0")}) {
        lines.insert(lines.end(), more.begin(), more.end());
    }
    return lines;
}

class IntoFreecad : public ::testing::Test {
  protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("freecadcmd")).isEmpty()) {
            GTEST_SKIP() << "FreeCAD is not installed";
        }
        ASSERT_NO_FATAL_FAILURE(assertBusFreeForHost());
        // FreeCAD keeps its settings in the home folder: the user's stay untouched.
        qputenv("HOME", QByteArray::fromStdString(dir.file("home")));
        qputenv("QUORVEL_MODULE_DIR", FREECAD_MODULE_DIR);
        qputenv("QUORVEL_SETTINGS", ""); // the default class name, whatever a build's file says
    }

    // A host of program with the scripted point (10, 20) for every pick and the call log, and
    // more arguments.
    std::unique_ptr<HostProcess> start(const char* program, const std::string& log,
                                       QStringList more)
    {
        qputenv("QUORVEL_CADHOST", program);
        auto host = std::make_unique<HostProcess>(
            QStringList{"--headless", "--points", "10,20", "--repeat-points", "--log",
                        QString::fromStdString(dir.file(log))} +
            more);
        qunsetenv("QUORVEL_CADHOST");
        EXPECT_TRUE(HostProcess::owned()) << program << " does not serve";
        return host;
    }

    // Every mode, each a run picking (10, 20): the 2D side view, the part commands' 3D part, the
    // object model's solid, the solid as a block, the 2D view as a block, its edit (picked at the
    // same point, replaced by a longer stud), and a solid once more (whose revolution the host is
    // told to refuse when the runs are drawn with a failure).
    std::vector<std::string> drawEveryMode()
    {
        DBusRunningObjects objects;
        RecordingReporter reporter;
        const LayerNames layers;
        QuorvelDraw unit(objects, reporter, layers);
        const std::string part = "Шпилька_M12x100_ГОСТ_22032-76";
        unit.Start_ACAD(false, part, 12, 100, 30, 12, 1.6);
        unit.Start_ACAD(true, part, 12, 112, 30, 12, 1.6);
        unit.setSolid3D(true);
        unit.Start_ACAD(true, part, 12, 112, 30, 12, 1.6);
        StoredStud stud;
        stud.standard = "22032-76";
        stud.d = 12;
        stud.L = 100;
        stud.b = 30;
        stud.b1 = 12;
        stud.c = 1.6;
        stud.P = 1.75;
        stud.solid = true;
        const StudBlock solidBlock = studBlock(stud, StudFamily::ScrewIn);
        unit.Start_ACAD(true, part, 12, 112, 30, 12, 1.6, &solidBlock);
        unit.setSolid3D(false);
        stud.solid = false;
        const StudBlock flat = studBlock(stud, StudFamily::ScrewIn);
        unit.Start_ACAD(false, part, 12, 112, 30, 12, 1.6, &flat);
        EXPECT_EQ(unit.Edit_Stud(), EditOutcome::Picked);
        stud.L = 120;
        const StudBlock longer = studBlock(stud, StudFamily::ScrewIn);
        unit.Start_ACAD(false, part, 12, 132, 30, 12, 1.6, &longer);
        unit.setSolid3D(true);
        unit.Start_ACAD(true, part, 12, 112, 30, 12, 1.6);
        std::vector<std::string> texts;
        for (const Message& message : reporter.messages) {
            texts.push_back(message.text);
        }
        return texts;
    }

    // What a reader run by the system's Python prints of file.
    static Lines readBack(const char* script, const std::string& file)
    {
        QProcess reader;
        reader.start(QStringLiteral(EZDXF_PYTHON),
                     {QLatin1String(script), QString::fromStdString(file)});
        EXPECT_TRUE(reader.waitForFinished(120000));
        Lines lines;
        for (const QString& line :
             QString::fromUtf8(reader.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
            lines.push_back(line.toStdString());
        }
        return lines;
    }

    // The saved FreeCAD document as freecad_contents.py lists it after reopening it.
    Lines reopened(const std::string& document)
    {
        const std::string listing = dir.file("document.txt");
        QProcess freecad;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QUORVEL_CONTENTS"),
                           QString::fromStdString(document + ":" + listing));
        freecad.setProcessEnvironment(environment);
        freecad.start(QStringLiteral("freecadcmd"), {QStringLiteral(FREECAD_CONTENTS_SCRIPT)});
        EXPECT_TRUE(freecad.waitForFinished(120000));
        EXPECT_EQ(freecad.exitCode(), 0) << freecad.readAllStandardError().toStdString();
        return readLines(listing);
    }

    TempDir dir;
};

} // namespace

TEST_F(IntoFreecad, EveryModeDrawsAsIntoTheStandInAndItsFilesReadBack)
{
    // The stand-in's calls give the number of the last revolution's call.
    {
        const auto host = start(CADHOST_PATH, "dry.log", {});
        ASSERT_EQ(drawEveryMode(), std::vector<std::string>{});
    }
    const Lines dry = readLines(dir.file("dry.log"));
    const auto last = std::find_if(dry.rbegin(), dry.rend(), [](const std::string& line) {
        return line.rfind("ModelSpace\tAddRevolvedSolid\t", 0) == 0;
    });
    ASSERT_NE(last, dry.rend());
    const QString failing = QStringLiteral("%1:exception").arg(dry.rend() - last);

    std::vector<std::string> messages[2];
    {
        const auto host =
            start(CADHOST_PATH, "stand-in.log",
                  {"--fail", failing, "--dxf", QString::fromStdString(dir.file("s.dxf")), "--step",
                   QString::fromStdString(dir.file("s.step"))});
        messages[0] = drawEveryMode();
    }
    {
        const auto host =
            start(FREECAD_HOST_SCRIPT, "freecad.log",
                  {"--fail", failing, "--save", QString::fromStdString(dir.file("f.FCStd"))});
        messages[1] = drawEveryMode();
        EXPECT_EQ(host->stop(), 0);
    }
    EXPECT_EQ(messages[0], std::vector<std::string>{failedSolid});
    EXPECT_EQ(messages[1], messages[0]);
    EXPECT_EQ(readLines(dir.file("freecad.log")), readLines(dir.file("stand-in.log")));

    const Lines dxf = readBack(DXF_CONTENTS_SCRIPT, dir.file("f.dxf"));
    ASSERT_FALSE(dxf.empty());
    EXPECT_EQ(dxf[0], "audit errors 0 fixes 0");
    EXPECT_EQ(dxf, readBack(DXF_CONTENTS_SCRIPT, dir.file("s.dxf")));

    const auto step = readWithGmsh({dir.file("f.step"), dir.file("s.step")});
    ASSERT_EQ(step.size(), 2u);
    ASSERT_TRUE(step[0] && step[1]);
    ASSERT_EQ(step[0]->size(), 3u); // the part, the solid, the block's solid at its insert
    std::vector<double> volumes;
    for (std::size_t i = 0; i < step[0]->size(); ++i) {
        EXPECT_EQ((*step[0])[i].name, (*step[1])[i].name);
        EXPECT_DOUBLE_EQ((*step[0])[i].volume, (*step[1])[i].volume);
        volumes.push_back((*step[1])[i].volume);
    }

    // The document as FreeCAD reopens it; its solids' volumes are the stand-in's.
    const Lines document = reopened(dir.file("f.FCStd"));
    EXPECT_EQ(document, expectedDocument());
    std::vector<double> solids;
    for (const std::string& line : document) {
        if (line.rfind("solid ", 0) == 0) {
            solids.push_back(std::stod(line.substr(line.find(" volume ") + 8)));
        }
    }
    ASSERT_EQ(solids.size(), volumes.size());
    for (std::size_t i = 0; i < solids.size(); ++i) {
        EXPECT_NEAR(solids[i], volumes[i], 1e-5 * volumes[i]) << i;
    }
}

// «Спецификация…» against FreeCAD: the studs placed into the document are found both ways, the
// unsaved document is named as an unsaved drawing, and the table's texts are shown on the main
// layer at their points, heights and rotations, in the reopened document as in the DXF.
TEST_F(IntoFreecad, PartsListIsCollectedAndDrawnAsATable)
{
    {
        const auto host = start(FREECAD_HOST_SCRIPT, "spec.log",
                                {"--save", QString::fromStdString(dir.file("f.FCStd"))});
        DBusRunningObjects objects;
        RecordingReporter reporter;
        const LayerNames layers;
        QuorvelDraw unit(objects, reporter, layers);
        ASSERT_NO_THROW(makePartsListDrawing(unit));
        const std::optional<SpecSource> source = unit.Spec_Quorvel();
        ASSERT_TRUE(source.has_value());
        EXPECT_EQ(source->drawingName, "Drawing1.dwg");
        EXPECT_EQ(source->folder, "");
        EXPECT_EQ(partsListCsv(partsList(source->studs)), listedCsv);
        const auto walked = collectStuds(unit.session().AcadDoc, CollectionWay::Walk);
        EXPECT_EQ(partsListCsv(partsList(walked)), listedCsv);
        EXPECT_TRUE(unit.Draw_Spec_Quorvel(partsList(source->studs)));
        EXPECT_TRUE(reporter.messages.empty());
        EXPECT_EQ(host->stop(), 0);
    }
    // The texts of a listing, sorted; × is beyond the DXF's code page and written as \U+00D7.
    const auto texts = [](const Lines& lines) {
        Lines found;
        for (const std::string& line : lines) {
            if (line.rfind("text ", 0) == 0) {
                found.push_back(QString::fromStdString(line)
                                    .replace(QStringLiteral("\\U+00D7"), QStringLiteral("×"))
                                    .toStdString());
            }
        }
        std::sort(found.begin(), found.end());
        return found;
    };
    const Lines inDxf = texts(readBack(DXF_CONTENTS_SCRIPT, dir.file("f.dxf")));
    const auto tableTexts = std::count_if(inDxf.begin(), inDxf.end(), [](const std::string& t) {
        return t.rfind("text 2 ", 0) == 0 && t.find(" 3.5 ") != std::string::npos;
    });
    // The header's seven names, the section, five names in two rows each, five quantities, the
    // one position.
    EXPECT_EQ(tableTexts, 7 + 1 + 5 * 2 + 5 + 1);
    // The header's first name, written upwards at the table's corner (10, 20).
    EXPECT_NE(std::find(inDxf.begin(), inDxf.end(), "text 2 14.75,5.15 3.5 90.0 Формат"),
              inDxf.end());
    EXPECT_EQ(texts(reopened(dir.file("f.FCStd"))), inDxf);
}

// A FreeCAD document is the drawing: saved with placed studs, a loose stud and the parts list's
// table, and opened by a new FreeCAD host, it gives the same parts list under the same handles,
// an edit replaces the picked stud in place, and a stud of a size already placed takes its
// block definition; the result reopened holds each definition once and nothing twice.
TEST_F(IntoFreecad, ASavedDocumentIsTheDrawingInTheNextSession)
{
    // Model space as "ObjectName handle" lines, sorted; the parts list's lines with quantities.
    const auto entities = [](const OleObject& document) {
        const OleObject modelSpace = document.get("ModelSpace").toObject();
        Lines lines;
        for (std::int32_t i = 0, count = modelSpace.get("Count").toInt32(); i < count; ++i) {
            const OleObject entity = modelSpace.call("Item", {i}).toObject();
            lines.push_back(entity.get("ObjectName").toString() + " " +
                            entity.get("Handle").toString());
        }
        std::sort(lines.begin(), lines.end());
        return lines;
    };
    const auto listed = [](const std::vector<PlacedStud>& studs) {
        Lines lines;
        for (const PartsListLine& line : partsList(studs).lines) {
            lines.push_back(line.name + " x" + std::to_string(line.quantity));
        }
        return lines;
    };
    const auto kinds = [](const Lines& document, const std::string& kind) {
        Lines found;
        std::copy_if(document.begin(), document.end(), std::back_inserter(found),
                     [&kind](const std::string& line) { return line.rfind(kind, 0) == 0; });
        return found;
    };
    const QString first = QString::fromStdString(dir.file("first.FCStd"));
    const QString second = QString::fromStdString(dir.file("second.FCStd"));
    Lines before;
    {
        const auto host = start(FREECAD_HOST_SCRIPT, "first.log", {"--save", first});
        DBusRunningObjects objects;
        RecordingReporter reporter;
        const LayerNames layers;
        QuorvelDraw unit(objects, reporter, layers);
        ASSERT_NO_THROW(makePartsListDrawing(unit));
        EXPECT_TRUE(unit.Draw_Spec_Quorvel(partsList(unit.Spec_Quorvel()->studs)));
        before = entities(unit.session().AcadDoc);
        EXPECT_EQ(host->stop(), 0);
    }
    {
        const auto host = start(FREECAD_HOST_SCRIPT, "second.log",
                                {"--open", first, "--save", second});
        DBusRunningObjects objects;
        RecordingReporter reporter;
        const LayerNames layers;
        QuorvelDraw unit(objects, reporter, layers);
        const std::optional<SpecSource> source = unit.Spec_Quorvel();
        ASSERT_TRUE(source.has_value());
        EXPECT_EQ(source->drawingName, "first.FCStd");
        EXPECT_EQ(partsListCsv(partsList(source->studs)), listedCsv);
        const OleObject document = unit.session().AcadDoc;
        EXPECT_EQ(entities(document), before);

        // The stud on top at the picked point, the М8×40 ГОСТ 22032-76 placed last, becomes an
        // М12×100, a size placed before; then one more М10×50 ГОСТ 22042-76.
        ASSERT_EQ(unit.Edit_Stud(), EditOutcome::Picked);
        EXPECT_EQ(unit.edited().L, 40);
        for (const ListedStud& s : {listedStuds()[0], listedStuds()[3]}) {
            StoredStud stored;
            stored.standard = s.standard;
            std::tie(stored.d, stored.P, stored.L, stored.b, stored.b1, stored.c) =
                std::tie(s.d, s.P, s.L, s.b, s.b1, s.c);
            const StudBlock block = studBlock(stored, s.family);
            const double overall = s.family == StudFamily::ScrewIn ? s.L + s.b1 : s.L;
            unit.Start_ACAD(false, "unused", s.d, overall, s.b, s.b1, s.c, &block);
        }
        EXPECT_EQ(listed(unit.Spec_Quorvel()->studs),
                  (Lines{"Шпилька М10×50 ГОСТ 22032-76 x1", "Шпилька М12×100 ГОСТ 22032-76 x3",
                         "Шпилька М8×40 ГОСТ 22040-76 x2", "Шпилька М10×50 ГОСТ 22042-76 x5"}));
        EXPECT_EQ(document.get("Blocks").toObject().get("Count").toInt32(), 6);
        EXPECT_TRUE(reporter.messages.empty());
        EXPECT_EQ(host->stop(), 0);
    }
    // The definitions, the loose stud's wires and the table's texts once each, as saved first;
    // the references one more, on the definitions they were placed from.
    const Lines saved = reopened(first.toStdString());
    const Lines result = reopened(second.toStdString());
    EXPECT_EQ(kinds(result, "invalid"), Lines{});
    for (const char* kind : {"block ", "wire ", "text "}) {
        EXPECT_EQ(kinds(result, kind), kinds(saved, kind)) << kind;
    }
    Lines references = kinds(result, "reference ");
    EXPECT_EQ(references.size(), kinds(saved, "reference ").size() + 1);
    for (const std::string& reference : references) {
        std::istringstream words(reference);
        std::string word, layer, block;
        words >> word >> layer >> block;
        EXPECT_EQ(reference.substr(reference.rfind(" of ") + 4), block) << reference;
    }
}
