#include "host/cli/CurveFile.h"

#include "host/CurveSetText.h"
#include "host/InputFile.h"

namespace kvhost {

std::vector<std::uint8_t> readCurveFile(const std::string& path) {
    const std::string text = withLineFeeds(readInputFile(path, kLargestTextFile, "a curve set"));
    checkCurveSetText(path, text);
    std::vector<std::uint8_t> flat(text.begin(), text.end());
    flat.push_back(0);
    return flat;
}

} // namespace kvhost
