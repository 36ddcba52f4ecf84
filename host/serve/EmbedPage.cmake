# Writes OUTPUT, a C++ source that holds the page's files (FILES, comma-separated, relative to SOURCE_DIR)
# as byte arrays behind kvhost::pageFiles(). index.html is served as "/", every other file by its name.
#   cmake -DSOURCE_DIR=... -DOUTPUT=... -DFILES=a,b -P EmbedPage.cmake
string(REPLACE "," ";" FILES "${FILES}")
set(arrays "")
set(entries "")
set(number 0)
foreach(file IN LISTS FILES)
    file(READ "${SOURCE_DIR}/${file}" hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
    string(APPEND arrays "constexpr char kFile${number}[] = {${bytes}};\n")
    if(file STREQUAL "index.html")
        set(path "/")
    else()
        set(path "/${file}")
    endif()
    if(file MATCHES "\\.html$")
        set(type "text/html; charset=utf-8")
    elseif(file MATCHES "\\.css$")
        set(type "text/css; charset=utf-8")
    elseif(file MATCHES "\\.js$")
        set(type "text/javascript; charset=utf-8")
    elseif(file MATCHES "\\.svg$")
        set(type "image/svg+xml")
    else()
        message(FATAL_ERROR "EmbedPage: no content type for ${file}")
    endif()
    string(APPEND entries "    PageFile{\"${path}\", \"${type}\", std::string_view(kFile${number}, sizeof kFile${number})},\n")
    math(EXPR number "${number} + 1")
endforeach()
set(text "// Made by host/serve/EmbedPage.cmake from host/serve/page; edit those files, not this one.
#include \"host/serve/PageFiles.h\"

#include <array>

namespace kvhost {

namespace {

${arrays}
const std::array kPageFiles{
${entries}};

} // namespace

std::span<const PageFile> pageFiles() {
    return kPageFiles;
}

} // namespace kvhost
")
# Rewritten only when it changes, so that an unchanged page does not rebuild the program.
if(EXISTS "${OUTPUT}")
    file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL text)
    file(WRITE "${OUTPUT}" "${text}")
endif()
