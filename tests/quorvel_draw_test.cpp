#include "draw_rig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using Texts = std::vector<std::string>;

namespace {

const std::string osmodeBack = "Document.SetVariable(OSMODE, 39)";
const std::string zoomBack = "Document.SendCommand(_ZOOM\r_P\r)";

// d = 12, L = 100, b = 30, b1 = 12, c = 1.6 at (0, 0, 0) on a drawing with only layer "0".
const Texts partial2D = {
    "ROT.GetActiveObject(AutoCAD.Application)",
    "Application.ActiveDocument:get()",
    "Application.Visible:put(true)",
    "Document.GetVariable(OSMODE)",
    "Document.SetVariable(OSMODE, 0)",
    "Document.Utility:get()",
    "Utility.GetPoint(<empty>, Insert point: )",
    "Document.SendCommand(_ZOOM\r_W\r-12,-12\r112,12\r)",
    "Document.Layers:get()",
    "Document.ActiveLayer:get()",
    "Layers.Count:get()",
    "Layers.Add(2)",
    "Layer:2.color:put(6)",
    "Document.ActiveLayer:put(Layer:2)",
    "Document.SendCommand(_PLINE\r0,-6\r100,-6\r100,6\r0,6\rCL\r)",
    "Document.SendCommand(_CHAMFER\rD\r1.6\r1.6\rP\rLAST\r)",
    "Document.SendCommand(_LINE\r1.6,-6\r1.6,6\r\r)",
    "Document.SendCommand(_LINE\r98.4,6\r98.4,-6\r\r)",
    "Layers.Count:get()",
    "Layers.Item(1)",
    "Layer:2.name:get()",
    "Layers.Add(1)",
    "Layer:1.color:put(2)",
    "Document.ActiveLayer:put(Layer:1)",
    "Document.SendCommand(_LINE\r0,4.4\r12,4.4\r\r)",
    "Document.SendCommand(_LINE\r70,4.4\r100,4.4\r\r)",
    "Document.SendCommand(_LINE\r0,-4.4\r12,-4.4\r\r)",
    "Document.SendCommand(_LINE\r70,-4.4\r100,-4.4\r\r)",
    "Document.ActiveLayer:put(Layer:2)",
    "Document.SendCommand(_LINE\r12,6\r12,-6\r\r)",
    "Document.SendCommand(_LINE\r70,6\r70,-6\r\r)",
    "Layers.Count:get()",
    "Layers.Item(1)",
    "Layer:2.name:get()",
    "Layers.Item(2)",
    "Layer:1.name:get()",
    "Layers.Add(7)",
    "Layer:7.color:put(5)",
    "Document.ActiveLayer:put(Layer:7)",
    "Document.SendCommand(_LINE\r-1.6,0\r101.6,0\r\r)",
    "Document.ActiveLayer:put(Layer:0)",
    osmodeBack,
    zoomBack,
};

// d = 12, L = 112, b = 30, b1 = 12, c = 1.6 at (0, 0, 0).
const Texts twoThreads3D = {
    "ROT.GetActiveObject(AutoCAD.Application)",
    "Application.ActiveDocument:get()",
    "Application.Visible:put(true)",
    "Document.GetVariable(OSMODE)",
    "Document.SetVariable(OSMODE, 0)",
    "Document.SendCommand(AMDT_SKETCH_VIEW\r)",
    "Document.Utility:get()",
    "Utility.GetPoint(<empty>, Insert point: )",
    "Document.SendCommand(_ZOOM\r_W\r-12,-12\r124,12\r)",
    "Document.Utility:get()",
    "Utility.PolarPoint((0,0,0), 0, 56)",
    "Document.Utility:get()",
    "Utility.PolarPoint((0,0,0), 1.5707963267949, 3)",
    "Document.Utility:get()",
    "Utility.PolarPoint((112,0,0), 1.5707963267949, 3)",
    "Document.SendCommand(CMDDIA\r0\r)",
    "Document.SendCommand(AMDT_NEW_PART\rШпилька_M12x100_ГОСТ_22032-76\r)",
    "Document.SendCommand(_PLINE\r0,0\r112,0\r112,6\r0,6\rCL\r)",
    "Document.SendCommand(amdt_1profile\r)",
    "Document.SendCommand(amrevolve\r56,0\r\r\r)",
    "Document.SendCommand(_amthread\r0,3\rE\r12\r\r)",
    "Document.SendCommand(_amthread\r112,3\rE\r30\r\r)",
    "Document.SendCommand(_amchamfer\rE\r0,3\r112,3\r\r1.6\r)",
    "Document.SendCommand(CMDDIA\r1\r)",
    osmodeBack,
    zoomBack,
};

std::string kindName(FailKind kind)
{
    return kind == FailKind::Exception  ? "EOleException"
           : kind == FailKind::SysError ? "EOleSysError"
                                        : "EOleError";
}

std::string expectedMessage(const std::string& procedure, FailKind kind)
{
    const std::string host = procedure == "Draw_3D_Quorvel" ? "MDT6" : "AutoCAD";
    const std::string error = kind == FailKind::Exception
                                  ? "Нет связи с " + host + "! (EOleException)"
                              : kind == FailKind::SysError ? "Операция недоступна! (EOleSysError)"
                                                           : "Незагружен " + host + "! (EOleError)";
    return "Модуль   : Quorvel_Draw\r\nПроцедура: " + procedure + "\r\nОшибка   : " + error;
}

} // namespace

TEST(Start_ACAD, Draws2DPartialThreadExactly)
{
    Rig rig;
    rig.draw.Start_ACAD(false, "Шпилька_M12x88_ГОСТ_22032-76", 12, 100, 30, 12, 1.6);
    EXPECT_EQ(rig.host.callTexts(), partial2D);
    EXPECT_TRUE(rig.reporter.messages.empty());
    EXPECT_EQ(rig.host.osmode, 39);
    EXPECT_EQ(rig.host.activeLayer, 0u);
    ASSERT_EQ(rig.host.layers.size(), 4u);
    EXPECT_EQ(rig.host.layers[1].color, 6);
    EXPECT_EQ(rig.host.layers[2].color, 2);
    EXPECT_EQ(rig.host.layers[3].color, 5);
}

TEST(Start_ACAD, Draws2DFullThreadAndOffsetInsertionPoint)
{
    Rig full;
    full.host.layers = {{"0", 7}, {"2", 1}, {"1", 3}, {"7", 4}};
    full.draw.Start_ACAD(false, "p", 12, 60, 30, 30, 1.6);
    const Texts commands = full.host.commands();
    const Texts expected = {"_ZOOM\r_W\r-12,-12\r72,12\r",
                            "_PLINE\r0,-6\r60,-6\r60,6\r0,6\rCL\r",
                            "_CHAMFER\rD\r1.6\r1.6\rP\rLAST\r",
                            "_LINE\r1.6,-6\r1.6,6\r\r",
                            "_LINE\r58.4,6\r58.4,-6\r\r",
                            "_LINE\r0,4.4\r60,4.4\r\r",
                            "_LINE\r0,-4.4\r60,-4.4\r\r",
                            "_LINE\r-1.6,0\r61.6,0\r\r",
                            "_ZOOM\r_P\r"};
    EXPECT_EQ(commands, expected);
    EXPECT_EQ(full.host.layers[1].color, 1); // existing layers keep their colours
    EXPECT_EQ(full.host.layers.size(), 4u);

    Rig offset;
    offset.host.pickedPoint = {10.5, 20.25, 7};
    offset.draw.Start_ACAD(false, "p", 12, 100, 30, 12, 1.6);
    const Texts shifted = offset.host.commands();
    EXPECT_EQ(shifted.at(1), "_PLINE\r10.5,14.25\r110.5,14.25\r110.5,26.25\r10.5,26.25\rCL\r");
    EXPECT_EQ(shifted.at(11), "_LINE\r8.9,20.25\r112.1,20.25\r\r");

    // b = b1 with L not exactly 2b: the partial drawing of 11 commands.
    Rig almost;
    almost.draw.Start_ACAD(false, "p", 12, std::nextafter(60.0, 61.0), 30, 30, 1.6);
    EXPECT_EQ(almost.host.commands().size(), 13u);
}

TEST(Start_ACAD, ZoomWindowTexts)
{
    const struct {
        Point pick;
        double d, L;
        const char* zoom;
    } rows[] = {
        {{10, 20, 0}, 12, 112, "_ZOOM\r_W\r-2,8\r134,32\r"},
        {{0.5, 0.25, 0}, 10, 62.5, "_ZOOM\r_W\r-9.5,-9.75\r73,10.25\r"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.zoom);
        Rig rig;
        rig.host.pickedPoint = row.pick;
        rig.draw.Start_ACAD(false, "p", row.d, row.L, 30, 12, 1.6);
        EXPECT_EQ(rig.host.commands().front(), row.zoom);
    }
}

TEST(Start_ACAD, Builds3DPartWithTwoThreadsOrOne)
{
    Rig two;
    two.draw.Start_ACAD(true, "Шпилька_M12x100_ГОСТ_22032-76", 12, 112, 30, 12, 1.6);
    EXPECT_EQ(two.host.callTexts(), twoThreads3D);
    EXPECT_TRUE(two.reporter.messages.empty());
    EXPECT_EQ(two.host.cmddia, 1);

    const struct {
        double L, b, b1;
        Texts threads;
    } rows[] = {
        {100, 50, 50, {"_amthread\r0,3\rE\rF\r\r"}},
        {112, 50, 50, {"_amthread\r0,3\rE\r50\r\r", "_amthread\r112,3\rE\r50\r\r"}},
    };
    for (const auto& row : rows) {
        Rig rig;
        rig.draw.Start_ACAD(true, "p", 12, row.L, row.b, row.b1, 1.6);
        Texts threads;
        for (const std::string& command : rig.host.commands()) {
            if (command.rfind("_amthread", 0) == 0) {
                threads.push_back(command);
            }
        }
        EXPECT_EQ(threads, row.threads);
    }

    // A real host's PolarPoint leaves 1.8369701987210297E-16 where 0 is meant.
    Rig trig;
    trig.host.exactPolarPoint = false;
    trig.draw.Start_ACAD(true, "p", 12, 112, 30, 12, 1.6);
    EXPECT_EQ(trig.draw.session().PointText5, "1.83697019872103E-16,3");
    EXPECT_EQ(trig.host.commands().at(7), "_amthread\r1.83697019872103E-16,3\rE\r12\r\r");
}

// The solid through the object model: the half section with its chamfers from the insertion
// point, revolved about the x axis there, on the main layer (made here, without touching the
// active layer), then the helpers deleted, region first; no command text of the part-modelling
// add-on. A failure up to the solid on its layer deletes what was made so far, newest first, and
// the next call is the closing one; a helper that cannot be deleted afterwards (a host may have
// erased the curve itself) leaves the solid as it is, unreported.
TEST(Start_ACAD, Builds3DSolidThroughTheObjectModelAndClearsUpAFailure)
{
    const Texts solid = {
        "Document.SendCommand(_ZOOM\r_W\r-2,-7\r134,17\r)",
        "Document.ModelSpace:get()",
        "ModelSpace.AddLightWeightPolyline((10,5,122,5,122,9.4,120.4,11,11.6,11,10,9.4))",
        "Entity:1.Closed:put(true)",
        "ModelSpace.AddRegion([Entity:1])",
        "ModelSpace.AddRevolvedSolid(Entity:2, (10,5,0), (1,0,0), 6.28318530717959)",
        "Document.Layers:get()",
        "Layers.Count:get()",
        "Layers.Add(2)",
        "Layer:2.color:put(6)",
        "Entity:3.Layer:put(2)",
        "Entity:2.Delete()",
        "Entity:1.Delete()",
        osmodeBack,
        zoomBack,
    };
    for (const bool erasesCurves : {false, true}) {
        SCOPED_TRACE(erasesCurves ? "the host erases the region's curve" : "the curve is kept");
        Rig rig;
        rig.host.pickedPoint = {10, 5, 0};
        rig.host.erasesRegionCurves = erasesCurves;
        rig.draw.setSolid3D(true);
        rig.draw.Start_ACAD(true, "p", 12, 112, 30, 12, 1.6);
        const Texts calls = rig.host.callTexts();
        ASSERT_GE(calls.size(), solid.size());
        EXPECT_EQ(Texts(calls.end() - static_cast<long>(solid.size()), calls.end()), solid);
        EXPECT_EQ(rig.host.commands(), (Texts{"_ZOOM\r_W\r-2,-7\r134,17\r", "_ZOOM\r_P\r"}));
        EXPECT_TRUE(rig.reporter.messages.empty());
        EXPECT_EQ(rig.host.activeLayer, 0u);
        EXPECT_EQ(rig.host.erased, (std::set<std::string>{"Entity:1", "Entity:2"}));
    }

    Rig probe;
    probe.host.pickedPoint = {10, 5, 0};
    probe.draw.setSolid3D(true);
    probe.draw.Start_ACAD(true, "p", 12, 112, 30, 12, 1.6);
    const std::size_t first = probe.host.calls().size() - solid.size() + 1; // ModelSpace:get()
    const struct {
        std::size_t failing; // counted from ModelSpace:get()
        Texts clearUp;       // none for a helper's Delete: the run goes on
        bool reported;
    } rows[] = {
        {0, {}, true},
        {1, {}, true},
        {2, {"Entity:1.Delete()"}, true},
        {3, {"Entity:1.Delete()"}, true},
        {4, {"Entity:2.Delete()", "Entity:1.Delete()"}, true},
        {9, {"Entity:3.Delete()", "Entity:2.Delete()", "Entity:1.Delete()"}, true},
        {10, {"Entity:1.Delete()"}, false}, // the region's Delete
        {11, {}, false},                    // the outline's
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(solid.at(row.failing + 1));
        Rig failing;
        failing.host.pickedPoint = {10, 5, 0};
        failing.host.failCall(first + row.failing, FailKind::SysError);
        failing.draw.setSolid3D(true);
        failing.draw.Start_ACAD(true, "p", 12, 112, 30, 12, 1.6);
        ASSERT_EQ(failing.reporter.messages.size(), row.reported ? 1u : 0u);
        if (row.reported) {
            EXPECT_EQ(failing.reporter.messages[0].text,
                      expectedMessage("Draw_3D_Solid", FailKind::SysError));
        }
        const Texts live = failing.host.liveEntities();
        EXPECT_EQ(std::count(live.begin(), live.end(), "Entity:3"), row.reported ? 0 : 1);
        EXPECT_EQ(live.size(), row.reported ? 0u : 2u); // the solid and the helper it kept
        const Texts all = failing.host.callTexts();
        const Texts after(all.begin() + static_cast<long>(first + row.failing + 1), all.end());
        Texts expected = row.clearUp;
        expected.push_back(osmodeBack);
        expected.push_back(zoomBack);
        EXPECT_EQ(after, expected);
    }
}

TEST(Start_ACAD, NoHostRunningGivesOneWarningAndNoFurtherCall)
{
    Rig rig;
    rig.host.running = false;
    rig.draw.Start_ACAD(false, "p", 12, 100, 30, 12, 1.6);
    EXPECT_EQ(rig.host.callTexts(), Texts{"ROT.GetActiveObject(AutoCAD.Application)"});
    ASSERT_EQ(rig.reporter.messages.size(), 1u);
    EXPECT_EQ(rig.reporter.messages[0].caption, "Warning");
    EXPECT_EQ(rig.reporter.messages[0].kind, MessageKind::Warning);
    EXPECT_EQ(rig.reporter.messages[0].text,
              "Модуль   : Quorvel_Draw\r\nПроцедура: Start_ACAD\r\nОшибка   : Операция недоступна! "
              "(EOleSysError)");
}

// A failure at any call: the right procedure's message, the calls before it, and only the
// specified closing calls after it (OSMODE and CMDDIA put back once, zoom-previous after a
// drawing failure).
TEST(Start_ACAD, FailureAtEveryCallOf2DAnd3DRuns)
{
    struct Run {
        bool is3D;
        double L;
        const Texts* golden;
        std::size_t drawFirst, drawLast; // call indices of the drawing procedure
        const char* drawProcedure;
        std::size_t cmddiaOff; // index of "CMDDIA\r0\r" (0: none)
    };
    const Run runs[] = {{false, 100, &partial2D, 8, 40, "Draw_2D_Quorvel", 0},
                        {true, 112, &twoThreads3D, 9, 23, "Draw_3D_Quorvel", 15}};
    for (const Run& run : runs) {
        const Texts& golden = *run.golden;
        for (FailKind kind : {FailKind::Exception, FailKind::SysError, FailKind::Error}) {
            for (std::size_t failing = 0; failing < golden.size(); ++failing) {
                SCOPED_TRACE(run.drawProcedure + (" " + kindName(kind)) + " at call " +
                             std::to_string(failing));
                Rig rig;
                rig.host.failCall(failing, kind);
                rig.draw.Start_ACAD(run.is3D, "Шпилька_M12x100_ГОСТ_22032-76", 12, run.L, 30, 12,
                                    1.6);

                const bool inDrawing = failing >= run.drawFirst && failing <= run.drawLast;
                Texts expected(golden.begin(), golden.begin() + static_cast<long>(failing) + 1);
                if (inDrawing) {
                    if (run.cmddiaOff != 0 && failing > run.cmddiaOff) {
                        expected.push_back("Document.SendCommand(CMDDIA\r1\r)");
                    }
                    expected.push_back(osmodeBack);
                    expected.push_back(zoomBack);
                } else if (failing > 4 && golden[failing] != zoomBack) {
                    expected.push_back(osmodeBack); // the quiet second attempt
                }
                EXPECT_EQ(rig.host.callTexts(), expected);
                ASSERT_EQ(rig.reporter.messages.size(), 1u);
                EXPECT_EQ(rig.reporter.messages[0].text,
                          expectedMessage(inDrawing ? run.drawProcedure : "Start_ACAD", kind));
                EXPECT_EQ(rig.host.osmode, 39);
                EXPECT_EQ(rig.host.cmddia, 1);
            }
        }
    }
}

TEST(Start_ACAD, QuietRestoreFailureIsNotReportedAgain)
{
    // The pick is cancelled and the host also refuses the quiet attempt to put OSMODE back.
    Rig rig;
    rig.host.failCall(6, FailKind::Exception);
    rig.host.failCall(7, FailKind::SysError);
    rig.draw.Start_ACAD(false, "p", 12, 100, 30, 12, 1.6);
    ASSERT_EQ(rig.reporter.messages.size(), 1u);
    EXPECT_EQ(rig.reporter.messages[0].text, expectedMessage("Start_ACAD", FailKind::Exception));
    EXPECT_EQ(rig.host.calls().size(), 8u);
    EXPECT_EQ(rig.host.osmode, 0);

    // Likewise CMDDIA in 3D: the revolve fails, then the quiet "CMDDIA\r1\r" fails too.
    Rig part;
    part.host.failCall(19, FailKind::Exception);
    part.host.failCall(20, FailKind::Exception);
    part.draw.Start_ACAD(true, "p", 12, 112, 30, 12, 1.6);
    ASSERT_EQ(part.reporter.messages.size(), 1u);
    EXPECT_EQ(part.reporter.messages[0].text,
              expectedMessage("Draw_3D_Quorvel", FailKind::Exception));
    const Texts calls = part.host.callTexts();
    EXPECT_EQ(calls.at(20), "Document.SendCommand(CMDDIA\r1\r)");
    EXPECT_EQ(Texts(calls.begin() + 21, calls.end()), (Texts{osmodeBack, zoomBack}));
    EXPECT_EQ(part.host.cmddia, 0);
}

TEST(Start_ACAD, OtherErrorsPropagateAfterOsmodeIsPutBack)
{
    for (std::size_t at : {std::size_t{7}, std::size_t{14}}) {
        SCOPED_TRACE(at);
        Rig rig;
        rig.host.throwForeignAt(at);
        EXPECT_THROW(rig.draw.Start_ACAD(false, "p", 12, 100, 30, 12, 1.6), std::logic_error);
        EXPECT_TRUE(rig.reporter.messages.empty());
        EXPECT_EQ(rig.host.callTexts().back(), osmodeBack);
    }
}

// A point picked far out plus the stud's length overflows: that coordinate has no text, the run
// stops before sending it, and the object snaps are put back.
TEST(Start_ACAD, OverflowingCoordinateIsNeverSent)
{
    for (bool is3D : {false, true}) {
        SCOPED_TRACE(is3D);
        Rig rig;
        rig.host.pickedPoint = {1.7e308, 0, 0};
        EXPECT_THROW(rig.draw.Start_ACAD(is3D, "p", 12, 1e308, 30, 12, 1.6), std::logic_error);
        EXPECT_TRUE(rig.reporter.messages.empty());
        for (const std::string& command : rig.host.commands()) {
            for (const char* bad : {"i.nf", "n.an", "inf", "nan"}) {
                EXPECT_EQ(command.find(bad), std::string::npos) << command;
            }
        }
        EXPECT_EQ(rig.host.callTexts().back(), osmodeBack);
    }
}

TEST(ActivateLayer, FindsOrCreatesByExactName)
{
    const struct {
        const char* label;
        std::vector<RecordingHost::LayerState> layers;
        LayerNames names;
        Texts firstActivation;
    } rows[] = {
        {"found at item 1, colour untouched",
         {{"0", 7}, {"2", 3}},
         {},
         {"Layers.Count:get()", "Layers.Item(1)", "Layer:2.name:get()",
          "Document.ActiveLayer:put(Layer:2)"}},
        {"found at item 2",
         {{"0", 7}, {"x", 1}, {"Контур", 3}},
         {"Контур", "1", "7"},
         {"Layers.Count:get()", "Layers.Item(1)", "Layer:x.name:get()", "Layers.Item(2)",
          "Layer:Контур.name:get()", "Document.ActiveLayer:put(Layer:Контур)"}},
        {"letter case differs",
         {{"0", 7}, {"main", 3}},
         {"Main", "1", "7"},
         {"Layers.Count:get()", "Layers.Item(1)", "Layer:main.name:get()", "Layers.Add(Main)",
          "Layer:Main.color:put(6)", "Document.ActiveLayer:put(Layer:Main)"}},
        {"item 0 is never read",
         {{"2", 7}, {"x", 1}},
         {},
         {"Layers.Count:get()", "Layers.Item(1)", "Layer:x.name:get()", "Layers.Add(2)",
          "Layer:2.color:put(6)", "Document.ActiveLayer:put(Layer:2)"}},
        {"count 1: no search",
         {{"0", 7}},
         {},
         {"Layers.Count:get()", "Layers.Add(2)", "Layer:2.color:put(6)",
          "Document.ActiveLayer:put(Layer:2)"}},
        {"count 0: no search",
         {},
         {},
         {"Layers.Count:get()", "Layers.Add(2)", "Layer:2.color:put(6)",
          "Document.ActiveLayer:put(Layer:2)"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        Rig rig;
        rig.host.layers = row.layers;
        rig.layers = row.names;
        rig.draw.Start_ACAD(false, "p", 12, 100, 30, 12, 1.6);
        const Texts calls = rig.host.callTexts();
        auto first = std::find(calls.begin(), calls.end(), "Document.ActiveLayer:get()") + 1;
        auto last = std::find_if(first, calls.end(), [](const std::string& call) {
            return call.rfind("Document.ActiveLayer:put", 0) == 0;
        });
        ASSERT_NE(last, calls.end());
        EXPECT_EQ(Texts(first, last + 1), row.firstActivation);
    }
}

TEST(ActivateLayer, RolesSharingOneNameKeepTheFirstColour)
{
    Rig rig;
    rig.layers = {"K", "K", "K"};
    rig.draw.Start_ACAD(false, "p", 12, 100, 30, 12, 1.6);
    ASSERT_EQ(rig.host.layers.size(), 2u);
    EXPECT_EQ(rig.host.layers[1].name, "K");
    EXPECT_EQ(rig.host.layers[1].color, 6);
    int adds = 0;
    for (const std::string& call : rig.host.callTexts()) {
        adds += call == "Layers.Add(K)";
    }
    EXPECT_EQ(adds, 1);
}

TEST(DrawSession, ReleaseEmptiesTextsAndReferences)
{
    Rig rig;
    rig.draw.Start_ACAD(true, "p", 12, 112, 30, 12, 1.6);
    DrawSession& session = rig.draw.session();
    EXPECT_TRUE(session.AcadDoc);
    EXPECT_EQ(session.CText, "1.6");
    EXPECT_EQ(session.InsText, "0,0");
    session.release();
    EXPECT_FALSE(session.AcadApp);
    EXPECT_FALSE(session.AcadDoc);
    EXPECT_EQ(session.CText + session.InsText + session.PointText6 + session.BText, "");
}
