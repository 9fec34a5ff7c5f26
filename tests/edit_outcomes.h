#pragma once
// The edit in place against a stand-in host in another process, whatever the transport, with the
// host failing where each row says: an M12x100 stud placed as a block at (10, 20), picked with
// «Изменить…», and replaced by an M12x120. Each row gives what the user is then left with: the
// messages, the studs and block definitions in the drawing (read from the host's call log), and
// whether the next «Чертить» still replaces the picked stud; a replacement still pending is
// then tried again and must succeed.

#include "cad/quorvel_draw.h"
#include "call_log.h"
#include "recording_reporter.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

// The worked stud as a block stores it: ГОСТ 22032-76, d = 12, L as given (overall L + 12),
// b = 30, b1 = 12, c = 1.6, P 1.75.
inline StoredStud workedStud(double L = 100)
{
    StoredStud stud;
    stud.standard = "22032-76";
    stud.d = 12;
    stud.L = L;
    stud.b = 30;
    stud.b1 = 12;
    stud.c = 1.6;
    stud.P = 1.75;
    return stud;
}

namespace edit_outcomes {

inline StudBlock worked(double L)
{
    return studBlock(workedStud(L), StudFamily::ScrewIn);
}

inline void place(QuorvelDraw& unit, const StudBlock& block)
{
    const StoredStud& s = block.stored;
    unit.Start_ACAD(false, "unused", s.d, s.L + s.b1, s.b, s.b1, s.c, &block);
}

// The path of the object a logged call gave back ("/Entities/3" of "... -> /Entities/3").
inline std::string resultOf(const std::string& line)
{
    const std::size_t arrow = line.rfind("\t-> ");
    return arrow == std::string::npos ? "" : line.substr(arrow + 4);
}

// What a call log leaves in the drawing: each block reference not deleted ("<block> at (x,y,z)")
// in the order of insertion, then the block definitions not deleted.
inline Lines drawingOf(const Lines& log)
{
    std::vector<std::pair<std::string, std::string>> references; // path, description
    std::vector<std::pair<std::string, std::string>> definitions; // path, name
    for (const std::string& line : log) {
        const std::string result = resultOf(line);
        if (line.rfind("ModelSpace\tInsertBlock\t1\t", 0) == 0 && result.rfind('/', 0) == 0) {
            const std::string args = line.substr(25, line.rfind("\t-> ") - 25);
            const std::size_t bar = args.find('|');
            references.emplace_back(result.substr(1), args.substr(bar + 1, args.find('|', bar + 1) -
                                                                             bar - 1) +
                                                          " at " + args.substr(0, bar));
        } else if (line.rfind("Blocks\tAdd\t1\t", 0) == 0 && result.rfind('/', 0) == 0) {
            const std::string args = line.substr(13, line.rfind("\t-> ") - 13);
            definitions.emplace_back(result.substr(1), args.substr(args.find('|') + 1));
        } else if (line.find("\tDelete\t1\t\t-> <empty>") != std::string::npos) {
            const std::string path = line.substr(0, line.find('\t'));
            for (auto* list : {&references, &definitions}) {
                list->erase(std::remove_if(list->begin(), list->end(),
                                           [&](const auto& item) { return item.first == path; }),
                            list->end());
            }
        }
    }
    Lines drawn;
    for (const auto& [path, description] : references) {
        drawn.push_back(description);
    }
    std::string names = "definitions";
    for (const auto& [path, name] : definitions) {
        names += " " + name;
    }
    drawn.push_back(names);
    return drawn;
}

// A call that fails: the first call of the reference run, from the pick on (or from the
// replacement on), that begins so ({old} stands for the placed stud); or "next", the call after
// the one failed before, which the reference run need not make.
struct Failing {
    bool inReplacement;
    std::string call;
    std::string kind; // exception or syserror
};

struct Row {
    const char* label;
    std::vector<Failing> failing;
    EditOutcome picked;
    Lines messages;
    Lines drawing;
    bool replacing;
};

const std::string drawText = "Модуль   : Quorvel_Draw\r\nПроцедура: ";
const std::string oldStud = "GOST22032-76_M12x100 at (10,20,0)";
const std::string newStud = "GOST22032-76_M12x120 at (10,20,0)";
const std::string bothDefinitions = "definitions GOST22032-76_M12x100 GOST22032-76_M12x120";
const std::string oldDefinition = "definitions GOST22032-76_M12x100";

inline const std::vector<Row> rows = {
    {"nothing fails", {}, EditOutcome::Picked, {}, {newStud, bothDefinitions}, false},
    {"the host refuses to delete the picked stud",
     {{true, "{old}\tDelete", "exception"}},
     EditOutcome::Picked,
     {drawText + "Replace_Stud\r\nОшибка   : Прежняя шпилька не удаляется, замена отменена! "
                 "(EOleException)"},
     {oldStud, oldDefinition},
     true},
    {"the picked stud's deletion fails",
     {{true, "{old}\tDelete", "syserror"}},
     EditOutcome::Picked,
     {drawText + "Replace_Stud\r\nОшибка   : Прежняя шпилька не удаляется, замена отменена! "
                 "(EOleSysError)"},
     {oldStud, oldDefinition},
     true},
    {"neither stud can be deleted",
     {{true, "{old}\tDelete", "exception"}, {true, "next", "exception"}}, // the new one's Delete
     EditOutcome::Picked,
     {drawText + "Replace_Stud\r\nОшибка   : Прежняя шпилька не удаляется, новая не убирается: "
                 "в чертеже две шпильки! (EOleException)"},
     {oldStud, newStud, bothDefinitions},
     false},
    {"the new stud is not inserted",
     {{true, "ModelSpace\tInsertBlock", "exception"}},
     EditOutcome::Picked,
     {drawText + "Draw_Block_Quorvel\r\nОшибка   : Нет связи с AutoCAD! (EOleException)"},
     {oldStud, oldDefinition},
     true},
    {"the host is not reached for the replacement",
     {{true, "Application\tActiveDocument", "syserror"}},
     EditOutcome::Picked,
     {drawText + "Start_ACAD\r\nОшибка   : Операция недоступна! (EOleSysError)"},
     {oldStud, oldDefinition},
     true},
    {"the picked stud cannot be looked up",
     {{true, "Document\tHandleToObject", "syserror"}},
     EditOutcome::Picked,
     {drawText + "Start_ACAD\r\nОшибка   : Операция недоступна! (EOleSysError)"},
     {oldStud, oldDefinition},
     true},
    // Erased since the pick: the host knows the handle no more, and a new point is picked.
    {"the picked stud's handle is unknown",
     {{true, "Document\tHandleToObject", "exception"}},
     EditOutcome::Picked,
     {},
     {oldStud, newStud, bothDefinitions},
     false},
    {"the pick cancelled",
     {{false, "Utility\tGetEntity", "exception"}},
     EditOutcome::Cancelled,
     {},
     {oldStud, newStud, bothDefinitions},
     false},
    {"the pick fails",
     {{false, "{old}\tGetXData", "syserror"}},
     EditOutcome::Failed,
     {drawText + "Edit_Stud\r\nОшибка   : Операция недоступна! (EOleSysError)"},
     {oldStud, newStud, bothDefinitions},
     false},
};

// StartHost as in worked_run.h: startHost(arguments, className, logFile) gives a host process.
template <class Objects, class StartHost>
void expectEachEditOutcome(Objects& objects, const TempDir& dir, StartHost startHost)
{
    const Lines arguments{"--points", "10,20", "--repeat-points"};
    const StudBlock first = worked(100);
    const StudBlock second = worked(120);
    LayerNames layers;

    // The reference run: where the pick and the replacement begin, and the paths of the studs.
    Lines reference;
    std::size_t pickFrom = 0, replaceFrom = 0;
    {
        RecordingReporter reporter;
        QuorvelDraw unit(objects, reporter, layers);
        const std::string log = dir.file("reference.log");
        auto host = startHost(arguments, "AutoCAD.Application", log);
        place(unit, first);
        pickFrom = readLines(log).size();
        ASSERT_EQ(unit.Edit_Stud(), EditOutcome::Picked);
        replaceFrom = readLines(log).size();
        place(unit, second);
        host->stop();
        reference = readLines(log);
        ASSERT_TRUE(reporter.messages.empty()) << reporter.messages[0].text;
    }
    const auto inserted = std::find_if(reference.begin(), reference.end(), [](const auto& line) {
        return line.rfind("ModelSpace\tInsertBlock\t", 0) == 0;
    });
    ASSERT_NE(inserted, reference.end());
    const std::string oldPath = resultOf(*inserted).substr(1);

    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        Lines hostArguments = arguments;
        std::ptrdiff_t index = 0; // one-based, of the call failed last
        for (const Failing& failing : row.failing) {
            if (failing.call == "next") {
                ++index;
            } else {
                std::string call = failing.call;
                if (call.rfind("{old}", 0) == 0) {
                    call = oldPath + call.substr(5);
                }
                const auto from =
                    reference.begin() +
                    static_cast<std::ptrdiff_t>(failing.inReplacement ? replaceFrom : pickFrom);
                const auto at = std::find_if(from, reference.end(), [&](const std::string& line) {
                    return line.rfind(call, 0) == 0;
                });
                ASSERT_NE(at, reference.end()) << call;
                index = at - reference.begin() + 1;
            }
            hostArguments.insert(hostArguments.end(),
                                 {"--fail", std::to_string(index) + ":" + failing.kind});
        }
        RecordingReporter reporter;
        QuorvelDraw unit(objects, reporter, layers);
        const std::string log = dir.file("row.log");
        auto host = startHost(hostArguments, "AutoCAD.Application", log);
        place(unit, first);
        EXPECT_EQ(unit.Edit_Stud(), row.picked);
        place(unit, second);
        Lines messages;
        for (const Message& message : reporter.messages) {
            messages.push_back(message.text);
        }
        EXPECT_EQ(messages, row.messages);
        EXPECT_EQ(drawingOf(readLines(log)), row.drawing);
        EXPECT_EQ(unit.replacing(), row.replacing);
        if (unit.replacing()) {
            // The picked stud is still the one to replace, and «Чертить» does it now.
            reporter.messages.clear();
            place(unit, second);
            EXPECT_TRUE(reporter.messages.empty());
            EXPECT_EQ(drawingOf(readLines(log)), (Lines{newStud, bothDefinitions}));
            EXPECT_FALSE(unit.replacing());
        }
        host->stop();
    }
}

} // namespace edit_outcomes
