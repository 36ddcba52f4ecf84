#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace korvane {

// The tokenizer of every stored text form. It reads the next whitespace-delimited token and then
// advances its cursor by the token's length plus one from where it stood, so the format relies on
// exactly one separator after every token; stored projects are read this way and must keep reading
// the same. The text ends at its length or at its first NUL, whichever comes first.
class TextReader {
public:
    explicit TextReader(std::string_view text);

    // False at the end of the text. A token of any length is taken whole.
    bool next(std::string_view& token);

    // The next n bytes (fewer when the text ends sooner, none when n is negative), consumed.
    std::string_view block(std::int32_t n);

private:
    std::string_view text_;
    std::size_t cursor_ = 0;
};

} // namespace korvane
