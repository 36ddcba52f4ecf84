// Text files the host reads (regular files only, within a size) and what it quotes from them.
#include "host/InputFile.h"

#include "host/HostError.h"
#include "host/Printable.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace kvhost {
namespace {

namespace fs = std::filesystem;

std::string readFault(const std::string& path, std::uint64_t largest = kLargestTextFile) {
    try {
        readInputFile(path, largest, "a curve set");
    } catch (const HostError& error) {
        return error.what();
    }
    return "read";
}

class InputFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("kv_input_" + std::to_string(::getpid()));
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }
    std::string write(const std::string& name, const std::string& text) {
        std::ofstream(folder_ / name, std::ios::binary) << text;
        return (folder_ / name).string();
    }
    fs::path folder_;
};

TEST_F(InputFileTest, ReadsARegularFileOrALinkToOneWhole) {
    const std::string path = write("c.txt", "version 0\n");
    EXPECT_EQ(readInputFile(path, kLargestTextFile, "a curve set"), "version 0\n");
    fs::create_symlink(path, folder_ / "link.txt");
    EXPECT_EQ(readInputFile((folder_ / "link.txt").string(), 10, "a curve set"), "version 0\n");
}

TEST_F(InputFileTest, RefusesWhatIsNoRegularFileOrTooLargeBeforeReading) {
    EXPECT_EQ(readFault((folder_ / "none.txt").string()), (folder_ / "none.txt").string() + ": no such file");
    EXPECT_EQ(readFault(folder_.string()), folder_.string() + ": is a folder, not a curve set");
    EXPECT_EQ(readFault("/dev/zero"), "/dev/zero: is not a regular file (a curve set is read from a file)");
    const std::string pipe = (folder_ / "pipe").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(readFault(pipe), pipe + ": is not a regular file (a curve set is read from a file)");
    const std::string eleven = write("eleven.txt", "0123456789\n");
    EXPECT_EQ(readFault(eleven, 10),
              eleven + ": is larger than 10 bytes (11 bytes), too large for a curve set");
    EXPECT_EQ(readFault(eleven, 11), "read");
    EXPECT_EQ(byteCountText(kLargestTextFile), "64 MiB");
}

TEST(TextFromFiles, CrLfIsReadAsLf) {
    EXPECT_EQ(withLineFeeds("a\r\nb\r\n\r\n"), "a\nb\n\n");
    EXPECT_EQ(withLineFeeds("a\rb\r"), "a\rb\r"); // a lone carriage return is no line end
}

TEST(TextFromFiles, ControlBytesAreQuotedEscaped) {
    EXPECT_EQ(printable("plain text"), "plain text");
    EXPECT_EQ(printable("\x1b[2J\x07\t\r\n\\\xff"), "\\x1b[2J\\x07\\t\\r\\n\\\\\\xff");
    EXPECT_EQ(printable(std::string(300, 'a'), 5), "aaaaa...");
}

} // namespace
} // namespace kvhost
