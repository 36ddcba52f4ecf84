// Frame-numbered file names, frame lists and chunks, as tables.
#include "host/HostError.h"
#include "host/cli/FrameProgress.h"
#include "host/cli/FrameSequence.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

namespace kvhost {
namespace {

using ::testing::HasSubstr;

TEST(FramePatternTest, NamesTheFileOfEachFrame) {
    struct Row {
        const char* text;
        long frame;
        const char* name; // nullptr: not a sequence
    };
    const Row rows[] = {
        {"in.####.exr", 7, "in.0007.exr"},
        {"in.####.exr", 123456, "in.123456.exr"}, // wider than the padding: written whole
        {"#.png", 0, "0.png"},
        {"shot/in.%04d.png", 42, "shot/in.0042.png"},
        {"in.%d.png", 42, "in.42.png"},
        {"in.%01d.png", 5, "in.5.png"},
        {"a/#####", 12, "a/00012"},
        {"grade 50%.png", 3, nullptr},    // a "%" that is no %d is part of the name
        {"in.%4d.png", 3, nullptr},       // printf pads that with spaces: not a frame number here
        {"in.%%04d.png", 3, "in.%0003.png"}, // the second "%" starts the number
        {"in.png", 3, nullptr},
    };
    for (const Row& row : rows) {
        const FramePattern pattern(row.text, "INPUT");
        EXPECT_EQ(pattern.sequence(), row.name != nullptr) << row.text;
        EXPECT_EQ(pattern.name(row.frame), row.name ? row.name : row.text) << row.text;
    }
}

TEST(FramePatternTest, RefusesTwoFrameNumbersAndWidePadding) {
    const std::pair<const char*, const char*> rows[] = {
        {"in.##.##.png", "has two"},
        {"in.##.%02d.png", "has two"},
        {"in.%02d.%d.png", "has two"},
        {"in.%010d.png", "is not 1 to 9 digits"},
        {"in.%00d.png", "is not 1 to 9 digits"},
    };
    for (const auto& [text, says] : rows) {
        try {
            FramePattern(text, "OUTPUT");
            ADD_FAILURE() << text << " was taken";
        } catch (const HostError& error) {
            EXPECT_THAT(error.what(), HasSubstr(std::string("OUTPUT \"") + text + "\"")) << text;
            EXPECT_THAT(error.what(), HasSubstr(says)) << text;
        }
    }
}

TEST(FrameListTest, RangesStepsAndListsGiveTheFramesInOrderOnce) {
    const std::pair<const char*, std::vector<long>> rows[] = {
        {"1-5", {1, 2, 3, 4, 5}},
        {"7", {7}},
        {"0-0", {0}},
        {"1-10x3", {1, 4, 7, 10}},
        {"1-10x4", {1, 5, 9}}, // the step overshoots: it stops before the last frame
        {"30-40x2", {30, 32, 34, 36, 38, 40}},
        {"1-3,20,30-34x2", {1, 2, 3, 20, 30, 32, 34}},
        {"20,1-3", {1, 2, 3, 20}},
        {"1-4,3-6", {1, 2, 3, 4, 5, 6}}, // overlaps render once
        {"5-5x9", {5}},
    };
    for (const auto& [text, frames] : rows) {
        EXPECT_EQ(parseFrameList(text), frames) << text;
    }
}

TEST(FrameListTest, RefusesWhatIsNoFrameListNamingTheItem) {
    const std::pair<const char*, const char*> rows[] = {
        {"", "no frames"},
        {"1-5,", "an empty item"},
        {",3", "an empty item"},
        {"1,,3", "an empty item"},
        {"10-1", "the last frame 1 is before the first 10"},
        {"1-3,9-2", "\"9-2\": the last frame 2 is before the first 9"},
        {"1-10x0", "a step of 0"},
        {"1-10x", "the step \"\" is not a whole number"},
        {"1-10x-2", "the step \"-2\" is not a whole number"},
        {"-5", "the first frame \"\" is not a whole frame number"},
        {"a-b", "the first frame \"a\""},
        {"1-b", "the last frame \"b\""},
        {"1.5", "not a whole frame number"},
        {" 1", "not a whole frame number"},
        {"1-100000000", "the last frame \"100000000\" is not a whole frame number from 0 to 99999999"},
        {"0-99999999", "more than 1000000 frames"},
        {"0-600000,700000-1300000", "more than 1000000 frames"},
    };
    for (const auto& [text, says] : rows) {
        try {
            parseFrameList(text);
            ADD_FAILURE() << "\"" << text << "\" was taken";
        } catch (const HostError& error) {
            EXPECT_THAT(error.what(), HasSubstr(std::string("--frames \"") + text + "\"")) << text;
            EXPECT_THAT(error.what(), HasSubstr(says)) << text;
        }
    }
}

TEST(FrameListTest, ListTextWritesRunsAsRanges) {
    EXPECT_EQ(frameListText({1, 2, 3, 7, 9, 10}), "1-3,7,9-10");
    EXPECT_EQ(frameListText({4}), "4");
    EXPECT_EQ(frameListText({}), "");
}

TEST(ChunkTest, SlicesAreContiguousNearlyEqualAndCoverTheFramesOnce) {
    struct Row {
        long frames;
        long count;
        std::vector<long> sizes;
    };
    const Row rows[] = {
        {12, 3, {4, 4, 4}}, {10, 3, {4, 3, 3}}, {11, 3, {4, 4, 3}}, {2, 4, {1, 1, 0, 0}}, {5, 1, {5}},
    };
    for (const Row& row : rows) {
        std::vector<long> frames;
        for (long f = 0; f < row.frames; ++f) {
            frames.push_back(100 + 2 * f);
        }
        std::vector<long> joined;
        for (long i = 1; i <= row.count; ++i) {
            const std::vector<long> slice = chunkOf(frames, Chunk{i, row.count});
            EXPECT_EQ(long(slice.size()), row.sizes[std::size_t(i - 1)]) << row.frames << " in " << row.count;
            joined.insert(joined.end(), slice.begin(), slice.end());
        }
        EXPECT_EQ(joined, frames) << row.frames << " in " << row.count;
    }
}

TEST(ChunkTest, ReadsIOfNAndRefusesSlicesThatDoNotExist) {
    const Chunk chunk = parseChunk("2/7");
    EXPECT_EQ(chunk.index, 2);
    EXPECT_EQ(chunk.count, 7);
    const std::pair<const char*, const char*> rows[] = {
        {"0/4", "numbered from 1 to 4"}, {"5/4", "numbered from 1 to 4"}, {"1/0", "N is at least 1"},
        {"3", "not I/N"},                {"a/4", "not I/N"},              {"1/4/2", "not I/N"},
        {"-1/4", "not I/N"},             {"", "not I/N"},
    };
    for (const auto& [text, says] : rows) {
        try {
            parseChunk(text);
            ADD_FAILURE() << "\"" << text << "\" was taken";
        } catch (const HostError& error) {
            EXPECT_THAT(error.what(), HasSubstr(std::string("--chunk \"") + text + "\"")) << text;
            EXPECT_THAT(error.what(), HasSubstr(says)) << text;
        }
    }
}

TEST(FrameProgressTest, OffATerminalEachFrameIsOneLineAndQuietIsSilent) {
    std::ostringstream log;
    {
        FrameProgress progress(log, false, false, 3);
        progress.written(10, "out.0010.png");
        progress.skipped(11, "out.0011.png");
        progress.failed();
        progress.message("kvhost: frame 12: in.0012.png: no such file");
    }
    EXPECT_EQ(log.str(), "kvhost: frame 10: wrote out.0010.png (1/3)\n"
                         "kvhost: frame 11: out.0011.png is there already, left alone (2/3)\n"
                         "kvhost: frame 12: in.0012.png: no such file\n");
    std::ostringstream quiet;
    {
        FrameProgress progress(quiet, true, true, 2);
        progress.written(1, "a");
        progress.message("kvhost: frame 2: failed");
    }
    EXPECT_EQ(quiet.str(), "kvhost: frame 2: failed\n") << "failures are written even when quiet";
}

TEST(FrameProgressTest, OnATerminalOneBarIsRewrittenAndClearedAtTheEnd) {
    std::ostringstream bar;
    {
        FrameProgress progress(bar, false, true, 4);
        progress.written(1, "a");
        progress.written(2, "b");
    }
    const std::string text = bar.str();
    EXPECT_EQ(text.find('\n'), std::string::npos) << "a bar, not lines";
    EXPECT_THAT(text, HasSubstr("[###############---------------] 2/4 frames"));
    EXPECT_THAT(text, HasSubstr("frames/s"));
    EXPECT_THAT(text, HasSubstr("left"));
    EXPECT_EQ(text.substr(text.size() - 4), "\r\033[K") << "the bar is cleared at the end";
}

} // namespace
} // namespace kvhost
