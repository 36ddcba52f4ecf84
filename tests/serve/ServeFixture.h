#pragma once
// The browser editor's server in the test process, on 127.0.0.1, with morrowby.so (or tarnwick.so) through
// libkvhost and a small input the test writes; a cpp-httplib client with bounded timeouts talks to it. Every
// test ends by stopping the server and setting the effect down, with nothing left over.
#include "host/PluginFile.h"
#include "host/serve/EditorServer.h"
#include "host/serve/EditorSession.h"

#include <OpenImageIO/filesystem.h>
#include <OpenImageIO/imageio.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace kvtest {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr const char* kToken = "serve-test-token-0123456789";

struct Reply {
    int status = 0;
    json body;
    std::string text;
};

// A decoded PNG: its size, channel count and 8-bit samples.
struct Picture {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::vector<std::uint8_t> samples;

    double mean(int channel) const {
        double sum = 0.0;
        for (std::size_t i = std::size_t(channel); i < samples.size(); i += std::size_t(channels)) {
            sum += samples[i];
        }
        return sum / (double(width) * height);
    }
    bool operator==(const Picture&) const = default;
};

// The same picture but for anti-aliased edge pixels a step or two apart: a curve that comes back from its
// stored text (6 significant digits) is drawn within that of the curve it was saved from.
inline bool nearlySame(const Picture& a, const Picture& b) {
    if (a.width != b.width || a.height != b.height || a.channels != b.channels) {
        return false;
    }
    int differing = 0;
    for (std::size_t i = 0; i < a.samples.size(); ++i) {
        const int step = std::abs(int(a.samples[i]) - int(b.samples[i]));
        if (step > 2) {
            return false;
        }
        differing += step != 0 ? 1 : 0;
    }
    return differing <= 16;
}

inline std::string fromBase64(const std::string& text) {
    std::string bytes;
    unsigned buffer = 0;
    int bits = 0;
    for (const char c : text) {
        const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        const char* at = std::strchr(digits, c);
        if (c == '=' || !at || c == '\0') {
            continue;
        }
        buffer = (buffer << 6) | unsigned(at - digits);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes += char((buffer >> bits) & 0xFF);
        }
    }
    return bytes;
}

inline Picture decodePng(const std::string& base64Text) {
    const std::string bytes = fromBase64(base64Text);
    Picture picture;
    OIIO::Filesystem::IOMemReader memory(bytes.data(), bytes.size());
    OIIO::ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    void* proxy = &memory;
    config.attribute("oiio:ioproxy", OIIO::TypeDesc::PTR, &proxy);
    auto in = OIIO::ImageInput::open("picture.png", &config);
    EXPECT_TRUE(in) << OIIO::geterror();
    if (!in) {
        return picture;
    }
    picture.width = in->spec().width;
    picture.height = in->spec().height;
    picture.channels = in->spec().nchannels;
    picture.samples.resize(std::size_t(picture.width) * std::size_t(picture.height) * std::size_t(picture.channels));
    EXPECT_TRUE(in->read_image(0, 0, 0, picture.channels, OIIO::TypeDesc::UINT8, picture.samples.data()));
    return picture;
}

// An 8-bit RGB file of w x h: red rises to the right, green downwards, blue is constant.
inline void writeGradient(const fs::path& path, int width, int height) {
    std::vector<std::uint8_t> rgb(std::size_t(width) * std::size_t(height) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &rgb[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3];
            p[0] = std::uint8_t(x * 255 / std::max(1, width - 1));
            p[1] = std::uint8_t(y * 255 / std::max(1, height - 1));
            p[2] = 96;
        }
    }
    auto out = OIIO::ImageOutput::create(path.string());
    ASSERT_TRUE(out);
    ASSERT_TRUE(out->open(path.string(), OIIO::ImageSpec(width, height, 3, OIIO::TypeDesc::UINT8)));
    ASSERT_TRUE(out->write_image(OIIO::TypeDesc::UINT8, rgb.data()));
    ASSERT_TRUE(out->close());
}

// One parameter of a state reply, by name.
inline const json& parameter(const json& state, const std::string& name) {
    for (const json& p : state.at("parameters")) {
        if (p.at("name") == name) {
            return p;
        }
    }
    throw std::runtime_error("no parameter " + name);
}

class ServeTest : public ::testing::Test {
protected:
    // The panel the tests draw: 600 x 340, plot 70..581 by 10..268.
    static constexpr int kPanelWidth = 600;
    static int plotX(double x) { return 70 + int((581 - 70) * x); }
    static int plotY(double y) { return 268 - int((268 - 10) * y); }

    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = fs::temp_directory_path() /
                  ("kvserve_" + std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" + info->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        writeGradient(at("input.png"), 64, 48);
    }

    void TearDown() override {
        stop();
        fs::remove_all(folder_);
    }

    fs::path at(const std::string& name) const { return folder_ / name; }

    void start(kvhost::SessionSettings settings = {}, kvhost::ServerSettings serving = {},
               const char* plugin = KV_MORROWBY) {
        if (settings.inputPath.empty()) {
            settings.inputPath = at("input.png").string();
        }
        plugin_ = std::make_unique<kvhost::PluginFile>(plugin);
        session_ = std::make_unique<kvhost::EditorSession>(*plugin_, settings);
        session_->resizePanel(kPanelWidth);
        serving.token = kToken;
        server_ = std::make_unique<kvhost::EditorServer>(*session_, serving);
        server_->start();
        client_ = newClient();
    }

    // Stops the server, sets the effect down and checks that the plug-in gave everything back.
    void stop() {
        client_.reset();
        server_.reset();
        if (session_) {
            EXPECT_EQ(session_->finish(), "");
            session_.reset();
        }
    }

    std::unique_ptr<httplib::Client> newClient(bool withToken = true) const {
        auto client = std::make_unique<httplib::Client>("127.0.0.1", server_->port());
        client->set_connection_timeout(std::chrono::seconds(5));
        client->set_read_timeout(std::chrono::seconds(60)); // a render under the sanitizers
        client->set_write_timeout(std::chrono::seconds(10));
        client->set_tcp_nodelay(true);
        if (withToken) {
            client->set_default_headers({{"X-Kvhost-Token", kToken}});
        }
        return client;
    }

    static Reply toReply(const httplib::Result& result) {
        Reply reply;
        EXPECT_TRUE(result) << "no reply: " << httplib::to_string(result.error());
        if (!result) {
            return reply;
        }
        reply.status = result->status;
        reply.text = result->body;
        reply.body = json::parse(result->body, nullptr, false);
        return reply;
    }

    Reply get(const std::string& path, const httplib::Headers& headers = {}) {
        return toReply(client_->Get(path, headers));
    }
    Reply post(const std::string& path, const json& body, const httplib::Headers& headers = {}) {
        return toReply(client_->Post(path, headers, body.dump(), "application/json"));
    }
    Reply postText(const std::string& path, const std::string& body, const httplib::Headers& headers = {}) {
        return toReply(client_->Post(path, headers, body, "application/json"));
    }

    Reply event(const std::string& type, int x, int y, const json& extra = json::object()) {
        json body{{"type", type}, {"x", x}, {"y", y}};
        body.update(extra);
        return post("/api/event", body);
    }
    // A click that grabs the rgb curve at x (a node is added there and dragged), a drag to y and a release.
    void dragCurve(double x, double fromY, double toY) {
        ASSERT_EQ(event("click", plotX(x), plotY(fromY)).status, 200);
        ASSERT_EQ(event("drag", plotX(x), plotY((fromY + toY) / 2)).status, 200);
        ASSERT_EQ(event("drag", plotX(x), plotY(toY)).status, 200);
        ASSERT_EQ(event("release", plotX(x), plotY(toY)).status, 200);
    }

    json state() { return get("/api/state").body; }
    json project() { return json::parse(post("/api/project/save", json::object()).body.at("project").get<std::string>()); }
    Picture preview(const std::string& query = "full=1") {
        const Reply reply = get("/api/preview?" + query);
        EXPECT_EQ(reply.status, 200) << reply.text;
        return decodePng(reply.body.value("png", ""));
    }
    fs::path folder_;
    std::unique_ptr<kvhost::PluginFile> plugin_;
    std::unique_ptr<kvhost::EditorSession> session_;
    std::unique_ptr<kvhost::EditorServer> server_;
    std::unique_ptr<httplib::Client> client_;
};

} // namespace kvtest
