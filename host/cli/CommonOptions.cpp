#include "host/cli/CommonOptions.h"

#include <cmath>
#include <cstdlib>

namespace kvhost {

namespace {

constexpr double kLongestTime = 86400.0;

} // namespace

CLI::Validator timeInSeconds() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            char* end = nullptr;
            const double seconds = std::strtod(text.c_str(), &end);
            if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(seconds)) {
                return "\"" + text + "\" is not a finite number of seconds";
            }
            if (seconds < 0.0 || seconds > kLongestTime) {
                return text + " is outside 0 to 86400 seconds";
            }
            return std::string();
        },
        "SECONDS in 0..86400");
}

void addLargestImageOption(CLI::App& verb, double& megapixels) {
    verb.add_option("--max-megapixels", megapixels,
                    "refuse images that claim more pixels than this, from their header, before reading "
                    "them (default " +
                        std::to_string(int(kDefaultLargestMegapixels)) +
                        ", or KVHOST_MAX_MEGAPIXELS in the environment)")
        ->check(CLI::PositiveNumber);
}

void applyLargestImage(double megapixels) {
    if (megapixels > 0.0) {
        setLargestMegapixels(megapixels);
    }
}

void printWarnings(std::ostream& err, const InputImageFile& file) {
    for (const std::string& warning : file.warnings()) {
        err << "kvhost: warning: " << warning << "\n";
    }
}

Project::LayerReader layerReaderAt(int depth, std::ostream& err) {
    return [depth, &err](const std::string& path) {
        InputImageFile file(path);
        printWarnings(err, file);
        return std::make_shared<const HostImage>(file.read(depth));
    };
}

} // namespace kvhost
