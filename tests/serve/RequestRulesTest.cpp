// What every request must show (token, Host, Origin), body limits and bad input: refused before anything
// reaches the effect, which stays as it was.
#include "host/HostError.h"
#include "host/serve/RequestGuard.h"
#include "host/serve/ServeVerb.h"
#include "tests/serve/ServeFixture.h"

#include <gmock/gmock.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

namespace kvtest {
namespace {

using ::testing::HasSubstr;

TEST_F(ServeTest, EveryRequestNeedsTheTokenTheHostAndNoForeignOrigin) {
    start();
    const std::string port = std::to_string(server_->port());
    auto anonymous = newClient(false);
    for (const std::string path : {"/", "/editor.js", "/editor.css", "/api/state", "/api/nothing"}) {
        const Reply none = toReply(anonymous->Get(path));
        EXPECT_EQ(none.status, 403) << path;
        EXPECT_THAT(none.body.value("error", ""), HasSubstr("no token")) << path;
        EXPECT_EQ(toReply(anonymous->Get(path, {{"X-Kvhost-Token", "serve-test-token-0123456780"}})).status, 403)
            << path;
    }
    const Reply clicked = toReply(anonymous->Post("/api/event", R"({"type":"click","x":300,"y":139})",
                                                  "application/json"));
    EXPECT_EQ(clicked.status, 403);
    EXPECT_EQ(toReply(anonymous->Get(std::string("/api/state?token=") + kToken)).status, 200);
    EXPECT_EQ(get("/api/state").status, 200);

    // The Host header must name this server: a DNS name rebound to 127.0.0.1 does not.
    for (const std::string& host : std::vector<std::string>{"evil.example:" + port, "127.0.0.1:1", "127.0.0.1", ""}) {
        const Reply reply = get("/api/state", {{"Host", host}});
        EXPECT_EQ(reply.status, 403) << host;
        EXPECT_THAT(reply.body.value("error", ""), HasSubstr("Host")) << host;
    }
    for (const std::string& host : {"localhost:" + port, "LOCALHOST:" + port, "[::1]:" + port}) {
        EXPECT_EQ(get("/api/state", {{"Host", host}}).status, 200) << host;
    }

    // Another page in the same browser is refused, even with the token.
    for (const std::string& origin : {std::string("http://evil.example"), std::string("null"),
                                     "http://127.0.0.1:" + std::to_string(server_->port() + 1),
                                     "https://127.0.0.1:" + port}) {
        EXPECT_EQ(post("/api/event", {{"type", "click"}, {"x", 300}, {"y", 139}}, {{"Origin", origin}}).status, 403)
            << origin;
    }
    EXPECT_EQ(get("/api/state", {{"Sec-Fetch-Site", "cross-site"}}).status, 403);
    EXPECT_EQ(get("/api/state", {{"Origin", "http://127.0.0.1:" + port}, {"Sec-Fetch-Site", "same-origin"}}).status,
              200);
    EXPECT_EQ(get("/api/state", {{"Origin", "http://localhost:" + port}}).status, 200);

    // None of the refused requests reached the effect.
    const json now = state();
    EXPECT_EQ(now.at("undo"), 0);
    EXPECT_EQ(now.at("gesture"), false);
}

TEST_F(ServeTest, ThePageCarriesTheTokenAndItsPartsAndForbidsFraming) {
    start();
    const auto page = client_->Get("/");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_THAT(page->get_header_value("Content-Type"), HasSubstr("text/html"));
    EXPECT_THAT(page->get_header_value("Content-Security-Policy"), HasSubstr("frame-ancestors 'none'"));
    EXPECT_EQ(page->get_header_value("X-Frame-Options"), "DENY");
    for (const std::string& part : std::vector<std::string>{"id=\"panel\"", "data-param=\"curve\"", "id=\"preview\"",
                                                             "id=\"time\"", "id=\"save-project\"",
                                                             std::string("editor.js?token=") + kToken}) {
        EXPECT_THAT(page->body, HasSubstr(part));
    }
    EXPECT_THAT(page->body, ::testing::Not(HasSubstr("KVHOST_TOKEN")));

    // Every script the page loads is served, carries the token in its address and needs it; together they
    // hold the page's calls.
    const std::regex scriptTag(R"re(<script src="(/[a-z-]+\.js)\?token=([^"]*)" defer></script>)re");
    std::vector<std::string> scripts;
    std::string code;
    auto anonymous = newClient(false);
    for (auto match = std::sregex_iterator(page->body.begin(), page->body.end(), scriptTag);
         match != std::sregex_iterator(); ++match) {
        const std::string path = (*match)[1];
        scripts.push_back(path);
        EXPECT_EQ((*match)[2], kToken) << path;
        const auto script = client_->Get(path);
        ASSERT_TRUE(script) << path;
        EXPECT_EQ(script->status, 200) << path;
        EXPECT_THAT(script->get_header_value("Content-Type"), HasSubstr("javascript")) << path;
        EXPECT_THAT(script->body, HasSubstr("\"use strict\";")) << path;
        code += script->body;
        EXPECT_EQ(toReply(anonymous->Get(path)).status, 403) << path;
    }
    EXPECT_THAT(scripts, ::testing::Contains("/editor.js"));
    EXPECT_EQ(std::set<std::string>(scripts.begin(), scripts.end()).size(), scripts.size());
    for (const char* call : {"/api/event", "/api/preview", "/api/state", "/api/param", "/api/keyframe",
                                    "/api/project/open"}) {
        EXPECT_THAT(code, HasSubstr(call));
    }
}

TEST_F(ServeTest, BodiesBeyondTheirLimitAndMalformedRequestsAreRefused) {
    kvhost::ServerSettings serving;
    serving.projectLimit = 256 * 1024;
    serving.requestLimit = 4 * 1024;
    start({}, serving);
    const json before = state();

    const std::string bigProject(serving.projectLimit + 1, ' ');
    EXPECT_EQ(postText("/api/project/open", bigProject).status, 413);
    EXPECT_EQ(postText("/api/project/open", std::string(3 * serving.projectLimit, ' ')).status, 413);
    const Reply bigEvent = postText("/api/event", "{\"type\": \"draw\"" + std::string(serving.requestLimit, ' ') + "}");
    EXPECT_EQ(bigEvent.status, 413);
    EXPECT_THAT(bigEvent.body.value("error", ""), HasSubstr("larger than"));

    const std::vector<std::pair<std::string, std::string>> bad = {
        {"{\"type\": \"click\", \"x\": 1", "not JSON"},
        {std::string(20, '[') + std::string(20, ']'), "nested"},
        {"{\"type\": \"tap\", \"x\": 1, \"y\": 2}", "\"tap\" is not an event"},
        {"{\"type\": \"click\", \"x\": 1.5, \"y\": 2}", "\"x\" is not a whole number"},
        {"{\"type\": \"click\", \"y\": 2}", "no \"x\""},
        {"{\"type\": \"click\", \"x\": 1, \"y\": 99999999}", "\"y\" is not a whole number"},
        {"{\"type\": \"drag\", \"x\": 1, \"y\": 2, \"double\": true}", "only a click"},
        {"{\"type\": \"click\", \"x\": 1, \"y\": 2, \"shift\": \"yes\"}", "\"shift\" is not true or false"},
        {"[1, 2]", "no \"type\""}};
    for (const auto& [body, message] : bad) {
        const Reply reply = postText("/api/event", body);
        EXPECT_EQ(reply.status, 400) << body;
        EXPECT_THAT(reply.body.value("error", ""), HasSubstr(message)) << body;
    }
    const Reply unknown = post("/api/param", {{"name", "no such"}, {"value", 1}});
    EXPECT_EQ(unknown.status, 400);
    EXPECT_THAT(unknown.body.value("error", ""), HasSubstr("has no parameter \"no such\""));
    EXPECT_THAT(unknown.body.value("error", ""), HasSubstr("\"invert all\""));
    const Reply outOfRange = post("/api/param", {{"name", "channel"}, {"value", 9}});
    EXPECT_EQ(outOfRange.status, 400);
    EXPECT_THAT(outOfRange.body.value("error", ""), HasSubstr("\"channel\" has no item 9"));
    EXPECT_EQ(post("/api/param", {{"name", "invert all"}, {"value", "maybe"}}).status, 400);
    EXPECT_EQ(post("/api/time", {{"seconds", -1}}).status, 400);
    EXPECT_EQ(post("/api/time", {{"seconds", "soon"}}).status, 400);
    EXPECT_EQ(post("/api/keyframe", {{"name", "curve"}, {"action", "twist"}, {"time", 0}}).status, 400);
    EXPECT_EQ(get("/api/preview?width=0").status, 400);
    EXPECT_EQ(get("/api/preview?full=yes").status, 400);

    const Reply nowhere = get("/api/nothing");
    EXPECT_EQ(nowhere.status, 404);
    EXPECT_THAT(nowhere.body.value("error", ""), HasSubstr("GET /api/nothing"));
    EXPECT_EQ(get("/api/event").status, 404);

    const json after = state();
    EXPECT_EQ(after.at("version"), before.at("version"));
    EXPECT_EQ(after.at("undo"), 0);
    EXPECT_EQ(after.at("parameters"), before.at("parameters"));
}

TEST(RequestGuardTest, TokensAndListeningAddresses) {
    std::set<std::string> tokens;
    for (int i = 0; i < 8; ++i) {
        const std::string token = kvhost::RequestGuard::newToken();
        EXPECT_EQ(token.size(), 32u);
        EXPECT_EQ(token.find_first_not_of("0123456789abcdef"), std::string::npos);
        tokens.insert(token);
    }
    EXPECT_EQ(tokens.size(), 8u);
    EXPECT_NO_THROW(kvhost::RequestGuard::checkToken("Abc-123_x.y~z0123"));
    EXPECT_THROW(kvhost::RequestGuard::checkToken("short-token"), kvhost::HostError);
    EXPECT_THROW(kvhost::RequestGuard::checkToken("with space in it 12345"), kvhost::HostError);
    EXPECT_THROW(kvhost::RequestGuard::checkToken("quote\"quote\"quote\"quote"), kvhost::HostError);

    for (const char* loopback : {"127.0.0.1", "127.1.2.3", "::1", "localhost"}) {
        EXPECT_TRUE(kvhost::RequestGuard::isLoopback(loopback)) << loopback;
        EXPECT_EQ(kvhost::ServeVerb::listenWarning(loopback), "") << loopback;
    }
    for (const char* open : {"0.0.0.0", "192.0.2.7", "::", "2001:db8::1", "example.org"}) {
        EXPECT_FALSE(kvhost::RequestGuard::isLoopback(open)) << open;
        EXPECT_THAT(kvhost::ServeVerb::listenWarning(open), HasSubstr("not on loopback")) << open;
    }
    const kvhost::RequestGuard guard("t0123456789abcdef", "::1", 8123);
    EXPECT_EQ(guard.editorAddress(), "http://[::1]:8123/?token=t0123456789abcdef");
}

} // namespace
} // namespace kvtest
