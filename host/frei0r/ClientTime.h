#pragma once

namespace kvhost {

// The unit of the time a client hands to f0r_update. frei0r's own rule is seconds, and MLT keeps it;
// libavfilter's frei0r filter (ffmpeg) hands the frame's time in milliseconds.
enum class ClientTimeUnit { Seconds, Milliseconds };

// The unit of the client whose code sits at `callerAddress` (the return address of f0r_update):
// milliseconds when that code lies in an object that itself defines avfilter_version (libavfilter, or
// a program built with it that exports its symbols), seconds otherwise.
ClientTimeUnit clientTimeUnit(const void* callerAddress);

// The render time in seconds of a client time: time / frameRate when the "frame rate" parameter is
// above 0 (clients that count frames), else in the client's unit. Limited to the host's 0 .. 86400 s; a
// time that is not a number renders at 0.
double renderSeconds(double clientTime, ClientTimeUnit unit, double frameRate);

} // namespace kvhost
