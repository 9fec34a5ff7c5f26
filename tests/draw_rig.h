#pragma once
// The drawing unit against the recording host, as the drawing tests run it: the host, the
// message boxes shown and the layer names of a fresh settings file.

#include "cad/quorvel_draw.h"
#include "recording_host.h"
#include "recording_reporter.h"

struct Rig {
    RecordingHost host;
    RecordingReporter reporter;
    LayerNames layers;
    QuorvelDraw draw{host, reporter, layers};
};
