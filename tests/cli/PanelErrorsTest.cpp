// kvhost panel with bad input, as one table (BadInputTable.h).
#include "tests/cli/BadInputTable.h"

#include <sys/stat.h>

namespace kvtest {
namespace {

using BadInput = BadInputBase;

std::vector<std::string> panel(const BadInput& t, std::vector<std::string> options) {
    std::vector<std::string> arguments = {"panel", KV_MORROWBY, t.path("panel.png")};
    arguments.insert(arguments.end(), options.begin(), options.end());
    return arguments;
}

Case refused(std::vector<std::string> arguments, std::vector<std::string> says) {
    return Case{std::move(arguments), std::move(says), "panel.png"};
}

const std::vector<Row>& rows() {
    static const std::vector<Row> table = {
        // ---- events files ----
        {"EventsBadLine",
         [](const BadInput& t) {
             return refused(panel(t, {"--events", t.file("events.txt", "click 100 100\nwiggle 3 4\n")}),
                            {t.path("events.txt") + ":2:", "unknown event \"wiggle\""});
         }},
        {"EventsDragWithoutClick",
         [](const BadInput& t) {
             return refused(panel(t, {"--events", t.file("events.txt", "draw\ndrag 5 5\n")}),
                            {t.path("events.txt") + ":2:", "without a click before it"});
         }},
        {"EventsMissing",
         [](const BadInput& t) { return refused(panel(t, {"--events", t.path("none.txt")}), {t.path("none.txt"), "no such file"}); }},
        {"EventsFromADevice",
         [](const BadInput& t) { return refused(panel(t, {"--events", "/dev/zero"}), {"/dev/zero", "is not a regular file"}); }},
        {"EventsFromAPipe",
         [](const BadInput& t) {
             ::mkfifo(t.path("pipe.txt").c_str(), 0600);
             return refused(panel(t, {"--events", t.path("pipe.txt")}), {t.path("pipe.txt"), "is not a regular file"});
         }},
        {"EventsOfMoreThanAMillionLines",
         [](const BadInput& t) {
             std::string lines;
             for (int i = 0; i <= 1000000; ++i) {
                 lines += "draw\n";
             }
             return refused(panel(t, {"--events", t.file("long.txt", lines)}), {t.path("long.txt"), "more than 1000000 lines"});
         }},
        {"EventsCoordinateBeyondAnyPanel",
         [](const BadInput& t) {
             return refused(panel(t, {"--events", t.file("far.txt", "click 1000000000 5\n")}),
                            {t.path("far.txt") + ":1:", "\"1000000000\" lies outside the panel coordinates"});
         }},
        {"EventsControlBytesShownEscaped",
         [](const BadInput& t) {
             return refused(panel(t, {"--events", t.file("escape.txt", "click 1 2\n\x1b]0;owned\x07 3 4\n")}),
                            {t.path("escape.txt") + ":2:", "unknown event \"\\x1b]0;owned\\x07\""});
         }},
        // ---- projects and curves ----
        {"ProjectNestedWithoutEnd",
         [](const BadInput& t) {
             const std::string deep = absoluteProject(R"({"curve": )" + std::string(150000, '[') + std::string(150000, ']') + "}");
             return refused(panel(t, {"--project", t.file("deep.json", deep)}), {t.path("deep.json"), "nests deeper than 64 levels"});
         }},
        {"ProjectCurveNotCurveText",
         [](const BadInput& t) {
             return refused(panel(t, {"--project", t.file("hello.json", absoluteProject(R"({"curve": "hello world"})"))}),
                            {t.path("hello.json"), "is not curve set text"});
         }},
        {"CurvesFromADevice",
         [](const BadInput& t) { return refused(panel(t, {"--curves", "/dev/zero"}), {"/dev/zero", "is not a regular file"}); }},
        {"PointsNotANumber",
         [](const BadInput& t) { return refused(panel(t, {"--points", "rgb=0,0 1,x"}), {"\"1,x\" is not a point x,y"}); }},
        // ---- the image rendered for the histogram ----
        {"RenderImageMissing",
         [](const BadInput& t) { return refused(panel(t, {"--render", t.path("none.png")}), {t.path("none.png"), "no such file"}); }},
        {"RenderImageOverTheLimit",
         [](const BadInput& t) {
             return refused(panel(t, {"--render", t.smallPng("in.png"), "--max-megapixels", "0.000001"}),
                            {t.path("in.png"), "larger than the host takes"});
         }},
        // ---- plug-in, output and options ----
        {"PluginIsAPicture",
         [](const BadInput& t) {
             const std::string plugin = t.smallPng("plugin.png");
             return refused({"panel", plugin, t.path("panel.png")}, {plugin, "not a shared library"});
         }},
        {"OutputFormatUnknown",
         [](const BadInput& t) {
             return Case{{"panel", KV_MORROWBY, t.path("panel.nothing")}, {t.path("panel.nothing"), "no image format"}, "panel.nothing"};
         }},
        {"WidthZero", [](const BadInput& t) { return refused(panel(t, {"--width", "0"}), {"--width"}); }},
        {"HeightNotANumber", [](const BadInput& t) { return refused(panel(t, {"--height", "tall"}), {"--height"}); }},
    };
    return table;
}

class PanelBadInput : public BadInputBase, public ::testing::WithParamInterface<Row> {};

TEST_P(PanelBadInput, NamesTheFaultExitsWith2AndWritesNothing) {
    expectRefused(GetParam().make(*this));
}

INSTANTIATE_TEST_SUITE_P(Kvhost, PanelBadInput, ::testing::ValuesIn(rows()), rowName);

} // namespace
} // namespace kvtest
