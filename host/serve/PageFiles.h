#pragma once
#include <span>
#include <string_view>

namespace kvhost {

// A file of the editor's page, compiled into the program from host/serve/page: no request ever names a
// path that is read from the disk.
struct PageFile {
    std::string_view path; // as requested: "/" for the page itself
    std::string_view contentType;
    std::string_view content;
};

std::span<const PageFile> pageFiles();

} // namespace kvhost
