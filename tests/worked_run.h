#pragma once
// A run of Start_ACAD with the worked stud against a stand-in host in another process, whatever
// the transport: a folder for the host's files, the message boxes shown and the layer names.

#include "cad/quorvel_draw.h"
#include "recording_reporter.h"
#include "temp_dir.h"
#include "worked_examples.h"

#include <string>

struct WorkedRun {
    void draw(RunningObjects& objects, bool is3D, double L)
    {
        QuorvelDraw unit(objects, reporter, layers);
        unit.Start_ACAD(is3D, "Шпилька_M12x100_ГОСТ_22032-76", 12, L, 30, 12, 1.6);
    }

    // The one message shown, or a text that says there was not exactly one.
    std::string messageText() const
    {
        return reporter.messages.size() == 1 ? reporter.messages[0].text : "<not one message>";
    }

    TempDir dir;
    RecordingReporter reporter;
    LayerNames layers;
};
