#pragma once
#include "host/ImageFile.h"
#include "host/Project.h"

#include <CLI/CLI.hpp>

#include <ostream>
#include <string>

namespace kvhost {

// Options and texts that more than one verb shares.

// Where the curve set text is described, for --help.
inline constexpr const char* kCurveTextDoc = "docs/curve-text.md";

// --time: seconds from 0 to a day; "nan" and "inf" are no time.
CLI::Validator timeInSeconds();

// --points, as render and panel take it.
inline constexpr const char* kPointsHelp =
    "CURVE=x,y x,y ...: a curve through these nodes (curve units, 0..1 the full range), named as in the "
    "effect's curve popup (\"channel\" or \"change\"), e.g. \"rgb=0,0 0.3,0.22 0.7,0.8 1,1\"; the effect's "
    "own editor adds each node and computes its handles; repeatable, one curve each, applied after --curves "
    "and --set";

// --max-megapixels, as every verb that reads images takes it.
void addLargestImageOption(CLI::App& verb, double& megapixels);
// Puts the option's value in force (0: the default or the environment's).
void applyLargestImage(double megapixels);

// Writes the warnings of an image file, one line each: "kvhost: warning: ...".
void printWarnings(std::ostream& err, const InputImageFile& file);

// The reader of the layer files a project records: at `depth`, with the file's warnings on `err`.
Project::LayerReader layerReaderAt(int depth, std::ostream& err);

} // namespace kvhost
