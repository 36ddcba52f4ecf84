#include "host/CurveSetText.h"

#include "host/HostError.h"
#include "host/Printable.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace kvhost {

namespace {

constexpr std::string_view kCurvePrefix = "curve_";
constexpr std::string_view kValuesPrefix = "curve_values_";
constexpr std::size_t kPointValues = 9;
constexpr std::size_t kPointCoordinates = 6;
constexpr const char* kPointValueNames[kPointValues] = {
    "x", "y", "leftDx", "leftDy", "rightDx", "rightDy", "linked", "leftMode", "rightMode"};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::vector<std::string_view> tokens(std::string_view line) {
    std::vector<std::string_view> found;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isBlank(line[i])) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && !isBlank(line[i])) {
            ++i;
        }
        if (i > start) {
            found.push_back(line.substr(start, i - start));
        }
    }
    return found;
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool isWholeNumber(std::string_view text) {
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// A decimal number as strtod reads it, "nan" and "inf" included; false for anything with other bytes.
bool isNumber(std::string_view text, double* value) {
    const std::string copy(text);
    char* end = nullptr;
    *value = std::strtod(copy.c_str(), &end);
    return !copy.empty() && end == copy.c_str() + copy.size();
}

// A number as the plug-in writes it: six significant digits, as the general conversion chooses.
std::string stored(double value) {
    std::array<char, 64> buffer{};
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::general, 6);
    return std::string(buffer.data(), result.ptr);
}

std::string lineText(int line) {
    return "line " + std::to_string(line);
}

std::string quoted(std::string_view text) {
    return "\"" + printable(text) + "\"";
}

// Whether the plug-in kept this point as given: each coordinate reads back as its stored form.
bool keptAs(const CurvePointText& given, const CurvePointText& read) {
    if (given.values.size() < kPointCoordinates || read.values.size() < kPointCoordinates) {
        return false;
    }
    for (std::size_t i = 0; i < kPointCoordinates; ++i) {
        double value = 0.0;
        double readValue = 0.0;
        if (!isNumber(given.values[i], &value) || !isNumber(read.values[i], &readValue) ||
            stored(value) != stored(readValue)) {
            return false;
        }
    }
    return true;
}

// Why the plug-in would not keep a point: its first value that is not a finite number, else the largest.
std::string droppedBecause(const CurvePointText& point) {
    std::size_t largest = 0;
    double largestMagnitude = -1.0;
    for (std::size_t i = 0; i < kPointCoordinates && i < point.values.size(); ++i) {
        double value = 0.0;
        isNumber(point.values[i], &value);
        const std::string what = std::string("its ") + kPointValueNames[i] + " " + quoted(point.values[i]);
        if (std::isnan(value)) {
            return what + " is not a number";
        }
        if (std::isinf(value)) {
            return what + " is infinite";
        }
        if (std::abs(value) > largestMagnitude) {
            largestMagnitude = std::abs(value);
            largest = i;
        }
    }
    return std::string("its ") + kPointValueNames[largest] + " " + quoted(point.values[largest]) +
           " lies beyond the coordinates the effect keeps";
}

// Whether the plug-in keeps this point when the curve holds it alone.
bool keptAlone(const CurveBlockText& curve, const CurvePointText& point, const CurveSetReader& readAlone) {
    if (!readAlone) {
        return true;
    }
    std::string block = "version 0\nloop 0\npoint";
    for (const std::string_view value : point.values) {
        block += " " + std::string(value);
    }
    block += "\n";
    const std::string text =
        "version 0\ncurve_" + std::string(curve.name) + " " + std::to_string(block.size()) + "\n" + block;
    const std::string readBack = readAlone(text);
    for (const CurveBlockText& read : CurveSetText::parse(readBack).curves) {
        if (read.name == curve.name) {
            return read.points.size() == 1 && keptAs(point, read.points[0]);
        }
    }
    return false;
}

} // namespace

CurveSetText CurveSetText::parse(std::string_view text) {
    CurveSetText set;
    bool inBlock = false;       // the lines belong to set.curves.back()
    std::size_t blockStart = 0; // offset of the line after the block's header
    auto endBlock = [&](std::size_t at) {
        if (inBlock) {
            set.curves.back().blockLength = at - std::min(at, blockStart);
            inBlock = false;
        }
    };
    std::size_t start = 0;
    int number = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string_view::npos ? text.size() : end;
        const std::string_view line = text.substr(start, end - start);
        ++number;
        const std::vector<std::string_view> words = tokens(line);
        if (startsWith(line, kCurvePrefix)) {
            endBlock(start);
            if (startsWith(line, kValuesPrefix)) {
                set.values.push_back(
                    CurveValuesText{words[0].substr(kValuesPrefix.size()), number,
                                    std::vector<std::string_view>(words.begin() + 1, words.end())});
            } else {
                CurveBlockText curve;
                curve.name = words[0].substr(kCurvePrefix.size());
                curve.line = number;
                curve.header = line;
                curve.declaredLength = words.size() > 1 ? words[1] : std::string_view();
                set.curves.push_back(curve);
                inBlock = true;
                blockStart = end + 1;
            }
        } else if (!words.empty() && words[0] == "point") {
            if (inBlock) {
                set.curves.back().points.push_back(
                    CurvePointText{number, std::vector<std::string_view>(words.begin() + 1, words.end())});
            } else {
                set.strayLines.push_back(number);
            }
        } else if (!words.empty() && words[0] == "loop" && !inBlock) {
            set.strayLines.push_back(number);
        }
        start = end + 1;
    }
    endBlock(text.size());
    return set;
}

std::string CurveSetText::curveNames() const {
    std::string list;
    for (const CurveBlockText& curve : curves) {
        list += (list.empty() ? "" : ", ") + std::string(curve.name);
    }
    return list;
}

void checkCurveSetText(const std::string& source, std::string_view text) {
    if (text.empty()) {
        throw HostError(source + ": is empty, not a curve set");
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\n' && c != '\r' && c != '\t') || c >= 0x7F) {
            throw HostError(source + ": is not curve set text (byte " + std::to_string(unsigned(c)) +
                            " at offset " + std::to_string(i) + ")");
        }
    }
    const std::vector<std::string_view> first = tokens(text.substr(0, text.find('\n')));
    if (first.empty() || first[0] != "version") {
        throw HostError(source + ": is not curve set text (it starts with " +
                        quoted(first.empty() ? std::string_view() : first[0]) + ", not \"version\")");
    }
    const CurveSetText set = CurveSetText::parse(text);
    if (!set.strayLines.empty()) {
        throw HostError(source + ": " + lineText(set.strayLines[0]) +
                        " belongs to a curve but stands before any \"curve_NAME LENGTH\" line");
    }
    for (const CurveBlockText& curve : set.curves) {
        const std::string where = source + ": " + lineText(curve.line) + " " + quoted(curve.header);
        const std::string wellFormed =
            "curve_" + std::string(curve.name) + " " + std::string(curve.declaredLength);
        if (curve.name.empty() || curve.declaredLength.empty() || curve.header != wellFormed ||
            !isWholeNumber(curve.declaredLength)) {
            throw HostError(where + " is not \"curve_NAME LENGTH\" (one blank between, nothing after, the " +
                            "length in bytes)");
        }
        if (std::stoull(std::string(curve.declaredLength)) != curve.blockLength) {
            throw HostError(source + ": curve \"" + printable(curve.name) + "\" (" + lineText(curve.line) +
                            ") gives its length as " + std::string(curve.declaredLength) +
                            " bytes, but its text up to the next \"curve_\" line is " +
                            std::to_string(curve.blockLength) + " bytes");
        }
        for (const CurvePointText& point : curve.points) {
            const std::string at =
                source + ": curve \"" + printable(curve.name) + "\", " + lineText(point.line);
            if (point.values.size() != kPointValues) {
                throw HostError(at + ": a point has " + std::to_string(kPointValues) +
                                " values (x y leftDx leftDy rightDx rightDy linked leftMode rightMode), this "
                                "one " +
                                std::to_string(point.values.size()));
            }
            for (std::size_t i = 0; i < kPointValues; ++i) {
                double value = 0.0;
                const bool number = i < kPointCoordinates ? isNumber(point.values[i], &value)
                                                          : isWholeNumber(point.values[i]);
                if (!number) {
                    throw HostError(at + ": " + kPointValueNames[i] + " " + quoted(point.values[i]) +
                                    " is not " + (i < kPointCoordinates ? "a number" : "a whole number"));
                }
            }
        }
    }
}

CurveSetReader curveSetReader(EffectInstance& instance, int index) {
    return [&instance, index](const std::string& text) {
        std::vector<std::uint8_t> flat(text.begin(), text.end());
        flat.push_back(0);
        const std::vector<std::uint8_t> readBack = instance.arbitraryReadBack(index, flat);
        const std::string_view back(reinterpret_cast<const char*>(readBack.data()), readBack.size());
        return std::string(back.substr(0, back.find('\0')));
    };
}

void checkCurvesKept(const std::string& source, std::string_view given, std::string_view readBack,
                     const CurveSetReader& readAlone) {
    const CurveSetText wanted = CurveSetText::parse(given);
    const CurveSetText got = CurveSetText::parse(readBack);
    if (wanted.curves.empty() && wanted.values.empty()) {
        throw HostError(source +
                        ": holds no curves (no \"curve_NAME LENGTH\" block); this effect's curves are " +
                        got.curveNames());
    }
    for (const CurveBlockText& curve : wanted.curves) {
        const CurveBlockText* read = nullptr;
        for (const CurveBlockText& candidate : got.curves) {
            read = candidate.name == curve.name ? &candidate : read;
        }
        if (!read) {
            throw HostError(source + ": \"" + printable(curve.name) +
                            "\" is not a curve of this effect (its " + "curves are " + got.curveNames() +
                            ")");
        }
        // The plug-in keeps points in the order given and skips those it drops.
        std::size_t kept = 0;
        for (const CurvePointText& point : curve.points) {
            if (kept < read->points.size() && keptAs(point, read->points[kept])) {
                ++kept;
                continue;
            }
            const std::string at = source + ": curve \"" + std::string(curve.name) + "\"";
            if (kept == read->points.size() && keptAlone(curve, point, readAlone)) {
                throw HostError(at + " has " + std::to_string(curve.points.size()) +
                                " nodes but the effect read " + std::to_string(read->points.size()) +
                                " (it keeps at most " + std::to_string(read->points.size()) + ")");
            }
            throw HostError(at + ", " + lineText(point.line) +
                            ": the effect dropped this point: " + droppedBecause(point));
        }
    }
    for (const CurveValuesText& values : wanted.values) {
        const CurveValuesText* read = nullptr;
        for (const CurveValuesText& candidate : got.values) {
            read = candidate.name == values.name ? &candidate : read;
        }
        const std::string at =
            source + ": " + lineText(values.line) + " \"curve_values_" + printable(values.name) + "\"";
        if (!read) {
            throw HostError(at + ": \"" + printable(values.name) + "\" is not a curve of this effect");
        }
        for (std::size_t i = 0; i < values.values.size() && i < read->values.size(); ++i) {
            double value = 0.0;
            const bool same = isNumber(values.values[i], &value) &&
                              (stored(value) == read->values[i] ||
                               (isWholeNumber(values.values[i]) && values.values[i] == read->values[i]));
            if (!same) {
                throw HostError(at + ": value " + std::to_string(i + 1) + " " + quoted(values.values[i]) +
                                " was not taken (the effect kept " + quoted(read->values[i]) + ")");
            }
        }
        if (values.values.size() != read->values.size()) {
            throw HostError(at + " has " + std::to_string(values.values.size()) + " values, the effect's " +
                            std::to_string(read->values.size()));
        }
    }
}

} // namespace kvhost
