#pragma once
#include "host/serve/DragCoalescer.h"
#include "host/serve/EditorSession.h"
#include "host/serve/RequestGuard.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>

namespace kvhost {

struct ServerSettings {
    std::string listenAddress = "127.0.0.1";
    int port = 0;      // 0: any free port
    std::string token; // empty: a new random one
    // A gesture with no event for this long is ended as if the mouse button were let go: its page went
    // away mid-drag. The page reports a held button twice a second.
    std::chrono::milliseconds gestureTimeout{3000};
    std::size_t projectLimit = std::size_t(4) << 20; // an uploaded project
    std::size_t requestLimit = std::size_t(64) << 10; // any other request body
    int threads = 12;
};

// The browser editor's HTTP server: the page (compiled in) and a JSON interface to one EditorSession.
// Every request passes the RequestGuard first (403 otherwise); bodies beyond their limit get 413,
// malformed ones 400, unknown routes 404. Requests reach the session one at a time; drag events that
// arrive while it is busy are coalesced (DragCoalescer).
//
// Interface (all bodies and replies JSON; pictures as base64 PNG):
//   GET  /api/state                      the session's state with the panel picture
//   POST /api/panel    {"width"}         the panel's frame width
//   POST /api/event    {"type", "x", "y", "shift", "ctrl", "alt", "double"}   type: click, drag,
//                      release, move, draw, or hold (a button still held: keeps the gesture open)
//   POST /api/param    {"name", "value"}
//   POST /api/time     {"seconds"}
//   POST /api/keyframe {"name", "action": "add" | "remove" | "move", "time", "to"}
//   POST /api/undo, POST /api/redo
//   GET  /api/preview?width=W&height=H&full=0|1&before=0|1
//   POST /api/project/save               writes --save-project when given; the text for a download
//   POST /api/project/open               the body is the project; header X-Kvhost-File-Name names it
class EditorServer {
public:
    // Binds the address; throws HostError when it cannot.
    EditorServer(EditorSession& session, ServerSettings settings);
    ~EditorServer();
    EditorServer(const EditorServer&) = delete;
    EditorServer& operator=(const EditorServer&) = delete;

    int port() const { return port_; }
    // The address to open: "http://127.0.0.1:PORT/?token=TOKEN".
    std::string editorAddress() const { return guard_.editorAddress(); }

    // Serves until stop(); on this thread.
    void run();
    // Serves on a thread of its own until stop() or destruction.
    void start();
    // Stops serving: requests in progress are answered, then run() returns. Safe from any thread.
    void stop();

    std::uint64_t dragsOffered() const { return drags_.offered(); }
    std::uint64_t dragsCoalesced() const { return drags_.coalesced(); }
    // Holds the session as a long render does, until the lock is let go: requests that arrive meanwhile
    // wait (drags coalesce). For tests of what happens while the effect is busy.
    std::unique_lock<std::mutex> holdSession() { return std::unique_lock(sessionMutex_); }

private:
    void addRoutes();
    nlohmann::json stateReply(bool withPanel);
    void handleEvent(const httplib::Request& request, httplib::Response& response);
    void handlePreview(const httplib::Request& request, httplib::Response& response);
    void handleOpen(const httplib::Request& request, httplib::Response& response);
    void watchGestures();

    EditorSession& session_;
    ServerSettings settings_;
    httplib::Server server_;
    int port_ = 0;
    RequestGuard guard_;

    std::mutex sessionMutex_; // one request at a time reaches the session
    DragCoalescer drags_;
    std::chrono::steady_clock::time_point lastEvent_; // under sessionMutex_

    std::thread serving_;
    std::thread watchdog_;
    std::mutex watchMutex_;
    std::condition_variable watchWake_;
    bool stopping_ = false; // under watchMutex_
};

} // namespace kvhost
