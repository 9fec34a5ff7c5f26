#pragma once
// SIGINT and SIGTERM asked to stop a long export: the handler only notes the signal, and the
// exporter stops taking new studs, lets the files being written finish (each is written to a
// temporary name and renamed), and leaves no temporary file behind.

namespace exporter {

// Installs the handlers; call once, before any worker starts.
void watchInterrupts();
// The signal that asked to stop, or 0.
[[nodiscard]] int interruptSignal();
// How many times a stop was asked: a second one is not to wait for what may never end.
[[nodiscard]] int interruptCount();

} // namespace exporter
