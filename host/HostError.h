#pragma once
#include <stdexcept>
#include <string>

namespace kvhost {

// A failure of the host itself or of a plug-in file it was given: one line that names the file, the
// parameter or the value at fault.
class HostError : public std::runtime_error {
public:
    explicit HostError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace kvhost
