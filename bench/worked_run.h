#pragma once
// The 2D run of the worked example as the transport benchmarks time it: the same Start_ACAD
// arguments over any running-object table, with a reporter that only counts what the host
// reports, so that a run that failed does not pass for a fast one.

#include "cad/quorvel_draw.h"

#include <benchmark/benchmark.h>

class SilentReporter : public Reporter {
  public:
    void show(const Message&) override { ++count; }
    int count = 0;
};

inline void startWorked2D(QuorvelDraw& draw)
{
    draw.Start_ACAD(false, "p", 12, 100, 30, 12, 1.6);
}

// One run per iteration on one drawing; the result is marked an error if the host reported any
// failure. solid3D: the 3D stud as a solid through the object model instead of the 2D view.
inline void timeWorkedRuns(benchmark::State& state, RunningObjects& objects,
                             bool solid3D = false)
{
    SilentReporter reporter;
    LayerNames layers;
    QuorvelDraw draw(objects, reporter, layers);
    draw.setSolid3D(solid3D);
    for (auto _ : state) {
        if (solid3D) {
            draw.Start_ACAD(true, "p", 12, 112, 30, 12, 1.6);
        } else {
            startWorked2D(draw);
        }
    }
    if (reporter.count != 0) {
        state.SkipWithError("the host reported a failure");
    }
}
