#include "host/cli/LutVerb.h"

#include "host/FileReplacement.h"
#include "host/HostError.h"
#include "host/PluginFile.h"
#include "host/cli/CommonOptions.h"
#include "host/cli/CurvePoints.h"
#include "host/cli/EffectStart.h"
#include "host/cli/LutFile.h"
#include "host/cli/LutSampling.h"
#include "host/cli/LutScope.h"
#include "host/cli/ParameterSetting.h"
#include "host/cli/ProgressLine.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <sstream>

namespace kvhost {

namespace {

constexpr int kSmallestSize = 17;
constexpr int kLargestSize = 129;
constexpr int kEntries1d = 4096;

constexpr const char* kDescription =
    "Write the effect's grade as a LUT file for OpenColorIO and grading tools.\n"
    "The grade is sampled through the effect's own float render, every sample opaque: on an N x N x N\n"
    "lattice (a 3D LUT), or, for a \"KV Curves - Absolute\" grade whose only curves away from their\n"
    "default are rgb, red, green and blue (without \"invert all\"), as 4096 entries per channel (a 1D LUT;\n"
    "--3d writes a 3D LUT all the same). Alpha is no part of a LUT: a changed alpha curve is named in a\n"
    "warning. \"KV Curves - Relative\" has a LUT only while its grade is a function of each pixel's own\n"
    "colour: no \"base layer\", \"pre blur\" 0, no changed \"post blur\" property, \"show\" \"normal\".\n"
    "Formats: cube (1D or 3D), spi3d (3D), spi1d (1D), clf (Common LUT Format, 1D or 3D); by --format or\n"
    "by OUT's extension. --range LO,HI samples the input domain LO..HI instead of 0..1 for values beyond\n"
    "0..1 (cube: DOMAIN_MIN/DOMAIN_MAX, clf: a Range node, spi1d: its From line; spi3d has none). The file\n"
    "is written whole or not at all.\n"
    "Exit code: 0 done, 1 done but the plug-in did not give back everything it was handed, 2 an error.";

// "LO,HI" with LO below HI, both finite.
std::pair<double, double> parseRange(const std::string& text) {
    const std::size_t comma = text.find(',');
    auto number = [&](std::string_view part, double& value) {
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
        return error == std::errc() && end == part.data() + part.size() && std::isfinite(value);
    };
    double low = 0.0;
    double high = 0.0;
    const std::string_view view(text);
    if (comma == std::string::npos || !number(view.substr(0, comma), low) ||
        !number(view.substr(comma + 1), high)) {
        throw HostError("--range " + text + ": not LO,HI (two numbers, e.g. --range -0.25,4)");
    }
    if (!(low < high)) {
        throw HostError("--range " + text + ": LO must be below HI");
    }
    return {low, high};
}

LutFormat chooseFormat(const std::string& given, const std::string& output) {
    if (!given.empty()) {
        const auto named = lutFormatNamed(given);
        if (!named) {
            throw HostError("--format " + given + ": unknown; choose cube, spi3d, spi1d or clf");
        }
        return *named;
    }
    const auto byExtension = lutFormatOfPath(output);
    if (!byExtension) {
        throw HostError(output +
                        ": no LUT format has this extension (.cube, .spi3d, .spi1d, .clf); name one with "
                        "--format");
    }
    return *byExtension;
}

std::string domainText(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

std::string domainText(double low, double high) {
    return domainText(low) + ".." + domainText(high);
}

} // namespace

CLI::App* LutVerb::add(CLI::App& app) {
    CLI::App* verb = app.add_subcommand("lut", kDescription);
    verb->add_option("PLUGIN", plugin_, "plug-in file (.so)")->required();
    verb->add_option("OUT", output_, "LUT file: .cube, .spi3d, .spi1d or .clf")->required();
    verb->add_option("--project", project_, "start from a saved project");
    verb->add_option("--curves", curves_,
                     std::string("curve set in its stored text form, as the \"curve\" value (") + kCurveTextDoc +
                         ")");
    verb->add_option("--points", points_, kPointsHelp)->allow_extra_args(false);
    verb->add_option("--set", settings_,
                     "NAME=VALUE: a parameter by its name, as with render; repeatable, applied in order")
        ->allow_extra_args(false);
    verb->add_option("--time", seconds_, "time in seconds of the grade (keyframes are interpolated)")
        ->check(timeInSeconds());
    verb->add_option("--size", size_, "points per side of a 3D LUT, 17 to 129 (default 33)");
    verb->add_option("--format", format_, "cube, spi3d, spi1d or clf (default: by OUT's extension)");
    verb->add_option("--range", range_, "LO,HI: the input domain sampled (default 0,1)");
    verb->add_flag("--3d", force3d_, "a 3D LUT also for a per-channel grade");
    verb->add_option("--threads", threads_, "processor count the host reports; default: the machine's")
        ->check(CLI::Range(1, 1024));
    verb->add_flag("--quiet", quiet_, "no progress line (it shows only on a terminal)");
    return verb;
}

int LutVerb::run(std::ostream& out, std::ostream& err) {
    ProgressLine progress(err, quiet_);
    // Everything that can be checked before the work is checked first.
    if (size_ < kSmallestSize || size_ > kLargestSize) {
        throw HostError("--size " + std::to_string(size_) + ": a 3D LUT has " +
                        std::to_string(kSmallestSize) + " to " + std::to_string(kLargestSize) +
                        " points per side");
    }
    const LutFormat format = chooseFormat(format_, output_);
    const auto [low, high] = range_.empty() ? std::pair{0.0, 1.0} : parseRange(range_);
    if ((low != 0.0 || high != 1.0) && !holdsDomain(format)) {
        throw HostError("--range " + range_ + ": " + lutFormatName(format) +
                        " has no input domain other than 0..1; choose cube or clf");
    }
    if (force3d_ && !holds3d(format)) {
        throw HostError("--3d: " + std::string(lutFormatName(format)) + " holds a 1D LUT only");
    }
    FileReplacement::checkDestination(output_);
    std::vector<ParameterSetting> settings;
    for (const std::string& text : settings_) {
        settings.push_back(parseSetting(text, "--set"));
    }
    std::vector<CurvePoints> points;
    for (const std::string& text : points_) {
        points.push_back(parseCurvePoints(text));
    }

    progress.stage("setting up " + plugin_);
    PluginFile plugin(plugin_);
    auto instance = startEffect(plugin, EffectStart{project_, seconds_, threads_});
    if (!curves_.empty()) {
        applyCurveFile(*instance, curves_);
    }
    for (const ParameterSetting& setting : settings) {
        applySetting(*instance, setting);
    }
    for (const CurvePoints& curve : points) {
        buildCurvePoints(*instance, curve);
    }

    const LutScope scope = lutScopeOf(*instance);
    for (const std::string& warning : scope.warnings) {
        err << "kvhost: warning: " << warning << "\n";
    }
    const bool oneDimensional = scope.perChannel && !force3d_ && holds1d(format);
    if (!oneDimensional && !holds3d(format)) {
        throw HostError(output_ + ": " + lutFormatName(format) +
                        " holds a 1D LUT, and the grade is not per channel (brightness, saturation or hue "
                        "curves, \"invert all\", or another effect); choose cube, spi3d or clf");
    }

    progress.stage(oneDimensional ? "sampling " + std::to_string(kEntries1d) + " entries"
                                  : "sampling " + std::to_string(size_) + "^3 colours");
    instance->setProgressObserver(
        [&progress](A_long current, A_long total) { progress.fraction(current, total); });
    LutTable table = oneDimensional ? sampleGrade1d(*instance, kEntries1d, low, high)
                                    : sampleGrade3d(*instance, size_, low, high);
    instance->setProgressObserver(nullptr);
    table.title = "kvhost lut of " + plugin.record().matchName;
    table.title += project_.empty() ? "" : ", project " + project_;
    table.title += curves_.empty() ? "" : ", curves " + curves_;
    for (const std::string& text : points_) {
        table.title += ", points " + text;
    }
    table.title += ", at " + domainText(seconds_) + " s";

    progress.stage("writing " + output_);
    FileReplacement file(output_);
    file.write(lutText(table, format));
    file.commit();
    progress.done();
    out << "wrote " << output_ << ": " << lutFormatName(format) << ", "
        << (oneDimensional ? std::to_string(kEntries1d) + "-entry 1D LUT (per-channel grade)"
                           : std::to_string(size_) + "^3 3D LUT")
        << ", input domain " << domainText(low, high) << "\n";

    const std::string problems = instance->problems();
    if (!problems.empty()) {
        err << problems;
        return 1;
    }
    return 0;
}

} // namespace kvhost
