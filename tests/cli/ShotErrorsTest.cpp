// kvhost render of shots with bad input, as one table (BadInputTable.h): each is refused before any frame
// is written, with a message that names the frame, the file, the option or the value at fault.
#include "tests/cli/BadInputTable.h"

namespace kvtest {
namespace {

using ShotBadInput = BadInputBase;

// Frames 1 to 3 of a small picture: in.0001.png ...
void threeFrames(const BadInputBase& t) {
    for (const char* name : {"in.0001.png", "in.0002.png", "in.0003.png"}) {
        t.smallPng(name);
    }
}

Case shotCase(const BadInputBase& t, std::vector<std::string> options, std::vector<std::string> says,
              const std::string& input = "in.####.png", const std::string& output = "out.####.png") {
    threeFrames(t);
    std::vector<std::string> rest = {t.path(input), t.path(output)};
    rest.insert(rest.end(), options.begin(), options.end());
    return Case{t.render(rest), says, ""};
}

std::vector<Row> rows() {
    return {
        {"FramesMissingFromTheRange",
         [](const BadInputBase& t) {
             return shotCase(t, {"--frames", "1-5"},
                             {"INPUT \"" + t.path("in.####.png") + "\": 2 of the frames --frames 1-5 are missing: "
                              "frames 4-5 (" + t.path("in.0004.png") + ", " + t.path("in.0005.png") + " not found)"});
         }},
        {"ALayerFrameMissing",
         [](const BadInputBase& t) {
             t.smallPng("base.0001.png");
             return shotCase(t, {"--frames", "1-2", "--layer", "base layer=" + t.path("base.####.png")},
                             {"frame 2 (" + t.path("base.0002.png") + " not found)"});
         }},
        {"OnlyTheOutputIsASequence",
         [](const BadInputBase& t) {
             return shotCase(t, {"--frames", "1-3"}, {"INPUT \"" + t.path("in.0001.png") + "\" names one file"},
                             "in.0001.png");
         }},
        {"OnlyTheInputIsASequence",
         [](const BadInputBase& t) {
             return shotCase(t, {"--frames", "1-3"}, {"OUTPUT \"" + t.path("out.png") + "\" names one file"},
                             "in.####.png", "out.png");
         }},
        {"ASequenceWithoutFrames",
         [](const BadInputBase& t) { return shotCase(t, {}, {"choose its frames with --frames"}); }},
        {"FramesWithoutASequence",
         [](const BadInputBase& t) {
             return shotCase(t, {"--frames", "1-3"}, {"--frames is for shots"}, "in.0001.png", "out.png");
         }},
        {"AnEmptyRange",
         [](const BadInputBase& t) { return shotCase(t, {"--frames", ""}, {"--frames \"\": no frames"}); }},
        {"TheLastFrameBeforeTheFirst",
         [](const BadInputBase& t) {
             return shotCase(t, {"--frames", "3-1"}, {"--frames \"3-1\": the last frame 1 is before the first 3"});
         }},
        {"AStepOfZero",
         [](const BadInputBase& t) {
             return shotCase(t, {"--frames", "1-3x0"}, {"--frames \"1-3x0\": a step of 0"});
         }},
        {"ChunkZero",
         [](const BadInputBase& t) {
             return shotCase(t, {"--frames", "1-3", "--chunk", "0/4"}, {"--chunk \"0/4\": the slice is numbered"});
         }},
        {"ChunkPastTheCount",
         [](const BadInputBase& t) {
             return shotCase(t, {"--frames", "1-3", "--chunk", "5/4"}, {"--chunk \"5/4\": the slice is numbered"});
         }},
        {"ATimeForAShot",
         [](const BadInputBase& t) {
             return shotCase(t, {"--frames", "1-3", "--time", "1"}, {"--time is for one image"});
         }},
        {"ZeroFramesPerSecond",
         [](const BadInputBase& t) { return shotCase(t, {"--frames", "1-3", "--fps", "0"}, {"--fps", "0"}); }},
        {"AFramePastTheLongestTime",
         [](const BadInputBase& t) {
             return shotCase(t, {"--frames", "100", "--fps", "0.001"},
                             {"frame 100 at --fps 0.001 is at 100000 seconds, past the longest time"});
         }},
        {"NoJobs",
         [](const BadInputBase& t) { return shotCase(t, {"--frames", "1-3", "--jobs", "0"}, {"--jobs", "0"}); }},
        {"TwoFrameNumbersInAName",
         [](const BadInputBase& t) {
             return shotCase(t, {"--frames", "1-3"}, {"OUTPUT \"" + t.path("out.##.##.png") + "\"", "has two"},
                             "in.####.png", "out.##.##.png");
         }},
        {"AnOutputFormatNothingWrites",
         [](const BadInputBase& t) {
             return shotCase(t, {"--frames", "1-3"}, {t.path("out.0001.nothing")}, "in.####.png",
                             "out.####.nothing");
         }},
    };
}

class ShotRefused : public ShotBadInput, public ::testing::WithParamInterface<Row> {};

TEST_P(ShotRefused, NamesTheFaultExitsWith2AndWritesNothing) {
    expectRefused(GetParam().make(*this));
}

INSTANTIATE_TEST_SUITE_P(Kvhost, ShotRefused, ::testing::ValuesIn(rows()), rowName);

} // namespace
} // namespace kvtest
