#pragma once
#include <string>
#include <vector>

namespace kvhost {

// A file name that holds a frame number: a run of "#" (one per digit, zero-padded: "in.####.exr" is
// in.0007.exr for frame 7) or printf's "%d" / "%0Nd" ("in.%04d.exr"). A number wider than the padding is
// written whole, as printf writes it. Any other "%" is part of the name; a name without a frame number is
// one file, not a sequence.
class FramePattern {
public:
    // Throws HostError quoting `what` ("INPUT", "--layer base layer") and the text when the name holds
    // more than one frame number or a %0Nd padding of more than 9 digits.
    FramePattern(const std::string& text, const std::string& what);

    const std::string& text() const { return text_; }
    bool sequence() const { return sequence_; }
    // The file of a frame; the text itself when the name is not a sequence.
    std::string name(long frame) const;

private:
    std::string text_;
    std::string prefix_;
    std::string suffix_;
    int digits_ = 0;
    bool sequence_ = false;
};

// The most frames one run takes: a typing slip such as 1-100000000 is refused before any memory is taken.
inline constexpr long kMostFrames = 1000000;
// Frame numbers from 0 up to this.
inline constexpr long kLastFrameNumber = 99999999;

// A frame list as --frames takes it: items separated by commas, each a frame "20", a range "1-10" or a
// range with a step "30-40x2" (30, 32, ..., 40; a step that overshoots stops before B). The frames come
// back in ascending order, each once. Throws HostError quoting the list and the item at fault: an empty
// list or item, B before A, a step of 0, a number that is not a whole number from 0 to kLastFrameNumber,
// more than kMostFrames frames.
std::vector<long> parseFrameList(const std::string& text);

// --chunk I/N: the I-th (from 1) of N contiguous slices of `frames`, as equal as can be (the first
// frames.size() % N slices hold one frame more). Throws HostError naming the text when it is not I/N
// with 1 <= I <= N.
struct Chunk {
    long index = 1;
    long count = 1;
};
Chunk parseChunk(const std::string& text);
std::vector<long> chunkOf(const std::vector<long>& frames, const Chunk& chunk);

// "1-10,20,30-40x2" back from a list of frames: runs of one step written as ranges.
std::string frameListText(const std::vector<long>& frames);

} // namespace kvhost
