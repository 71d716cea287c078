#pragma once
// Ctrl+C in the window ends the run as Escape does, through the demo's own hand-over, so that the
// outputs of what was played are written. The interrupt is held pending and taken at a pulse.

namespace frontends::window {

// For as long as it lives, SIGINT stays pending in this thread and in every thread started
// meanwhile (the encoders' and SDL's), instead of ending the process.
class InterruptAsStart {
  public:
    InterruptAsStart();
    ~InterruptAsStart();
    InterruptAsStart(const InterruptAsStart&) = delete;
    InterruptAsStart& operator=(const InterruptAsStart&) = delete;

    // Takes a pending interrupt: true once for each that came.
    static bool taken();
    // From now on (the run is ending) a further interrupt ends the process at once, its
    // temporary files removed, as it would without a window.
    static void release();
};

}  // namespace frontends::window
