#pragma once

namespace kelvan::cli {

// Ctrl-C (SIGINT) and SIGTERM for a run on the event loop: the handler only notes the signal in
// a lock-free flag, which the loop polls. Only the first signal is caught; the handler is then
// reset to the default, so a second Ctrl-C ends the program at once.
class InterruptWatch {
  public:
    // Installs the handlers. Returns false when the system refused.
    static bool install();
    // The first signal caught, 0 while none has been.
    static int caught();
};

}  // namespace kelvan::cli
