#pragma once
// Runs numbered jobs on worker processes (POSIX) or in this process, and hands each outcome to
// the caller in this process as it arrives.
//
// Processes, not threads: Open CASCADE 7.6 (Debian 12) is not safe for this from threads. Its STEP
// writer keeps its settings in process-wide statics (Interface_Static, set up by
// STEPControl_Controller::Init, with no lock), the XCAF application is a process-wide singleton
// and the default messenger is shared; concurrent STEP transfers are a known crash upstream, and
// even some shape-building and checking classes had data races there, fixed only in much later
// releases. Threads would have to take turns at least for the STEP translation and writing, about
// a third of a stud's time; each worker process has the library to itself instead.

#include <cstddef>
#include <functional>
#include <string>

namespace exporter {

struct JobOutcome {
    bool ok = false;
    std::string text; // the job's result, or why it failed; one line
};

enum class PoolEnd {
    Completed, // every job ran
    Stopped,   // stopRequested or a false from onOutcome ended it early
    Abandoned, // abandonRequested ended a stopped run without waiting for the running jobs
};

// work(i) for every i below count on up to `workers` processes (1: in this process). onOutcome
// runs in this process, in the order the jobs end; returning false stops the run. stopRequested
// is asked between jobs and while waiting. A stopped run takes no new job but lets the running
// ones end and reports their outcomes. A worker that dies reports a failed outcome for its job.
// abandonRequested is asked while a stopped run waits: a worker that does not answer (stopped,
// hung) must not hold the run for ever, so the workers are then killed, their jobs left unfinished
// and unreported (with worker processes only; a job in this process always ends).
PoolEnd runJobs(std::size_t count, unsigned workers,
                const std::function<JobOutcome(std::size_t)>& work,
                const std::function<bool(std::size_t, const JobOutcome&)>& onOutcome,
                const std::function<bool()>& stopRequested,
                const std::function<void()>& onTick = {},
                const std::function<bool()>& abandonRequested = {});

} // namespace exporter
