#include "export/interrupt_watch.h"

#include <csignal>

namespace exporter {

namespace {

// A signal handler can reach nothing but static objects; these two are the only ones.
volatile std::sig_atomic_t caughtSignal = 0;
volatile std::sig_atomic_t caughtCount = 0;

extern "C" void noteSignal(int signal)
{
    caughtSignal = signal;
    caughtCount = caughtCount + 1;
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

int interruptCount()
{
    return caughtCount;
}

} // namespace exporter
