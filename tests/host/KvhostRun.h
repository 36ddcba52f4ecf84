#pragma once
// Runs the kvhost tool as a separate process and collects its exit code and output.
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kvtest {

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
    // Lines of standard error (without their line feeds).
    std::vector<std::string> errLines() const {
        std::vector<std::string> lines;
        std::istringstream in(err);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }
};

inline std::string quoted(const std::string& text) {
    std::string q = "'";
    for (const char c : text) {
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return q + "'";
}

inline std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline ToolRun runTool(const std::string& tool, const std::vector<std::string>& arguments) {
    const auto folder = std::filesystem::temp_directory_path();
    const std::string stem = "kvhost_run_" + std::to_string(::getpid());
    const auto outPath = folder / (stem + ".out");
    const auto errPath = folder / (stem + ".err");
    std::string command = quoted(tool);
    for (const std::string& a : arguments) {
        command += " " + quoted(a);
    }
    command += " >" + quoted(outPath.string()) + " 2>" + quoted(errPath.string()) + " </dev/null";
    const int status = std::system(command.c_str());
    ToolRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = slurp(outPath);
    run.err = slurp(errPath);
    std::filesystem::remove(outPath);
    std::filesystem::remove(errPath);
    return run;
}

} // namespace kvtest
