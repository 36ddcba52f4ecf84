// The time a client hands to f0r_update, in seconds: frei0r's seconds, ffmpeg's milliseconds, frame
// counts with a frame rate; and which clients are ffmpeg's frei0r filter.
#include "host/frei0r/ClientTime.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cmath>
#include <limits>

namespace kvhost {
namespace {

TEST(ClientTime, SecondsMillisecondsAndFramesBecomeSeconds) {
    EXPECT_DOUBLE_EQ(renderSeconds(1.28, ClientTimeUnit::Seconds, 0.0), 1.28);
    EXPECT_DOUBLE_EQ(renderSeconds(1280.0, ClientTimeUnit::Milliseconds, 0.0), 1.28);
    // A frame rate means the client counts frames, whatever its usual unit.
    EXPECT_DOUBLE_EQ(renderSeconds(32.0, ClientTimeUnit::Seconds, 25.0), 1.28);
    EXPECT_DOUBLE_EQ(renderSeconds(32.0, ClientTimeUnit::Milliseconds, 25.0), 1.28);
    // A frame rate of 0, below 0 or not a number means none was given.
    EXPECT_DOUBLE_EQ(renderSeconds(2.0, ClientTimeUnit::Seconds, -25.0), 2.0);
    EXPECT_DOUBLE_EQ(renderSeconds(2.0, ClientTimeUnit::Seconds, std::nan("")), 2.0);
}

TEST(ClientTime, TimesOutsideTheHostsDayAreLimited) {
    EXPECT_EQ(renderSeconds(-0.04, ClientTimeUnit::Seconds, 0.0), 0.0);
    EXPECT_EQ(renderSeconds(std::nan(""), ClientTimeUnit::Milliseconds, 0.0), 0.0);
    EXPECT_EQ(renderSeconds(1e300, ClientTimeUnit::Seconds, 0.0), 86400.0);
    EXPECT_EQ(renderSeconds(-std::numeric_limits<double>::infinity(), ClientTimeUnit::Seconds, 0.0), 0.0);
}

const void* whoCalledMe() {
    return __builtin_return_address(0);
}

struct Caller {
    void* library = nullptr;
    const void* (*callFromHere)(const void* (*)()) = nullptr;
};

Caller loadCaller(const char* path) {
    Caller caller;
    caller.library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(caller.library, nullptr) << dlerror();
    if (caller.library) {
        caller.callFromHere =
            reinterpret_cast<const void* (*)(const void* (*)())>(dlsym(caller.library, "callFromHere"));
    }
    return caller;
}

TEST(ClientTime, CodeInAnObjectThatDefinesAvfilterVersionIsFfmpegsFilter) {
    Caller avfilter = loadCaller(KV_AVFILTER_LIKE);
    ASSERT_NE(avfilter.callFromHere, nullptr);
    EXPECT_EQ(clientTimeUnit(avfilter.callFromHere(whoCalledMe)), ClientTimeUnit::Milliseconds);
    dlclose(avfilter.library);
}

TEST(ClientTime, CodeThatOnlyLinksSuchAnObjectIsNot) {
    Caller client = loadCaller(KV_LINKS_AVFILTER_LIKE);
    ASSERT_NE(client.callFromHere, nullptr);
    EXPECT_EQ(clientTimeUnit(client.callFromHere(whoCalledMe)), ClientTimeUnit::Seconds);
    dlclose(client.library);
    // The test program itself, and no address at all.
    EXPECT_EQ(clientTimeUnit(whoCalledMe()), ClientTimeUnit::Seconds);
    EXPECT_EQ(clientTimeUnit(nullptr), ClientTimeUnit::Seconds);
}

} // namespace
} // namespace kvhost
