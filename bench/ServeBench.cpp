// The browser editor through HTTP on 127.0.0.1 beside the same work done in process, so that the cost of the
// server shows: one drag event of a node to a new panel image at 800 x 340, and a drag step followed by the
// preview of a 1280 x 720 8-bit input graded by all eight Absolute curves (morrowby.so through libkvhost).
#include "bench/AbsoluteBenchCurves.h"
#include "curves/CurveText.h"
#include "host/PluginFile.h"
#include "host/serve/EditorServer.h"
#include "host/serve/EditorSession.h"

#include <OpenImageIO/imageio.h>
#include <benchmark/benchmark.h>
#include <httplib.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace korvane;

constexpr int kInputWidth = 1280;
constexpr int kInputHeight = 720;
constexpr int kPanelWidth = 800;
constexpr const char* kToken = "bench-token-0123456789";
// The rgb curve's node at (0.75, 0.85) in an 800 x 340 panel (plot 70..781 by 10..268), and two rows to drag
// it between, so that every step moves it.
constexpr int kNodeX = 603;
constexpr int kNodeY = 48;
constexpr int kDragRows[2] = {40, 60};

void writeInput(const fs::path& path) {
    std::vector<std::uint8_t> rgb(std::size_t(kInputWidth) * kInputHeight * 3);
    for (int y = 0; y < kInputHeight; ++y) {
        for (int x = 0; x < kInputWidth; ++x) {
            std::uint8_t* p = &rgb[(std::size_t(y) * kInputWidth + std::size_t(x)) * 3];
            p[0] = std::uint8_t(x * 255 / (kInputWidth - 1));
            p[1] = std::uint8_t(y * 255 / (kInputHeight - 1));
            p[2] = std::uint8_t((x + y) * 255 / (kInputWidth + kInputHeight - 2));
        }
    }
    auto out = OIIO::ImageOutput::create(path.string());
    const OIIO::ImageSpec spec(kInputWidth, kInputHeight, 3, OIIO::TypeDesc::UINT8);
    if (!out || !out->open(path.string(), spec) || !out->write_image(OIIO::TypeDesc::UINT8, rgb.data()) ||
        !out->close()) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

void writeProject(const fs::path& path) {
    const nlohmann::json project{
        {"matchName", "TQKV Absolute Curves"},
        {"parameters", {{"curve", writeCurveSet(bench::absoluteCurvesFor(bench::AbsoluteCurves::AllEight))}}}};
    std::ofstream(path) << project.dump(2) << "\n";
}

kvhost::PanelEvent panelEvent(kvhost::PanelEvent::Kind kind, int x, int y) {
    kvhost::PanelEvent event;
    event.kind = kind;
    event.x = x;
    event.y = y;
    return event;
}

// One editor, its server and a client; a node drag is open from the start and stays open.
struct Editor {
    fs::path folder;
    std::unique_ptr<kvhost::PluginFile> plugin;
    std::unique_ptr<kvhost::EditorSession> session;
    std::unique_ptr<kvhost::EditorServer> server;
    std::unique_ptr<httplib::Client> client;
    int step = 0;

    Editor() {
        folder = fs::temp_directory_path() / ("kv_serve_bench_" + std::to_string(::getpid()));
        fs::create_directories(folder);
        writeInput(folder / "input.png");
        writeProject(folder / "all-eight.json");
        plugin = std::make_unique<kvhost::PluginFile>(KV_MORROWBY);
        kvhost::SessionSettings settings;
        settings.inputPath = (folder / "input.png").string();
        settings.projectPath = (folder / "all-eight.json").string();
        session = std::make_unique<kvhost::EditorSession>(*plugin, settings);
        session->resizePanel(kPanelWidth);
        kvhost::ServerSettings serving;
        serving.token = kToken;
        serving.gestureTimeout = std::chrono::hours(1);
        server = std::make_unique<kvhost::EditorServer>(*session, serving);
        server->start();
        client = std::make_unique<httplib::Client>("127.0.0.1", server->port());
        client->set_default_headers({{"X-Kvhost-Token", kToken}});
        client->set_keep_alive(true);
        client->set_tcp_nodelay(true);
        client->set_read_timeout(std::chrono::seconds(30));
        post("/api/event", R"({"type": "click", "x": )" + std::to_string(kNodeX) + R"(, "y": )" +
                               std::to_string(kNodeY) + "}");
        if (!session->gestureOpen()) {
            throw std::runtime_error("the click did not grab the rgb curve's node");
        }
    }
    ~Editor() {
        client.reset();
        server.reset();
        session->finish();
        session.reset();
        fs::remove_all(folder);
    }

    int nextRow() { return kDragRows[step++ % 2]; }

    std::string post(const std::string& path, const std::string& body) {
        const auto reply = client->Post(path, body, "application/json");
        if (!reply || reply->status != 200) {
            throw std::runtime_error(path + " failed: " + (reply ? reply->body : httplib::to_string(reply.error())));
        }
        return reply->body;
    }
    std::string get(const std::string& path) {
        const auto reply = client->Get(path);
        if (!reply || reply->status != 200) {
            throw std::runtime_error(path + " failed: " + (reply ? reply->body : httplib::to_string(reply.error())));
        }
        return reply->body;
    }
    std::string dragBody() {
        return R"({"type": "drag", "x": )" + std::to_string(kNodeX) + R"(, "y": )" + std::to_string(nextRow()) + "}";
    }
};

Editor& editor() {
    static Editor shared;
    return shared;
}

void BM_PanelEventHttp(benchmark::State& state) {
    Editor& e = editor();
    for (auto _ : state) {
        const std::string reply = e.post("/api/event", e.dragBody());
        if (reply.find("\"png\"") == std::string::npos) {
            state.SkipWithError("the drag drew no new panel");
            break;
        }
        benchmark::DoNotOptimize(reply.data());
    }
}
BENCHMARK(BM_PanelEventHttp)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_PanelEventInProcess(benchmark::State& state) {
    Editor& e = editor();
    for (auto _ : state) {
        const std::uint64_t before = e.session->panel().version;
        e.session->event(panelEvent(kvhost::PanelEvent::Kind::Drag, kNodeX, e.nextRow()));
        if (e.session->panel().version == before) {
            state.SkipWithError("the drag drew no new panel");
            break;
        }
        benchmark::DoNotOptimize(e.session->panel().png.data());
    }
}
BENCHMARK(BM_PanelEventInProcess)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_PreviewAfterDragHttp(benchmark::State& state) {
    Editor& e = editor();
    for (auto _ : state) {
        e.post("/api/event", e.dragBody());
        const std::string preview = e.get("/api/preview?full=1");
        benchmark::DoNotOptimize(preview.data());
    }
}
BENCHMARK(BM_PreviewAfterDragHttp)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_PreviewAfterDragInProcess(benchmark::State& state) {
    Editor& e = editor();
    kvhost::PreviewRequest request;
    request.fullSize = true;
    for (auto _ : state) {
        e.session->event(panelEvent(kvhost::PanelEvent::Kind::Drag, kNodeX, e.nextRow()));
        const kvhost::PreviewPicture picture = e.session->preview(request);
        if (picture.width != kInputWidth) {
            state.SkipWithError("the preview is not at full size");
            break;
        }
        benchmark::DoNotOptimize(picture.png.data());
    }
}
BENCHMARK(BM_PreviewAfterDragInProcess)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

} // namespace

// The repetitions of the four benchmarks take turns (random interleaving), so that each figure through HTTP
// and its figure in process are measured under the same load of the machine.
int main(int argc, char** argv) {
    std::vector<char*> arguments(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    arguments.insert(arguments.begin() + 1, interleave.data());
    int count = int(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data())) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
