#include "export/interrupt_watch.h"

#include <csignal>

namespace exporter {

namespace {

// A signal handler can reach nothing but a static object; this flag is the only one.
volatile std::sig_atomic_t caughtSignal = 0;

extern "C" void noteSignal(int signal)
{
    caughtSignal = signal;
}

} // namespace

void watchInterrupts()
{
    std::signal(SIGINT, noteSignal);
    std::signal(SIGTERM, noteSignal);
}

int interruptSignal()
{
    return caughtSignal;
}

} // namespace exporter
