#include "host/cli/FrameSequence.h"

#include "host/HostError.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace kvhost {

namespace {

// Widths above this are a typing slip, not a padding.
constexpr int kWidestPadding = 9;

// A whole number from 0 to `largest`, all of `text`; false for anything else (signs, spaces, empty).
bool wholeNumber(std::string_view text, long largest, long& value) {
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value <= largest;
}

} // namespace

FramePattern::FramePattern(const std::string& text, const std::string& what) : text_(text) {
    auto refuse = [&](const std::string& fault) {
        throw HostError(what + " \"" + text + "\": " + fault);
    };
    std::size_t start = std::string::npos;
    std::size_t length = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '#') {
            const std::size_t end = text.find_first_not_of('#', i);
            const std::size_t run = (end == std::string::npos ? text.size() : end) - i;
            if (start != std::string::npos) {
                refuse("a name holds one frame number, and this one has two");
            }
            start = i;
            length = run;
            digits_ = int(run);
            i += run;
            continue;
        }
        if (text[i] == '%') {
            std::size_t j = i + 1;
            std::string width;
            while (j < text.size() && text[j] >= '0' && text[j] <= '9') {
                width += text[j++];
            }
            if (j >= text.size() || text[j] != 'd' || (!width.empty() && width[0] != '0')) {
                ++i; // any other "%" is part of the name
                continue;
            }
            if (start != std::string::npos) {
                refuse("a name holds one frame number, and this one has two");
            }
            long padding = 0;
            if (!width.empty() && (!wholeNumber(width, kWidestPadding, padding) || padding == 0)) {
                refuse("the padding of " + text.substr(i, j + 1 - i) + " is not 1 to " +
                       std::to_string(kWidestPadding) + " digits");
            }
            start = i;
            length = j + 1 - i;
            digits_ = int(padding);
            i = j + 1;
            continue;
        }
        ++i;
    }
    if (start == std::string::npos) {
        return;
    }
    sequence_ = true;
    prefix_ = text.substr(0, start);
    suffix_ = text.substr(start + length);
}

std::string FramePattern::name(long frame) const {
    if (!sequence_) {
        return text_;
    }
    std::string number = std::to_string(frame);
    if (int(number.size()) < digits_) {
        number.insert(0, std::size_t(digits_) - number.size(), '0');
    }
    return prefix_ + number + suffix_;
}

std::vector<long> parseFrameList(const std::string& text) {
    auto refuse = [&](const std::string& item, const std::string& fault) {
        throw HostError("--frames \"" + text + "\": " + (item.empty() || item == text ? "" : "\"" + item + "\": ") + fault);
    };
    if (text.empty()) {
        refuse("", "no frames (write A-B, A-BxSTEP or single frames, separated by commas)");
    }
    std::vector<long> frames;
    std::size_t at = 0;
    while (true) {
        const std::size_t comma = text.find(',', at);
        const std::string item = text.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        if (item.empty()) {
            refuse("", "an empty item (write A-B, A-BxSTEP or single frames, separated by commas)");
        }
        const std::string number = "a whole frame number from 0 to " + std::to_string(kLastFrameNumber);
        const std::size_t dash = item.find('-');
        long first = 0;
        long last = 0;
        long step = 1;
        if (dash == std::string::npos) {
            if (!wholeNumber(item, kLastFrameNumber, first)) {
                refuse(item, "not " + number);
            }
            last = first;
        } else {
            const std::size_t x = item.find('x', dash);
            const std::string a = item.substr(0, dash);
            const std::string b = item.substr(dash + 1, x == std::string::npos ? std::string::npos : x - dash - 1);
            if (!wholeNumber(a, kLastFrameNumber, first)) {
                refuse(item, "the first frame \"" + a + "\" is not " + number);
            }
            if (!wholeNumber(b, kLastFrameNumber, last)) {
                refuse(item, "the last frame \"" + b + "\" is not " + number);
            }
            if (x != std::string::npos) {
                const std::string s = item.substr(x + 1);
                if (!wholeNumber(s, kLastFrameNumber, step)) {
                    refuse(item, "the step \"" + s + "\" is not a whole number");
                }
                if (step == 0) {
                    refuse(item, "a step of 0 never reaches the last frame");
                }
            }
            if (last < first) {
                refuse(item, "the last frame " + std::to_string(last) + " is before the first " +
                                 std::to_string(first));
            }
        }
        if (long((last - first) / step) + 1 > kMostFrames - long(frames.size())) {
            refuse(item, "more than " + std::to_string(kMostFrames) + " frames");
        }
        for (long frame = first; frame <= last; frame += step) {
            frames.push_back(frame);
        }
        if (comma == std::string::npos) {
            break;
        }
        at = comma + 1;
    }
    std::sort(frames.begin(), frames.end());
    frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
    return frames;
}

Chunk parseChunk(const std::string& text) {
    const std::size_t slash = text.find('/');
    Chunk chunk;
    const bool parsed = slash != std::string::npos && wholeNumber(text.substr(0, slash), kMostFrames, chunk.index) &&
                        wholeNumber(text.substr(slash + 1), kMostFrames, chunk.count);
    if (!parsed) {
        throw HostError("--chunk \"" + text + "\": not I/N (the I-th of N slices of the frames, from 1)");
    }
    if (chunk.count < 1 || chunk.index < 1 || chunk.index > chunk.count) {
        throw HostError("--chunk \"" + text + "\": the slice is numbered from 1 to " +
                        std::to_string(std::max(1L, chunk.count)) + (chunk.count < 1 ? " (N is at least 1)" : ""));
    }
    return chunk;
}

std::vector<long> chunkOf(const std::vector<long>& frames, const Chunk& chunk) {
    const long total = long(frames.size());
    const long base = total / chunk.count;
    const long larger = total % chunk.count; // the first `larger` slices hold one frame more
    const long i = chunk.index - 1;
    const long begin = i * base + std::min(i, larger);
    const long size = base + (i < larger ? 1 : 0);
    return std::vector<long>(frames.begin() + begin, frames.begin() + begin + size);
}

std::string frameListText(const std::vector<long>& frames) {
    std::string text;
    for (std::size_t i = 0; i < frames.size();) {
        std::size_t j = i;
        while (j + 1 < frames.size() && frames[j + 1] == frames[j] + 1) {
            ++j;
        }
        text += (text.empty() ? "" : ",") + std::to_string(frames[i]);
        if (j > i) {
            text += "-" + std::to_string(frames[j]);
        }
        i = j + 1;
    }
    return text;
}

} // namespace kvhost
