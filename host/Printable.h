#pragma once
#include <string>
#include <string_view>

namespace kvhost {

// Text from a file, fit to be quoted in a message on a terminal: control bytes and bytes outside ASCII
// become \xNN (\t, \r and \n as themselves escaped), and a backslash is doubled, so that a file cannot
// move the cursor, change colours or hide part of the message. At most `longest` characters of the text
// are kept, then "...".
std::string printable(std::string_view text, std::size_t longest = 200);

} // namespace kvhost
