#include "host/serve/EditorServer.h"

#include "host/HostError.h"
#include "host/serve/JsonReply.h"
#include "host/serve/PageFiles.h"

#include <cerrno>
#include <cmath>
#include <cstring>

namespace kvhost {

namespace {

using nlohmann::json;
using Clock = std::chrono::steady_clock;

// Coordinates far outside any panel are a fault of the page, as in an events file.
constexpr long kLargestCoordinate = 1000000;
// Nothing the page sends is larger than this in either direction.
constexpr int kLargestView = 16384;
// Stands for the token in the page's files (the only text replaced in them).
constexpr std::string_view kTokenMark = "KVHOST_TOKEN";

int bound(httplib::Server& server, const ServerSettings& settings) {
    if (settings.port < 0 || settings.port > 65535) {
        throw HostError("--port " + std::to_string(settings.port) + ": 0 to 65535");
    }
    errno = 0;
    const int port = settings.port == 0 ? server.bind_to_any_port(settings.listenAddress)
                                        : (server.bind_to_port(settings.listenAddress, settings.port) ? settings.port
                                                                                                     : -1);
    if (port <= 0) {
        const int error = errno;
        throw HostError("cannot listen on " + settings.listenAddress + " port " + std::to_string(settings.port) +
                        (error ? std::string(": ") + std::strerror(error) : std::string()));
    }
    return port;
}

const json& member(const json& body, const char* key) {
    if (!body.is_object() || !body.contains(key)) {
        throw RequestFault(std::string("the request has no \"") + key + "\"");
    }
    return body[key];
}

std::string text(const json& body, const char* key) {
    const json& value = member(body, key);
    if (!value.is_string()) {
        throw RequestFault(std::string("\"") + key + "\" is not text: " + value.dump());
    }
    return value.get<std::string>();
}

double number(const json& body, const char* key) {
    const json& value = member(body, key);
    if (!value.is_number() || !std::isfinite(value.get<double>())) {
        throw RequestFault(std::string("\"") + key + "\" is not a number: " + value.dump());
    }
    return value.get<double>();
}

int coordinate(const json& body, const char* key) {
    const json& value = member(body, key);
    if (!value.is_number_integer() || std::abs(value.get<long long>()) > kLargestCoordinate) {
        throw RequestFault(std::string("\"") + key + "\" is not a whole number of pixels within " +
                           std::to_string(kLargestCoordinate) + ": " + value.dump());
    }
    return int(value.get<long long>());
}

bool flag(const json& body, const char* key) {
    if (!body.contains(key)) {
        return false;
    }
    if (!body[key].is_boolean()) {
        throw RequestFault(std::string("\"") + key + "\" is not true or false: " + body[key].dump());
    }
    return body[key].get<bool>();
}

// The event of a request body; std::nullopt for "hold".
std::optional<PanelEvent> parseEvent(const json& body) {
    const std::string type = text(body, "type");
    if (type == "hold") {
        return std::nullopt;
    }
    PanelEvent event;
    static const std::pair<const char*, PanelEvent::Kind> kinds[] = {
        {"click", PanelEvent::Kind::Click}, {"drag", PanelEvent::Kind::Drag}, {"release", PanelEvent::Kind::Release},
        {"move", PanelEvent::Kind::Move},   {"draw", PanelEvent::Kind::Draw}};
    bool known = false;
    for (const auto& [name, kind] : kinds) {
        if (type == name) {
            event.kind = kind;
            known = true;
        }
    }
    if (!known) {
        throw RequestFault("\"" + type + "\" is not an event (click, drag, release, move, draw, hold)");
    }
    if (event.kind != PanelEvent::Kind::Draw) {
        event.x = coordinate(body, "x");
        event.y = coordinate(body, "y");
    }
    event.modifiers = PF_Modifiers((flag(body, "shift") ? PF_Mod_SHIFT_KEY : 0) |
                                   (flag(body, "ctrl") ? PF_Mod_CMD_CTRL_KEY : 0) |
                                   (flag(body, "alt") ? PF_Mod_OPT_ALT_KEY : 0));
    event.doubleClick = flag(body, "double");
    if (event.doubleClick && event.kind != PanelEvent::Kind::Click) {
        throw RequestFault("only a click can be a double click");
    }
    return event;
}

int viewSize(const httplib::Request& request, const char* key) {
    if (!request.has_param(key)) {
        return kLargestView;
    }
    const std::string value = request.get_param_value(key);
    char* end = nullptr;
    const long parsed = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || parsed < 1 || parsed > kLargestView) {
        throw RequestFault(std::string(key) + " \"" + value + "\" is not a whole number from 1 to " +
                           std::to_string(kLargestView));
    }
    return int(parsed);
}

bool switchParam(const httplib::Request& request, const char* key) {
    const std::string value = request.has_param(key) ? request.get_param_value(key) : "0";
    if (value != "0" && value != "1") {
        throw RequestFault(std::string(key) + " \"" + value + "\" is neither 0 nor 1");
    }
    return value == "1";
}

// Runs a handler: request faults and the session's HostErrors become replies with their status.
template <typename Handler>
void guarded(httplib::Response& response, int hostErrorStatus, Handler&& handler) {
    try {
        handler();
    } catch (const RequestFault& fault) {
        replyError(response, fault.status(), fault.what());
    } catch (const HostError& error) {
        replyError(response, hostErrorStatus, error.what());
    } catch (const std::exception& error) {
        replyError(response, 500, error.what());
    }
}

} // namespace

EditorServer::EditorServer(EditorSession& session, ServerSettings settings)
    : session_(session),
      settings_(std::move(settings)),
      port_(bound(server_, settings_)),
      guard_(settings_.token.empty() ? RequestGuard::newToken() : settings_.token, settings_.listenAddress, port_) {
    const int threads = std::max(2, settings_.threads);
    server_.new_task_queue = [threads] { return new httplib::ThreadPool(std::size_t(threads)); };
    server_.set_payload_max_length(std::max(settings_.projectLimit, settings_.requestLimit));
    // Replies go out whole at once: without this a small reply waits for the client's delayed ACK.
    server_.set_tcp_nodelay(true);
    server_.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        const std::string refused = guard_.refusal(request);
        if (refused.empty()) {
            return httplib::Server::HandlerResponse::Unhandled;
        }
        replyError(response, 403, refused);
        return httplib::Server::HandlerResponse::Handled;
    });
    server_.set_error_handler([](const httplib::Request& request, httplib::Response& response) {
        if (!response.body.empty()) {
            return;
        }
        const std::string what = response.status == 404   ? "nothing is at " + request.method + " " + request.path
                                 : response.status == 413 ? "the request body is too large"
                                                          : "the request failed";
        replyError(response, response.status, what);
    });
    server_.set_exception_handler([](const httplib::Request&, httplib::Response& response, std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            replyError(response, 500, e.what());
        } catch (...) {
            replyError(response, 500, "unknown failure");
        }
    });
    server_.set_default_headers({{"X-Content-Type-Options", "nosniff"},
                                 {"X-Frame-Options", "DENY"},
                                 {"Referrer-Policy", "no-referrer"}});
    addRoutes();
    lastEvent_ = Clock::now();
    watchdog_ = std::thread([this] { watchGestures(); });
}

EditorServer::~EditorServer() {
    stop();
    if (serving_.joinable()) {
        serving_.join();
    }
    if (watchdog_.joinable()) {
        watchdog_.join();
    }
}

void EditorServer::run() {
    server_.listen_after_bind();
}

void EditorServer::start() {
    // The socket listens from the constructor on: connections made before this thread accepts them wait.
    serving_ = std::thread([this] { run(); });
}

void EditorServer::stop() {
    {
        std::lock_guard lock(watchMutex_);
        stopping_ = true;
    }
    watchWake_.notify_all();
    server_.stop();
}

void EditorServer::watchGestures() {
    const auto poll = std::max(std::chrono::milliseconds(20), settings_.gestureTimeout / 4);
    std::unique_lock wait(watchMutex_);
    while (!stopping_) {
        watchWake_.wait_for(wait, poll);
        if (stopping_) {
            break;
        }
        wait.unlock();
        {
            std::lock_guard lock(sessionMutex_);
            if (session_.gestureOpen() && Clock::now() - lastEvent_ > settings_.gestureTimeout) {
                try {
                    session_.endGesture();
                } catch (const std::exception&) {
                    // The next request reports the plug-in's failure; the gesture is ended regardless.
                }
            }
        }
        wait.lock();
    }
}

json EditorServer::stateReply(bool withPanel) {
    json state = session_.state();
    if (withPanel) {
        state["panel"]["png"] = base64(session_.panel().png);
    }
    return state;
}

void EditorServer::addRoutes() {
    for (const PageFile& file : pageFiles()) {
        // The page's own references to its style and script carry the token like every other request.
        std::string content(file.content);
        for (std::size_t at = content.find(kTokenMark); at != std::string::npos; at = content.find(kTokenMark, at)) {
            content.replace(at, kTokenMark.size(), guard_.token());
        }
        server_.Get(std::string(file.path), [content, type = std::string(file.contentType)](
                                                const httplib::Request&, httplib::Response& response) {
            response.set_header("Cache-Control", "no-store");
            response.set_header("Content-Security-Policy",
                                "default-src 'self'; img-src 'self' data: blob:; style-src 'self'; "
                                "script-src 'self'; connect-src 'self'; frame-ancestors 'none'; "
                                "base-uri 'none'; form-action 'none'");
            response.set_content(content, type);
        });
    }
    // Every handler below checks its body's size first: the server's own limit is the project's.
    auto small = [this](const httplib::Request& request) {
        if (request.body.size() > settings_.requestLimit) {
            throw RequestFault("the request body of " + std::to_string(request.body.size()) +
                                   " bytes is larger than " + std::to_string(settings_.requestLimit),
                               413);
        }
        return parseBody(request);
    };
    server_.Get("/api/state", [this](const httplib::Request&, httplib::Response& response) {
        guarded(response, 500, [&] {
            std::lock_guard lock(sessionMutex_);
            replyJson(response, stateReply(true));
        });
    });
    server_.Post("/api/panel", [this, small](const httplib::Request& request, httplib::Response& response) {
        guarded(response, 500, [&] {
            const json body = small(request);
            const double width = number(body, "width");
            std::lock_guard lock(sessionMutex_);
            session_.resizePanel(int(std::clamp(width, 0.0, double(EditorSession::kWidestPanel))));
            replyJson(response, stateReply(true));
        });
    });
    server_.Post("/api/event", [this](const httplib::Request& request, httplib::Response& response) {
        handleEvent(request, response);
    });
    server_.Post("/api/param", [this, small](const httplib::Request& request, httplib::Response& response) {
        guarded(response, 400, [&] {
            const json body = small(request);
            const std::string name = text(body, "name");
            const json& value = member(body, "value");
            std::lock_guard lock(sessionMutex_);
            session_.setParameter(name, value);
            replyJson(response, stateReply(true));
        });
    });
    server_.Post("/api/time", [this, small](const httplib::Request& request, httplib::Response& response) {
        guarded(response, 400, [&] {
            const double seconds = number(small(request), "seconds");
            std::lock_guard lock(sessionMutex_);
            session_.setTime(seconds);
            replyJson(response, stateReply(true));
        });
    });
    server_.Post("/api/keyframe", [this, small](const httplib::Request& request, httplib::Response& response) {
        guarded(response, 400, [&] {
            const json body = small(request);
            const std::string name = text(body, "name");
            const std::string action = text(body, "action");
            const double time = number(body, "time");
            EditorSession::KeyframeAction which = EditorSession::KeyframeAction::Add;
            double to = time;
            if (action == "remove") {
                which = EditorSession::KeyframeAction::Remove;
            } else if (action == "move") {
                which = EditorSession::KeyframeAction::Move;
                to = number(body, "to");
            } else if (action != "add") {
                throw RequestFault("\"" + action + "\" is not a keyframe action (add, remove, move)");
            }
            std::lock_guard lock(sessionMutex_);
            session_.keyframe(name, which, time, to);
            replyJson(response, stateReply(true));
        });
    });
    for (const bool undo : {true, false}) {
        server_.Post(undo ? "/api/undo" : "/api/redo",
                     [this, small, undo](const httplib::Request& request, httplib::Response& response) {
                         guarded(response, 500, [&] {
                             if (request.body.size() > settings_.requestLimit) {
                                 small(request);
                             }
                             std::lock_guard lock(sessionMutex_);
                             const bool done = undo ? session_.undo() : session_.redo();
                             json reply = stateReply(true);
                             reply["done"] = done;
                             replyJson(response, reply);
                         });
                     });
    }
    server_.Get("/api/preview", [this](const httplib::Request& request, httplib::Response& response) {
        handlePreview(request, response);
    });
    server_.Post("/api/project/save", [this, small](const httplib::Request& request, httplib::Response& response) {
        guarded(response, 500, [&] {
            if (request.body.size() > settings_.requestLimit) {
                small(request);
            }
            std::lock_guard lock(sessionMutex_);
            const EditorSession::SavedProject saved = session_.saveProject();
            json reply = stateReply(false);
            reply["project"] = saved.text;
            reply["savedTo"] = saved.path;
            replyJson(response, reply);
        });
    });
    server_.Post("/api/project/open", [this](const httplib::Request& request, httplib::Response& response) {
        handleOpen(request, response);
    });
}

void EditorServer::handleEvent(const httplib::Request& request, httplib::Response& response) {
    guarded(response, 500, [&] {
        if (request.body.size() > settings_.requestLimit) {
            throw RequestFault("the request body of " + std::to_string(request.body.size()) +
                                   " bytes is larger than " + std::to_string(settings_.requestLimit),
                               413);
        }
        const std::optional<PanelEvent> event = parseEvent(parseBody(request));
        if (event && event->kind == PanelEvent::Kind::Drag) {
            drags_.offer(*event);
        }
        std::lock_guard lock(sessionMutex_);
        lastEvent_ = Clock::now();
        const std::uint64_t panelBefore = session_.panel().version;
        bool coalesced = false;
        EditorSession::EventOutcome outcome;
        if (event) {
            // A drag still waiting goes first (it may be this request's own); another event follows it.
            const std::optional<PanelEvent> waiting = drags_.take();
            if (waiting) {
                outcome = session_.event(*waiting);
            }
            if (event->kind != PanelEvent::Kind::Drag) {
                outcome = session_.event(*event);
            } else {
                coalesced = !waiting;
            }
        }
        json reply{{"version", session_.version()},
                   {"gesture", session_.gestureOpen()},
                   {"coalesced", coalesced},
                   {"sent", outcome.sent},
                   {"changed", outcome.changedValue},
                   {"unsaved", session_.unsaved()},
                   {"undo", session_.undoSteps()},
                   {"redo", session_.redoSteps()}};
        if (!outcome.cursor.empty()) {
            reply["cursor"] = outcome.cursor;
        }
        const PanelPicture& panel = session_.panel();
        reply["panel"] = json{{"version", panel.version}, {"width", panel.width}, {"height", panel.height}};
        if (panel.version != panelBefore) {
            reply["panel"]["png"] = base64(panel.png);
        }
        replyJson(response, reply);
    });
}

void EditorServer::handlePreview(const httplib::Request& request, httplib::Response& response) {
    guarded(response, 500, [&] {
        PreviewRequest wanted;
        wanted.width = viewSize(request, "width");
        wanted.height = viewSize(request, "height");
        wanted.fullSize = switchParam(request, "full");
        wanted.before = switchParam(request, "before");
        std::lock_guard lock(sessionMutex_);
        const std::uint64_t panelBefore = session_.panel().version;
        const PreviewPicture picture = session_.preview(wanted);
        json reply{{"png", base64(picture.png)},   {"width", picture.width},
                   {"height", picture.height},     {"downsample", picture.downsample},
                   {"version", picture.version},   {"before", picture.before},
                   {"histogram", picture.histogram}};
        const PanelPicture& panel = session_.panel();
        reply["panel"] = json{{"version", panel.version}, {"width", panel.width}, {"height", panel.height}};
        if (panel.version != panelBefore) {
            reply["panel"]["png"] = base64(panel.png);
        }
        replyJson(response, reply);
    });
}

void EditorServer::handleOpen(const httplib::Request& request, httplib::Response& response) {
    guarded(response, 400, [&] {
        if (request.body.size() > settings_.projectLimit) {
            throw RequestFault("the project of " + std::to_string(request.body.size()) + " bytes is larger than " +
                                   std::to_string(settings_.projectLimit),
                               413);
        }
        const std::string name =
            request.has_header("X-Kvhost-File-Name") ? request.get_header_value("X-Kvhost-File-Name") : "project.json";
        std::lock_guard lock(sessionMutex_);
        session_.openProject(request.body, name);
        replyJson(response, stateReply(true));
    });
}

} // namespace kvhost
