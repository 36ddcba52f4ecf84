#pragma once

namespace kvhost {

// SIGINT during a run of frames: the frame being rendered is finished and written, then the run stops,
// so no frame is left half-written and a rerun with --skip-existing goes on where it stopped. A second
// SIGINT ends the process at once, as without this (temporary files removed, nothing half-written
// either). Where SIGINT is ignored (a job started in the background) it stays ignored. One at a time.
class FrameInterrupt {
public:
    FrameInterrupt();
    // Puts back the handler there was before.
    ~FrameInterrupt();
    FrameInterrupt(const FrameInterrupt&) = delete;
    FrameInterrupt& operator=(const FrameInterrupt&) = delete;

    // True once SIGINT came (or request() was called).
    static bool requested();
    // Stops the run as SIGINT does, from the program itself.
    static void request();
};

} // namespace kvhost
