#include "curves/TextReader.h"

#include <algorithm>

namespace korvane {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

TextReader::TextReader(std::string_view text) : text_(text.substr(0, text.find('\0'))) {}

bool TextReader::next(std::string_view& token) {
    std::size_t start = cursor_;
    while (start < text_.size() && isSpace(text_[start])) {
        ++start;
    }
    if (start == text_.size()) {
        cursor_ = text_.size();
        return false;
    }
    std::size_t end = start;
    while (end < text_.size() && !isSpace(text_[end])) {
        ++end;
    }
    token = text_.substr(start, end - start);
    cursor_ = std::min(cursor_ + token.size() + 1, text_.size());
    return true;
}

std::string_view TextReader::block(std::int32_t n) {
    const std::size_t wanted = n > 0 ? std::size_t(n) : 0;
    const std::size_t length = std::min(wanted, text_.size() - cursor_);
    const std::string_view result = text_.substr(cursor_, length);
    cursor_ += length;
    return result;
}

} // namespace korvane
