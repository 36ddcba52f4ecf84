// kvhost: loads an effect plug-in file as the real host does and runs it command by command.
#include "host/FileReplacement.h"
#include "host/ImageFile.h"
#include "host/cli/InfoVerb.h"
#include "host/cli/KeyVerb.h"
#include "host/cli/LutVerb.h"
#include "host/cli/PanelVerb.h"
#include "host/cli/ParamsVerb.h"
#include "host/cli/RenderVerb.h"
#include "host/serve/ServeVerb.h"

#include <iostream>
#include <memory>
#include <vector>

namespace {

// Every error exits with 2, usage errors included; help and the version are no errors.
constexpr int kErrorExit = 2;

} // namespace

int main(int argc, char** argv) {
    kvhost::FileReplacement::removeTemporariesOnSignals();
    CLI::App app{"kvhost: the headless host of the Korvane effect plug-ins.\n"
                 "Curve sets are text: see docs/curve-text.md, or write points with --points."};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("kvhost ") + KV_VERSION + " (OpenImageIO " +
                                          kvhost::imageLibraryVersion() + ")");
    app.failure_message([](const CLI::App*, const CLI::Error& error) {
        return std::string("kvhost: ") + error.what() +
               "\n(kvhost VERB --help lists the options of a verb)\n";
    });
    std::vector<std::unique_ptr<kvhost::Verb>> verbs;
    verbs.push_back(std::make_unique<kvhost::InfoVerb>());
    verbs.push_back(std::make_unique<kvhost::ParamsVerb>());
    verbs.push_back(std::make_unique<kvhost::RenderVerb>());
    verbs.push_back(std::make_unique<kvhost::PanelVerb>());
    verbs.push_back(std::make_unique<kvhost::LutVerb>());
    verbs.push_back(std::make_unique<kvhost::KeyVerb>());
    verbs.push_back(std::make_unique<kvhost::ServeVerb>());
    std::vector<std::pair<CLI::App*, kvhost::Verb*>> commands;
    for (auto& verb : verbs) {
        commands.emplace_back(verb->add(app), verb.get());
    }
    try {
        app.parse(argc, argv);
        for (auto& [command, verb] : commands) {
            if (command->parsed()) {
                return verb->run(std::cout, std::cerr);
            }
        }
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? 0 : kErrorExit;
    } catch (const std::exception& error) {
        std::cerr << "kvhost: " << error.what() << "\n";
    }
    return kErrorExit;
}
