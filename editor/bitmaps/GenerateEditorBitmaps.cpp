// Draws the curve editor's constant pictures and writes them as a C++ source of constant arrays:
//     kv_generate_editor_bitmaps OUTPUT.cpp
#include "EditorPictures.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

using kvbitmaps::Canvas;

class ArrayWriter {
public:
    explicit ArrayWriter(std::ostringstream& out) : out_(out) {}

    void begin(const std::string& declaration) {
        out_ << "const std::uint8_t " << declaration << " = {\n";
        column_ = 0;
    }
    void byte(unsigned value) {
        out_ << value << ",";
        if (++column_ == 24) {
            out_ << "\n";
            column_ = 0;
        }
    }
    void end() { out_ << (column_ != 0 ? "\n" : "") << "};\n\n"; }
    // Braces around one row of a two-dimensional array.
    void openRow() {
        out_ << (column_ != 0 ? "\n" : "") << "{\n";
        column_ = 0;
    }
    void closeRow() {
        out_ << (column_ != 0 ? "\n" : "") << "},\n";
        column_ = 0;
    }

    void mask(const Canvas& c) {
        for (int y = 0; y < c.height(); ++y) {
            for (int x = 0; x < c.width(); ++x) {
                byte(c.maskByte(x, y));
            }
        }
    }
    void rgb(const Canvas& c) {
        for (int y = 0; y < c.height(); ++y) {
            for (int x = 0; x < c.width(); ++x) {
                for (int k = 0; k < 3; ++k) {
                    byte(c.colourByte(x, y, k));
                }
            }
        }
    }

private:
    std::ostringstream& out_;
    int column_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.cpp\n", argv[0]);
        return 2;
    }
    std::ostringstream text;
    text << "// Made by editor/bitmaps/GenerateEditorBitmaps.cpp; do not edit.\n"
         << "#include \"editor/EditorBitmaps.h\"\n\nnamespace korvane::bitmaps {\n\n";
    ArrayWriter out(text);

    out.begin("kPanelMask[kPanelMaskWidth * kPanelMaskHeight]");
    out.mask(kvbitmaps::drawPanelMask());
    out.end();

    const kvbitmaps::SheetStyle styles[2] = {kvbitmaps::normalStyle(), kvbitmaps::highlightedStyle()};
    const char* const names[2] = {"Normal", "Highlighted"};
    for (int s = 0; s < 2; ++s) {
        out.begin(std::string("kIcons") + names[s] + "[kIconCount * kIconPixels * 3]");
        for (int icon = 0; icon < kvbitmaps::kIconCount; ++icon) {
            out.rgb(kvbitmaps::drawIcon(icon, styles[s]));
        }
        out.end();
        out.begin(std::string("kIconMasks") + names[s] + "[kIconCount * kIconPixels]");
        for (int icon = 0; icon < kvbitmaps::kIconCount; ++icon) {
            out.mask(kvbitmaps::drawIcon(icon, styles[s]));
        }
        out.end();
    }

    out.begin("kLinkedStrips[2][kStripPixels * 4]");
    for (bool linked : {false, true}) {
        const Canvas strip = kvbitmaps::drawLinkedStrip(linked);
        out.openRow();
        out.rgb(strip);
        out.mask(strip);
        out.closeRow();
    }
    out.end();

    out.begin("kToolColumnMask[kToolColumnWidth * kToolColumnHeight]");
    out.mask(kvbitmaps::drawToolColumnMask());
    out.end();

    const Canvas corner = kvbitmaps::drawFrameCorner();
    out.begin("kFrameCorner[kFrameCornerSize * kFrameCornerSize * 3]");
    out.rgb(corner);
    out.end();
    out.begin("kFrameCornerMask[kFrameCornerSize * kFrameCornerSize]");
    out.mask(corner);
    out.end();
    const int middle = corner.width() - 1;
    out.begin("kFrameEdgeRows[kFrameCornerSize]");
    for (int row = 0; row < corner.height(); ++row) {
        out.byte(corner.maskByte(middle, row));
    }
    out.end();
    out.begin("kFrameEdgeColumns[kFrameCornerSize]");
    for (int column = 0; column < corner.width(); ++column) {
        out.byte(corner.maskByte(column, middle));
    }
    out.end();

    out.begin("kDigitFont[kFontWidth * kFontHeight]");
    for (std::uint8_t value : kvbitmaps::drawDigitFont()) {
        out.byte(value);
    }
    out.end();

    text << "} // namespace korvane::bitmaps\n";

    // Written whole or not at all, so a failed run never leaves half a source behind.
    const std::string path = argv[1];
    const std::string temporary = path + ".tmp";
    {
        std::ofstream file(temporary, std::ios::binary);
        file << text.str();
        if (!file) {
            std::fprintf(stderr, "cannot write %s\n", temporary.c_str());
            return 1;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}
