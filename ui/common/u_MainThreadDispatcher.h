#pragma once
// Wires the engine's TThread::Synchronize to the Qt event loop: a worker's call runs on the
// user-interface thread through a blocking queued call, and the worker waits for it.

namespace morvane {

// Called once on the user-interface thread after the QApplication exists.
void InstallMainThreadDispatcher();
// Removes it again (tests); workers then run their calls under the engine's own lock.
void UninstallMainThreadDispatcher();

} // namespace morvane
