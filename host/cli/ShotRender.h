#pragma once
#include "host/EffectInstance.h"
#include "host/cli/FrameProgress.h"
#include "host/cli/FrameSequence.h"

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace kvhost {

// A layer parameter whose file is a sequence, frame for frame with the input.
struct LayerSequence {
    int index = 0;
    FramePattern files;
};

// What a run of frames renders and how it goes on when a frame fails.
struct Shot {
    FramePattern input;
    FramePattern output;
    std::vector<LayerSequence> layers;
    std::vector<long> frames;
    double framesPerSecond = 24.0;
    int depth = 8;
    bool legacy = false;
    bool skipExisting = false;
    bool keepGoing = false;
};

// How a run ended.
struct ShotResult {
    std::vector<long> failed;
    // Frames not reached: after an interrupt, or after a failure without keepGoing.
    std::vector<long> notRendered;
    long written = 0;
    long skipped = 0;
    bool interrupted = false;
    // What the plug-in did not give back ("problems" of the instance); the run went on.
    std::string problems;
};

// Renders the frames with the instances given, one frame at a time each, on a thread of its own when
// there are more (--jobs): frame N at N / framesPerSecond seconds (the project's keyframes interpolated
// there), each output whole or not at all. The instances must be set up alike; a frame renders the same
// whichever renders it. A frame that fails (its input missing or unreadable, the render failing) is
// reported on `progress` by its number and file; without keepGoing no frame is started after it. SIGINT
// stops the run after the frames being rendered (FrameInterrupt.h).
ShotResult renderShot(const std::vector<EffectInstance*>& instances, const Shot& shot, FrameProgress& progress);

// A frame whose input file (or a layer file) is not there, with the first such file.
struct MissingFrame {
    long frame = 0;
    std::string file;
};
// The missing frames, for the check before the work; frames whose output is there already are left out
// with skipExisting.
std::vector<MissingFrame> missingFrames(const Shot& shot);

} // namespace kvhost
