#pragma once
// Bad input as tables, one per verb: each row makes its files in the test's folder and names the
// arguments. Each must end with exit code 2 and a message that names the file, the parameter or the value
// at fault, nothing on standard output, the output that was there before unchanged (not replaced, not
// partly written) and nothing left behind (no temporary file).
#include "tests/cli/CliFixture.h"

#include <gmock/gmock.h>

#include <cstdlib>
#include <functional>

namespace kvtest {

// What one bad input is run with and must say.
struct Case {
    std::vector<std::string> arguments; // after "kvhost"
    std::vector<std::string> says;      // parts of the message: the culprit and the fault
    std::string output = "out.png";     // an output there before, which must stay as it was (empty: none)
    // The image library itself leaks on this input (libpng jumps out of OpenImageIO's reader past its
    // strings): under the address sanitizer kvhost runs without leak detection, which would turn exit 2
    // into 1.
    bool libraryLeaks = false;
};

class BadInputBase;

struct Row {
    const char* name;
    std::function<Case(const BadInputBase&)> make;
};

inline std::string rowName(const ::testing::TestParamInfo<Row>& info) {
    return info.param.name;
}

class BadInputBase : public CliTest {
public:
    using CliTest::at;
    using CliTest::path;
    using CliTest::smallPng;
    std::string folder() const { return folder_.string(); }
    std::vector<std::string> render(std::vector<std::string> rest, const char* plugin = KV_MORROWBY) const {
        std::vector<std::string> arguments = {"render", plugin};
        arguments.insert(arguments.end(), rest.begin(), rest.end());
        return arguments;
    }
    // A render of a good picture into out.png with the options given.
    std::vector<std::string> renderWith(std::vector<std::string> options,
                                        const char* plugin = KV_MORROWBY) const {
        std::vector<std::string> rest = {smallPng("in.png"), path("out.png")};
        rest.insert(rest.end(), options.begin(), options.end());
        return render(rest, plugin);
    }
    std::string file(const std::string& name, const std::string& bytes) const {
        writeText(at(name), bytes);
        return path(name);
    }

    void expectRefused(const Case& c) const {
        static const std::string kBefore = "the output as it was before\n";
        const bool sentinel = !c.output.empty() && !fs::exists(at(c.output));
        if (sentinel) {
            writeText(at(c.output), kBefore);
        }
        const std::set<std::string> before = files();
        if (c.libraryLeaks) {
            ::setenv("LSAN_OPTIONS", "detect_leaks=0", 1);
        }
        const ToolRun run = kvhost(c.arguments);
        if (c.libraryLeaks) {
            ::unsetenv("LSAN_OPTIONS");
        }
        EXPECT_EQ(run.exitCode, 2) << run.err;
        EXPECT_EQ(run.out, "");
        for (const std::string& part : c.says) {
            EXPECT_THAT(run.err, ::testing::HasSubstr(part));
        }
        if (sentinel) {
            EXPECT_EQ(slurp(at(c.output)), kBefore) << c.output << " was replaced";
        }
        EXPECT_EQ(files(), before) << "something was left behind";
    }
};

// A curve set text with one curve of the given point lines, its length counted here.
inline std::string curveOfPoints(const std::string& name, const std::vector<std::string>& points) {
    std::string curve = "version 0\nloop 0\n";
    for (const std::string& point : points) {
        curve += "point " + point + "\n";
    }
    return curveSetText({{name, curve}});
}

// A project of the Absolute effect with these parameters (JSON text).
inline std::string absoluteProject(const std::string& parameters) {
    return R"({"matchName": "TQKV Absolute Curves", "parameters": )" + parameters + "}";
}

} // namespace kvtest
