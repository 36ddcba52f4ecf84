// kvhost: loads an effect plug-in file as the real host does and runs it command by command.
#include "host/HostError.h"
#include "host/cli/InfoVerb.h"
#include "host/cli/LutVerb.h"
#include "host/cli/PanelVerb.h"
#include "host/cli/ParamsVerb.h"
#include "host/cli/RenderVerb.h"
#include "host/serve/ServeVerb.h"

#include <iostream>
#include <memory>
#include <vector>

int main(int argc, char** argv) {
    CLI::App app{"kvhost: the headless host of the Korvane effect plug-ins"};
    app.require_subcommand(1);
    std::vector<std::unique_ptr<kvhost::Verb>> verbs;
    verbs.push_back(std::make_unique<kvhost::InfoVerb>());
    verbs.push_back(std::make_unique<kvhost::ParamsVerb>());
    verbs.push_back(std::make_unique<kvhost::RenderVerb>());
    verbs.push_back(std::make_unique<kvhost::PanelVerb>());
    verbs.push_back(std::make_unique<kvhost::LutVerb>());
    verbs.push_back(std::make_unique<kvhost::ServeVerb>());
    std::vector<std::pair<CLI::App*, kvhost::Verb*>> commands;
    for (auto& verb : verbs) {
        commands.emplace_back(verb->add(app), verb.get());
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error);
    }
    try {
        for (auto& [command, verb] : commands) {
            if (command->parsed()) {
                return verb->run(std::cout, std::cerr);
            }
        }
    } catch (const kvhost::HostError& error) {
        std::cerr << "kvhost: " << error.what() << "\n";
        return 2;
    } catch (const std::exception& error) {
        std::cerr << "kvhost: " << error.what() << "\n";
        return 2;
    }
    return 2;
}
