# Adds a source folder when it has a CMakeLists.txt (folders fill in as the project grows).
function(kv_add_folder name)
    if(EXISTS ${PROJECT_SOURCE_DIR}/${name}/CMakeLists.txt)
        add_subdirectory(${PROJECT_SOURCE_DIR}/${name} ${PROJECT_BINARY_DIR}/${name})
    endif()
endfunction()

# A static library of the plug-in side: position independent, hidden visibility, includes from the
# repository root ("framework/DebugLog.h").
function(kv_add_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# OpenImageIO::OpenImageIO. Debian's package config names OpenCV's header folder among its include
# folders although OpenCV is only a suggested package; CMake refuses a target with a missing folder, so
# folders that do not exist on this machine are dropped (OpenImageIO's own headers do not need them).
macro(kv_find_openimageio)
    find_package(OpenImageIO REQUIRED)
    foreach(kv_oiio_property INTERFACE_INCLUDE_DIRECTORIES INTERFACE_SYSTEM_INCLUDE_DIRECTORIES)
        get_target_property(kv_oiio_dirs OpenImageIO::OpenImageIO ${kv_oiio_property})
        if(kv_oiio_dirs)
            set(kv_oiio_existing "")
            foreach(kv_oiio_dir IN LISTS kv_oiio_dirs)
                if(EXISTS "${kv_oiio_dir}" OR kv_oiio_dir MATCHES "^\\$<")
                    list(APPEND kv_oiio_existing "${kv_oiio_dir}")
                endif()
            endforeach()
            set_target_properties(OpenImageIO::OpenImageIO PROPERTIES ${kv_oiio_property} "${kv_oiio_existing}")
        endif()
    endforeach()
endmacro()

# Sources whose loops run once per pixel (filters, painters, host images). In a long fuzz campaign their
# comparisons depend on pixel values, not on the fuzzed text: tracing them costs a third of each run and
# fills the corpus with inputs that differ only in a pixel. With KV_FUZZ_PIXEL_LOOPS_EDGES_ONLY they keep
# edge coverage only; the readers and the state they restore stay fully traced. Call after any
# set_source_files_properties(... COMPILE_OPTIONS ...) of the same sources, which would replace this.
function(kv_pixel_loop_sources)
    if(KV_FUZZ_PIXEL_LOOPS_EDGES_ONLY)
        set_property(SOURCE ${ARGN} APPEND PROPERTY COMPILE_OPTIONS -fno-sanitize-coverage=trace-cmp)
    endif()
endfunction()

# A plug-in file: <name>.so exporting EntryPointFunc only.
function(kv_add_plugin name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_library(${name} MODULE ${ARG_SOURCES})
    set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".so")
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS})
    target_link_options(${name} PRIVATE "-Wl,--version-script=${PROJECT_SOURCE_DIR}/cmake/plugin-exports.map")
    set_target_properties(${name} PROPERTIES LINK_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/plugin-exports.map)
endfunction()

# A GoogleTest executable registered with CTest; tests are listed when ctest runs, not at build time.
# TIMEOUT (seconds) bounds each test where the preset's default does not fit.
function(kv_add_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;DEPS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
    # LABELS stays one quoted argument: a list of labels must not split into properties.
    if(ARG_TIMEOUT)
        gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
            PROPERTIES LABELS "${ARG_LABELS}" TIMEOUT ${ARG_TIMEOUT} DISCOVERY_TIMEOUT 60)
    else()
        gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES LABELS "${ARG_LABELS}" DISCOVERY_TIMEOUT 60)
    endif()
    # Discovery hands the properties on as a flat list, so of several labels only the first arrives (the
    # others become property names). The whole list is set on the discovered tests after discovery.
    list(LENGTH ARG_LABELS label_count)
    if(label_count GREATER 1)
        set(labels_file "${CMAKE_CURRENT_BINARY_DIR}/${name}_labels.cmake")
        file(WRITE "${labels_file}"
            "foreach(test IN LISTS ${name}_TESTS)\n"
            "    set_tests_properties(\"\${test}\" PROPERTIES LABELS \"${ARG_LABELS}\")\n"
            "endforeach()\n")
        set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${labels_file}")
    endif()
    # The thread-sanitizer stage builds only these (target kv_tsan_tests).
    if("tsan" IN_LIST ARG_LABELS)
        set_property(GLOBAL APPEND PROPERTY KV_TSAN_TESTS ${name})
    endif()
endfunction()
