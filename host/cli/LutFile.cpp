#include "host/cli/LutFile.h"

#include "host/HostError.h"

#include <charconv>
#include <cmath>
#include <cstddef>

namespace kvhost {

namespace {

// The shortest text that reads back as the same float.
void appendNumber(std::string& text, double value) {
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)error; // 32 characters hold any double
    text.append(buffer, end);
}

void appendNumber(std::string& text, float value) {
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)error;
    text.append(buffer, end);
}

std::string number(double value) {
    std::string text;
    appendNumber(text, value);
    return text;
}

void appendEntry(std::string& text, const LutTable& table, std::size_t entry, const char* indent) {
    text += indent;
    for (int c = 0; c < 3; ++c) {
        if (c > 0) {
            text += ' ';
        }
        appendNumber(text, table.rgb[entry * 3 + std::size_t(c)]);
    }
    text += '\n';
}

bool unitDomain(const LutTable& table) {
    return table.domainLow == 0.0 && table.domainHigh == 1.0;
}

std::size_t entryCount(const LutTable& table) {
    const auto n = std::size_t(table.size);
    return table.dimensions == 3 ? n * n * n : n;
}

// Entry of lattice point (r, g, b) in the table's red-fastest order.
std::size_t latticeEntry(const LutTable& table, int r, int g, int b) {
    const auto n = std::size_t(table.size);
    return (std::size_t(b) * n + std::size_t(g)) * n + std::size_t(r);
}

std::string xmlEscaped(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string oneLine(const std::string& text) {
    std::string line;
    for (const char c : text) {
        line += c == '\n' || c == '\r' || c == '"' ? ' ' : c;
    }
    return line;
}

std::string cubeText(const LutTable& table) {
    std::string text = "TITLE \"" + oneLine(table.title) + "\"\n";
    text += (table.dimensions == 3 ? "LUT_3D_SIZE " : "LUT_1D_SIZE ") + std::to_string(table.size) + "\n";
    if (!unitDomain(table)) {
        const std::string low = number(table.domainLow);
        const std::string high = number(table.domainHigh);
        text += "DOMAIN_MIN " + low + " " + low + " " + low + "\n";
        text += "DOMAIN_MAX " + high + " " + high + " " + high + "\n";
    }
    // Both forms list red fastest, which is the table's own order.
    for (std::size_t e = 0; e < entryCount(table); ++e) {
        appendEntry(text, table, e, "");
    }
    return text;
}

std::string spi3dText(const LutTable& table) {
    const std::string n = std::to_string(table.size);
    std::string text = "SPILUT 1.0\n3 3\n" + n + " " + n + " " + n + "\n";
    for (int r = 0; r < table.size; ++r) {
        for (int g = 0; g < table.size; ++g) {
            for (int b = 0; b < table.size; ++b) {
                text += std::to_string(r) + " " + std::to_string(g) + " " + std::to_string(b) + " ";
                appendEntry(text, table, latticeEntry(table, r, g, b), "");
            }
        }
    }
    return text;
}

std::string spi1dText(const LutTable& table) {
    std::string text = "Version 1\nFrom " + number(table.domainLow) + " " + number(table.domainHigh) +
                       "\nLength " + std::to_string(table.size) + "\nComponents 3\n{\n";
    for (std::size_t e = 0; e < entryCount(table); ++e) {
        appendEntry(text, table, e, "    ");
    }
    return text + "}\n";
}

std::string clfText(const LutTable& table) {
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<ProcessList id=\"kvhost-lut\" compCLFversion=\"3\">\n"
                       "    <Description>" +
                       xmlEscaped(oneLine(table.title)) + "</Description>\n";
    if (!unitDomain(table)) {
        text += "    <Range inBitDepth=\"32f\" outBitDepth=\"32f\">\n"
                "        <minInValue>" +
                number(table.domainLow) + "</minInValue>\n        <maxInValue>" + number(table.domainHigh) +
                "</maxInValue>\n        <minOutValue>0</minOutValue>\n        <maxOutValue>1</maxOutValue>\n"
                "    </Range>\n";
    }
    const std::string n = std::to_string(table.size);
    if (table.dimensions == 1) {
        text += "    <LUT1D inBitDepth=\"32f\" outBitDepth=\"32f\">\n        <Array dim=\"" + n + " 3\">\n";
        for (std::size_t e = 0; e < entryCount(table); ++e) {
            appendEntry(text, table, e, "            ");
        }
        return text + "        </Array>\n    </LUT1D>\n</ProcessList>\n";
    }
    text += "    <LUT3D inBitDepth=\"32f\" outBitDepth=\"32f\" interpolation=\"tetrahedral\">\n"
            "        <Array dim=\"" +
            n + " " + n + " " + n + " 3\">\n";
    // The Common LUT Format lists blue fastest.
    for (int r = 0; r < table.size; ++r) {
        for (int g = 0; g < table.size; ++g) {
            for (int b = 0; b < table.size; ++b) {
                appendEntry(text, table, latticeEntry(table, r, g, b), "            ");
            }
        }
    }
    return text + "        </Array>\n    </LUT3D>\n</ProcessList>\n";
}

void checkTable(const LutTable& table) {
    if (table.dimensions != 1 && table.dimensions != 3) {
        throw HostError("a LUT has 1 or 3 dimensions, not " + std::to_string(table.dimensions));
    }
    if (table.size < 2 || table.rgb.size() != entryCount(table) * 3) {
        throw HostError("a LUT of size " + std::to_string(table.size) + " needs " +
                        std::to_string(entryCount(table) * 3) + " values, not " +
                        std::to_string(table.rgb.size()));
    }
    if (!(table.domainLow < table.domainHigh) || !std::isfinite(table.domainLow) ||
        !std::isfinite(table.domainHigh)) {
        throw HostError("the LUT's input domain " + number(table.domainLow) + ".." +
                        number(table.domainHigh) + " is empty");
    }
    for (std::size_t i = 0; i < table.rgb.size(); ++i) {
        if (!std::isfinite(table.rgb[i])) {
            throw HostError("the effect gave a value that is not a finite number (LUT entry " +
                            std::to_string(i / 3) + ")");
        }
    }
}

} // namespace

std::optional<LutFormat> lutFormatNamed(std::string_view name) {
    if (name == "cube") {
        return LutFormat::Cube;
    }
    if (name == "spi3d") {
        return LutFormat::Spi3d;
    }
    if (name == "spi1d") {
        return LutFormat::Spi1d;
    }
    if (name == "clf") {
        return LutFormat::Clf;
    }
    return std::nullopt;
}

std::optional<LutFormat> lutFormatOfPath(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return std::nullopt;
    }
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) {
        c = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    }
    return lutFormatNamed(extension);
}

const char* lutFormatName(LutFormat format) {
    switch (format) {
    case LutFormat::Cube:
        return "cube";
    case LutFormat::Spi3d:
        return "spi3d";
    case LutFormat::Spi1d:
        return "spi1d";
    default:
        return "clf";
    }
}

bool holds3d(LutFormat format) {
    return format != LutFormat::Spi1d;
}
bool holds1d(LutFormat format) {
    return format != LutFormat::Spi3d;
}
bool holdsDomain(LutFormat format) {
    return format != LutFormat::Spi3d;
}

std::string lutText(const LutTable& table, LutFormat format) {
    checkTable(table);
    if (table.dimensions == 3 && !holds3d(format)) {
        throw HostError(std::string(lutFormatName(format)) + " holds a 1D LUT only");
    }
    if (table.dimensions == 1 && !holds1d(format)) {
        throw HostError(std::string(lutFormatName(format)) + " holds a 3D LUT only");
    }
    if (!unitDomain(table) && !holdsDomain(format)) {
        throw HostError(std::string(lutFormatName(format)) + " has no input domain other than 0..1");
    }
    switch (format) {
    case LutFormat::Cube:
        return cubeText(table);
    case LutFormat::Spi3d:
        return spi3dText(table);
    case LutFormat::Spi1d:
        return spi1dText(table);
    default:
        return clfText(table);
    }
}

} // namespace kvhost
