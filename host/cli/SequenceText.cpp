#include "host/cli/SequenceText.h"

#include "host/HostError.h"
#include "host/cli/TextOutput.h"

#include <charconv>
#include <string_view>

namespace kvhost {

namespace {

constexpr std::string_view kBlockPrefix = "curve_sq_";

struct Block {
    std::size_t headerStart = 0; // offset of "curve_sq_NAME LENGTH"
    std::string name;
    std::size_t textStart = 0;
    std::size_t length = 0;
};

// The editor-state blocks, found by their length prefixes as the plug-in reads them.
std::vector<Block> blocksOf(const std::string& text) {
    std::vector<Block> blocks;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end;
        const std::string_view line(text.data() + start, end - start);
        const std::size_t blank = line.find(' ');
        if (line.substr(0, kBlockPrefix.size()) == kBlockPrefix && blank != std::string_view::npos) {
            Block block;
            block.headerStart = start;
            block.name = std::string(line.substr(kBlockPrefix.size(), blank - kBlockPrefix.size()));
            block.textStart = std::min(end + 1, text.size());
            const std::string_view length = line.substr(blank + 1);
            std::size_t declared = 0;
            std::from_chars(length.data(), length.data() + length.size(), declared);
            block.length = std::min(declared, text.size() - block.textStart);
            blocks.push_back(block);
            start = block.textStart + block.length;
        } else {
            start = end + 1;
        }
    }
    return blocks;
}

// The line "key value" of one editor-state text: its offset and length, or npos.
std::pair<std::size_t, std::size_t> keyLine(std::string_view state, const std::string& key) {
    std::size_t start = 0;
    while (start < state.size()) {
        std::size_t end = state.find('\n', start);
        end = end == std::string_view::npos ? state.size() : end;
        const std::string_view line = state.substr(start, end - start);
        if (line.substr(0, key.size() + 1) == key + " ") {
            return {start, end - start};
        }
        start = end + 1;
    }
    return {std::string_view::npos, 0};
}

} // namespace

std::string sequenceText(EffectInstance& instance) {
    if (!instance.sequenceData()) {
        throw HostError(instance.plugin().path() + " keeps no sequence data (no editor state)");
    }
    if (instance.sequenceIsFlat() && instance.resetupSequence() != PF_Err_NONE) {
        throw HostError(instance.plugin().path() + ": PF_Cmd_SEQUENCE_RESETUP failed");
    }
    PF_Err result = PF_Err_NONE;
    const std::vector<std::uint8_t> flat = instance.flattenSequence(&result);
    if (result != PF_Err_NONE) {
        throw HostError(instance.plugin().path() + ": PF_Cmd_SEQUENCE_FLATTEN failed with error " +
                        errorText(result));
    }
    if (instance.resetupSequence() != PF_Err_NONE) {
        throw HostError(instance.plugin().path() + ": PF_Cmd_SEQUENCE_RESETUP failed");
    }
    const std::string_view text(reinterpret_cast<const char*>(flat.data()), flat.size());
    return std::string(text.substr(0, text.find('\0')));
}

void setSequenceText(EffectInstance& instance, const std::string& text) {
    std::vector<std::uint8_t> flat(text.begin(), text.end());
    flat.push_back(0);
    const PF_Err result = instance.resetupSequence(flat);
    if (result != PF_Err_NONE) {
        throw HostError(instance.plugin().path() + ": PF_Cmd_SEQUENCE_RESETUP failed with error " +
                        errorText(result));
    }
}

std::vector<std::string> editorStateValues(const std::string& text, const std::string& key) {
    std::vector<std::string> values;
    for (const Block& block : blocksOf(text)) {
        const std::string_view state(text.data() + block.textStart, block.length);
        const auto [at, length] = keyLine(state, key);
        values.push_back(at == std::string_view::npos
                             ? std::string()
                             : std::string(state.substr(at + key.size() + 1, length - key.size() - 1)));
    }
    return values;
}

std::string withEditorStateValues(const std::string& text, const std::string& key,
                                  const std::vector<std::string>& values) {
    const std::vector<Block> blocks = blocksOf(text);
    std::string out;
    std::size_t copied = 0;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const Block& block = blocks[i];
        const std::string& value = values.size() == 1 ? values[0] : values.at(i);
        std::string state = text.substr(block.textStart, block.length);
        const auto [at, length] = keyLine(state, key);
        if (at == std::string::npos) {
            state += (state.empty() || state.back() == '\n' ? "" : "\n") + key + " " + value + "\n";
        } else {
            state.replace(at, length, key + " " + value);
        }
        out += text.substr(copied, block.headerStart - copied);
        out += std::string(kBlockPrefix) + block.name + " " + std::to_string(state.size()) + "\n" + state;
        copied = block.textStart + block.length;
    }
    out += text.substr(copied);
    return out;
}

} // namespace kvhost
