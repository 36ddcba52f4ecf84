#include "host/serve/ServeVerb.h"

#include "host/HostError.h"
#include "host/PluginFile.h"
#include "host/serve/EditorServer.h"
#include "host/serve/EditorSession.h"
#include "host/serve/RequestGuard.h"

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <ctime>
#include <thread>

namespace kvhost {

namespace {

constexpr const char* kDescription =
    "The live curve editor in the browser: serves a page that shows the effect's editor panel as the\n"
    "plug-in draws it, sends the mouse to the plug-in as the host's events, offers every parameter,\n"
    "keyframes, undo and redo, and shows the input graded live.\n"
    "The first line of standard output is the address to open:\n"
    "  kvhost: editor at http://HOST:PORT/?token=TOKEN\n"
    "Every request must carry the token; requests naming another host or coming from another page are\n"
    "refused. The server listens on 127.0.0.1 unless told otherwise and serves until SIGINT (Ctrl+C) or\n"
    "SIGTERM, then sets the effect down.\n"
    "Exit code: 0 done, 1 done but the plug-in did not give back everything it was handed, 2 an error.";

// SIGINT and SIGTERM go to a thread that waits for them; every other thread keeps them blocked.
class StopSignals {
public:
    StopSignals() {
        sigemptyset(&set_);
        sigaddset(&set_, SIGINT);
        sigaddset(&set_, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &set_, &previous_);
        signal(SIGPIPE, SIG_IGN); // a page closed mid-reply is not a reason to stop
    }
    ~StopSignals() {
        stopWaiting();
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Calls `stop` with the signal's name on the first signal.
    template <typename Stop>
    void onSignal(Stop stop) {
        waiter_ = std::thread([this, stop] {
            const timespec poll{0, 100 * 1000 * 1000};
            while (!done_) {
                siginfo_t info{};
                const int signal = sigtimedwait(&set_, &info, &poll);
                if (signal == SIGINT || signal == SIGTERM) {
                    stop(signal == SIGINT ? "SIGINT" : "SIGTERM");
                    return;
                }
            }
        });
    }

    void stopWaiting() {
        done_ = true;
        if (waiter_.joinable()) {
            waiter_.join();
        }
    }

private:
    sigset_t set_{};
    sigset_t previous_{};
    std::atomic<bool> done_{false};
    std::thread waiter_;
};

} // namespace

std::string ServeVerb::listenWarning(const std::string& address) {
    if (RequestGuard::isLoopback(address)) {
        return std::string();
    }
    return "kvhost: warning: listening on " + address +
           ", not on loopback: other machines can reach the editor, and anyone who learns the token can "
           "change the effect and write --save-project";
}

CLI::App* ServeVerb::add(CLI::App& app) {
    CLI::App* verb = app.add_subcommand("serve", kDescription);
    verb->add_option("PLUGIN", plugin_, "plug-in file (.so)")->required();
    verb->add_option("INPUT", input_, "image graded in the preview")->required();
    verb->add_option("--layer", layers_,
                     "NAME=FILE: an image for a layer parameter, e.g. \"base layer=b.png\"; every file given "
                     "is offered for every layer parameter")
        ->allow_extra_args(false);
    verb->add_option("--project", project_, "start from a saved project");
    verb->add_option("--save-project", saveProject_,
                     "where the page's save writes the project (it is always offered as a download too)");
    verb->add_option("--depth", depth_, "render depth 8, 16 or 32 (float); default: the input file's")
        ->check(CLI::IsMember({8, 16, 32}));
    verb->add_option("--listen", listen_, "address to listen on (default 127.0.0.1)");
    verb->add_option("--port", port_, "port to listen on; 0 (the default) takes any free port")
        ->check(CLI::Range(0, 65535));
    verb->add_option("--token", token_,
                     "the token every request must carry (16 or more of A-Z a-z 0-9 . _ ~ -); default: a "
                     "new random one");
    verb->add_option("--threads", threads_, "processor count the host reports; default: the machine's")
        ->check(CLI::Range(1, 1024));
    return verb;
}

int ServeVerb::run(std::ostream& out, std::ostream& err) {
    StopSignals signals; // before any thread starts, so that all of them inherit the blocked signals
    if (!token_.empty()) {
        RequestGuard::checkToken(token_);
    }
    SessionSettings settings;
    settings.inputPath = input_;
    for (const std::string& text : layers_) {
        settings.layers.push_back(parseSetting(text, "--layer"));
    }
    settings.projectPath = project_;
    settings.saveProjectPath = saveProject_;
    settings.depth = depth_;
    settings.processors = threads_;

    PluginFile plugin(plugin_);
    EditorSession session(plugin, settings);
    ServerSettings serving;
    serving.listenAddress = listen_;
    serving.port = port_;
    serving.token = token_;
    {
        EditorServer server(session, serving);
        out << "kvhost: editor at " << server.editorAddress() << std::endl;
        const std::string warning = listenWarning(listen_);
        if (!warning.empty()) {
            err << warning << "\n";
        }
        err << "kvhost: serving " << plugin.path() << " on " << input_ << "; Ctrl+C stops" << std::endl;
        signals.onSignal([&server, &err](const char* name) {
            err << "kvhost: " << name << ": setting the effect down" << std::endl;
            server.stop();
        });
        server.run();
        signals.stopWaiting();
    } // the server's threads end here, before the session is set down
    const std::string problems = session.finish();
    const bool unsaved = session.unsaved();
    if (unsaved) {
        err << "kvhost: the last changes were not saved" << std::endl;
    }
    if (!problems.empty()) {
        err << problems;
        return 1;
    }
    return 0;
}

} // namespace kvhost
