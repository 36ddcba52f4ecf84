#include "host/cli/CurveFile.h"

#include "host/HostError.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace kvhost {

namespace fs = std::filesystem;

namespace {

std::vector<std::string_view> tokens(std::string_view line) {
    std::vector<std::string_view> found;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
            ++i;
        }
        if (i > start) {
            found.push_back(line.substr(start, i - start));
        }
    }
    return found;
}

bool isCount(std::string_view text) {
    unsigned long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

std::string names(const std::vector<std::pair<std::string, int>>& curves) {
    std::string list;
    for (const auto& [name, count] : curves) {
        list += (list.empty() ? "" : ", ") + name;
    }
    return list;
}

} // namespace

std::vector<std::uint8_t> readCurveFile(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) {
        throw HostError(path + ": no such file");
    }
    if (status.type() == fs::file_type::directory) {
        throw HostError(path + ": is a folder, not a curve set");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw HostError(path + ": cannot be read");
    }
    std::vector<std::uint8_t> text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        throw HostError(path + ": cannot be read");
    }
    if (text.empty()) {
        throw HostError(path + ": is empty, not a curve set");
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::uint8_t c = text[i];
        if ((c < 0x20 && c != '\n' && c != '\r' && c != '\t') || c >= 0x7F) {
            throw HostError(path + ": is not curve set text (byte " + std::to_string(unsigned(c)) +
                            " at offset " + std::to_string(i) + ")");
        }
    }
    const std::string_view view(reinterpret_cast<const char*>(text.data()), text.size());
    const std::vector<std::string_view> first = tokens(view.substr(0, view.find('\n')));
    if (first.empty() || first[0] != "version") {
        throw HostError(path + ": is not curve set text (it starts with \"" +
                        std::string(first.empty() ? std::string_view() : first[0]) + "\", not \"version\")");
    }
    text.push_back(0);
    return text;
}

std::vector<std::pair<std::string, int>> curveNodeCounts(std::string_view text) {
    std::vector<std::pair<std::string, int>> curves;
    std::size_t current = 0; // 1 + the index of the curve whose block the lines belong to
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string_view::npos ? text.size() : end;
        const std::vector<std::string_view> words = tokens(text.substr(start, end - start));
        start = end + 1;
        if (words.size() == 2 && words[0].substr(0, 6) == "curve_" && words[0].size() > 6 &&
            isCount(words[1])) {
            curves.emplace_back(std::string(words[0].substr(6)), 0);
            current = curves.size();
        } else if (!words.empty() && words[0] == "point" && current > 0) {
            ++curves[current - 1].second;
        }
    }
    return curves;
}

void checkCurvesRead(const std::string& path, std::string_view given, std::string_view readBack) {
    const std::vector<std::pair<std::string, int>> wanted = curveNodeCounts(given);
    const std::vector<std::pair<std::string, int>> got = curveNodeCounts(readBack);
    if (wanted.empty()) {
        throw HostError(path +
                        ": holds no curves (no \"curve_NAME LENGTH\" block); this effect's curves are " +
                        names(got));
    }
    for (const auto& [name, count] : wanted) {
        const auto found = std::find_if(got.begin(), got.end(),
                                        [&name = name](const auto& curve) { return curve.first == name; });
        if (found == got.end()) {
            throw HostError(path + ": \"" + name + "\" is not a curve of this effect (its curves are " +
                            names(got) + ")");
        }
        if (found->second != count) {
            throw HostError(path + ": curve \"" + name + "\" has " + std::to_string(count) +
                            " nodes but the effect read " + std::to_string(found->second) +
                            " (a curve holds at most 40)");
        }
    }
}

} // namespace kvhost
