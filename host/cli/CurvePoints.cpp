#include "host/cli/CurvePoints.h"

#include "host/CurveSetText.h"
#include "host/HostError.h"
#include "host/Printable.h"
#include "host/cli/EffectStart.h"
#include "host/cli/SequenceText.h"
#include "host/cli/TextOutput.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>

namespace kvhost {

namespace {

// The panel the gestures are made in: the frame the host gives a control by default.
constexpr int kPanelWidth = 600;
constexpr int kPanelHeight = 340;
// Where a shift-click may land: a grid around the middle of the panel, which lies in the plot. A free
// spot among them is found with the cursor before each click.
constexpr int kProbeStep = 20;
constexpr int kProbeReachX = 120;
constexpr int kProbeReachY = 80;
// The stored text keeps six significant digits; numeric entry rounds to single precision first.
constexpr double kPlacementTolerance = 1e-5;

std::string number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

std::string pointText(double x, double y) {
    return number(x) + "," + number(y);
}

std::string withoutBlanks(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    return text;
}

std::string lowered(std::string text) {
    for (char& c : text) {
        c = char(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::optional<double> finiteNumber(const std::string& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// The effect's parameter of a name, or -1.
int parameterNamed(const EffectInstance& instance, std::initializer_list<const char*> names,
                   PF_ParamType type) {
    for (int i = 1; i < instance.parameterCount(); ++i) {
        const HostParameter& p = instance.parameter(i);
        for (const char* name : names) {
            if (p.type() == type && p.name() == name) {
                return i;
            }
        }
    }
    return -1;
}

class PointBuilder {
public:
    PointBuilder(EffectInstance& instance, const CurvePoints& points)
        : instance_(instance), points_(points), what_("--points \"" + points.given + "\"") {}

    void build() {
        curveIndex_ = curveParameter(instance_, what_);
        findControls();
        const std::string curveName = chooseCurve();
        const A_long chooserBefore = popupValue(chooser_);
        const A_long scaleBefore = scale_ >= 0 ? popupValue(scale_) : 0;
        const std::string sequenceBefore = sequenceText(instance_);
        const std::vector<std::string> toolsBefore = editorStateValues(sequenceBefore, "tool_state");

        // The edit tool, the curve in the editor, node values in curve units.
        if (std::any_of(toolsBefore.begin(), toolsBefore.end(),
                        [](const std::string& t) { return t != "0"; })) {
            setSequenceText(instance_, withEditorStateValues(sequenceBefore, "tool_state", {"0"}));
        }
        choose(chooser_, chooserValue_);
        if (scale_ >= 0) {
            choose(scale_, decimalScale_);
        }
        instance_.setPanelSize(kPanelWidth, kPanelHeight);
        empty(curveName);
        for (std::size_t i = 0; i < points_.points.size(); ++i) {
            addPoint(i);
        }

        if (scale_ >= 0) {
            choose(scale_, scaleBefore);
        }
        choose(chooser_, chooserBefore);
        if (std::any_of(toolsBefore.begin(), toolsBefore.end(),
                        [](const std::string& t) { return t != "0"; })) {
            setSequenceText(instance_,
                            withEditorStateValues(sequenceText(instance_), "tool_state", toolsBefore));
        }
        check(curveName);
    }

private:
    void findControls() {
        nodeX_ = parameterNamed(instance_, {"node x (input)"}, PF_Param_FLOAT_SLIDER);
        nodeY_ = parameterNamed(instance_, {"node y (output)", "node y (ouput)"}, PF_Param_FLOAT_SLIDER);
        if (nodeX_ < 0 || nodeY_ < 0) {
            throw HostError(what_ + ": " + instance_.plugin().path() +
                            " has no numeric node entry (\"node x (input)\" and \"node y (output)\")");
        }
        scale_ = parameterNamed(instance_, {"scale"}, PF_Param_POPUP);
        if (scale_ >= 0) {
            const auto& items = instance_.parameter(scale_).choices();
            const auto decimal = std::find_if(items.begin(), items.end(), [](const std::string& item) {
                return item.rfind("Decimal", 0) == 0;
            });
            if (decimal == items.end()) {
                throw HostError(what_ +
                                ": the \"scale\" popup has no \"Decimal\" item for values in curve units");
            }
            decimalScale_ = A_long(decimal - items.begin()) + 1;
        }
    }

    // The popup whose items are the effect's curves, in the order of the curve set text, and the curve
    // the option names.
    std::string chooseCurve() {
        const std::string text = curveSetTextNow(instance_, curveIndex_);
        const CurveSetText set = CurveSetText::parse(text); // views into text
        for (int i = 1; i < instance_.parameterCount() && chooser_ < 0; ++i) {
            const HostParameter& p = instance_.parameter(i);
            bool matches = p.type() == PF_Param_POPUP && p.choices().size() == set.curves.size();
            for (std::size_t k = 0; matches && k < set.curves.size(); ++k) {
                matches = withoutBlanks(p.choices()[k]) == set.curves[k].name;
            }
            chooser_ = matches ? i : -1;
        }
        if (chooser_ < 0) {
            throw HostError(what_ + ": " + instance_.plugin().path() +
                            " has no popup that chooses its curves (" + set.curveNames() + ")");
        }
        const HostParameter& p = instance_.parameter(chooser_);
        std::string items;
        for (std::size_t k = 0; k < p.choices().size(); ++k) {
            const std::string& item = p.choices()[k];
            if (lowered(item) == lowered(points_.curve) ||
                lowered(withoutBlanks(item)) == lowered(points_.curve)) {
                chooserValue_ = A_long(k) + 1;
                return std::string(set.curves[k].name);
            }
            items += (items.empty() ? "\"" : ", \"") + item + "\"";
        }
        throw HostError(what_ + ": \"" + printable(points_.curve) + "\" is not a curve of the \"" + p.name() +
                        "\" popup (" + items + ")");
    }

    A_long popupValue(int index) const {
        return instance_.parameter(index).valueAt(instance_.currentSeconds()).pd.value;
    }

    void choose(int index, A_long value) {
        instance_.setNumber(index, double(value));
        tell(index);
    }

    void tell(int index) {
        const PF_Err result = instance_.userChangedParam(index);
        if (result != PF_Err_NONE) {
            throw HostError(what_ + ": " + instance_.plugin().path() +
                            " failed PF_Cmd_USER_CHANGED_PARAM of \"" + instance_.parameter(index).name() +
                            "\" with error " + errorText(result));
        }
    }

    // The curve's block keeps its "version" and "loop" lines and loses its "point" lines.
    void empty(const std::string& curveName) {
        const std::string text = curveSetTextNow(instance_, curveIndex_);
        const CurveSetText set = CurveSetText::parse(text);
        for (const CurveBlockText& curve : set.curves) {
            if (curve.name != curveName) {
                continue;
            }
            const std::size_t blockStart =
                std::size_t(curve.header.data() - text.data()) + curve.header.size() + 1;
            std::string block;
            std::istringstream lines(text.substr(blockStart, curve.blockLength));
            for (std::string line; std::getline(lines, line);) {
                if (line.rfind("point", 0) != 0) {
                    block += line + "\n";
                }
            }
            const std::string emptied = text.substr(0, std::size_t(curve.header.data() - text.data())) +
                                        "curve_" + curveName + " " + std::to_string(block.size()) + "\n" +
                                        block + text.substr(blockStart + curve.blockLength);
            setCurveSetNow(instance_, curveIndex_, emptied, what_);
            return;
        }
    }

    int pointCount() {
        int count = 0;
        const std::string text = curveSetTextNow(instance_, curveIndex_);
        for (const CurveBlockText& curve : CurveSetText::parse(text).curves) {
            count += int(curve.points.size());
        }
        return count;
    }

    EventResult send(PF_EventType type, PF_Point at, bool lastDrag = false) {
        EventRequest request;
        request.type = type;
        request.paramIndex = curveIndex_;
        request.point = at;
        request.modifiers = PF_Mod_SHIFT_KEY;
        request.lastDrag = lastDrag;
        const EventResult result = instance_.sendEvent(request);
        if (result.result != PF_Err_NONE) {
            throw HostError(what_ + ": " + instance_.plugin().path() + " failed a panel event with error " +
                            errorText(result.result));
        }
        return result;
    }

    // A shift-click where the cursor shows no node or handle: the editor adds a node on its neutral line.
    bool shiftClickOnFreeSpot() {
        std::vector<PF_Point> spots;
        for (int dy = -kProbeReachY; dy <= kProbeReachY; dy += kProbeStep) {
            for (int dx = -kProbeReachX; dx <= kProbeReachX; dx += kProbeStep) {
                spots.push_back(PF_Point{kPanelWidth / 2 + dx, kPanelHeight / 2 + dy});
            }
        }
        std::stable_sort(spots.begin(), spots.end(), [](const PF_Point& a, const PF_Point& b) {
            const auto distance = [](const PF_Point& p) {
                return std::abs(p.h - kPanelWidth / 2) + std::abs(p.v - kPanelHeight / 2);
            };
            return distance(a) < distance(b);
        });
        const int before = pointCount();
        for (const PF_Point& spot : spots) {
            const PF_CursorType cursor = send(PF_Event_ADJUST_CURSOR, spot).cursor;
            if (cursor != PF_Cursor_NONE && cursor != PF_Cursor_PEN_ADD) {
                continue; // a node or a handle lies there
            }
            if (send(PF_Event_DO_CLICK, spot).sendDrag) {
                send(PF_Event_DRAG, spot, true); // let go where it was pressed: nothing moves
            }
            if (pointCount() > before) {
                return true;
            }
        }
        return false;
    }

    void enter(int index, double value) {
        instance_.setNumber(index, value);
        tell(index);
    }

    void addPoint(std::size_t i) {
        const auto [x, y] = points_.points[i];
        const std::string which = "point " + std::to_string(i + 1) + " (" + pointText(x, y) + ")";
        for (const int index : {nodeX_, nodeY_}) {
            const PF_FloatSliderDef& range = instance_.parameter(index).registered().u.fs_d;
            const double v = index == nodeX_ ? x : y;
            if (v < range.valid_min || v > range.valid_max) {
                throw HostError(what_ + ": " + which + " lies outside what \"" +
                                instance_.parameter(index).name() + "\" takes (" + number(range.valid_min) +
                                " to " + number(range.valid_max) + ")");
            }
        }
        if (!shiftClickOnFreeSpot()) {
            throw HostError(what_ + ": the effect added no node for " + which + " (the curve holds " +
                            std::to_string(i) + " of the points; it may hold no more)");
        }
        tell(curveIndex_); // the edit in the panel, as the host reports it
        enter(nodeX_, x);
        enter(nodeY_, y);
    }

    void check(const std::string& curveName) {
        const std::string text = curveSetTextNow(instance_, curveIndex_);
        const CurveSetText set = CurveSetText::parse(text);
        for (const CurveBlockText& curve : set.curves) {
            if (curve.name != curveName) {
                continue;
            }
            if (curve.points.size() != points_.points.size()) {
                throw HostError(what_ + ": the curve \"" + curveName + "\" holds " +
                                std::to_string(curve.points.size()) + " nodes after the edit, not " +
                                std::to_string(points_.points.size()) +
                                " (the editor edits the curve it shows, which may be another one)");
            }
            for (std::size_t i = 0; i < curve.points.size(); ++i) {
                const double x = std::strtod(std::string(curve.points[i].values.at(0)).c_str(), nullptr);
                const double y = std::strtod(std::string(curve.points[i].values.at(1)).c_str(), nullptr);
                const auto [wantX, wantY] = points_.points[i];
                const auto near = [](double a, double b) {
                    return std::abs(a - b) <= kPlacementTolerance * std::max(1.0, std::abs(b));
                };
                if (!near(x, wantX) || !near(y, wantY)) {
                    throw HostError(what_ + ": the effect placed point " + std::to_string(i + 1) + " at " +
                                    pointText(x, y) + ", not at " + pointText(wantX, wantY));
                }
            }
        }
    }

    EffectInstance& instance_;
    const CurvePoints& points_;
    std::string what_;
    int curveIndex_ = -1;
    int chooser_ = -1;
    A_long chooserValue_ = 1;
    int scale_ = -1;
    A_long decimalScale_ = 1;
    int nodeX_ = -1;
    int nodeY_ = -1;
};

} // namespace

CurvePoints parseCurvePoints(const std::string& text) {
    const std::string what = "--points \"" + printable(text) + "\"";
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0) {
        throw HostError(what + ": expected CURVE=x,y x,y ... (e.g. \"rgb=0,0 0.5,0.6 1,1\")");
    }
    CurvePoints parsed;
    parsed.given = text;
    parsed.curve = text.substr(0, equals);
    std::istringstream in(text.substr(equals + 1));
    for (std::string token; in >> token;) {
        const std::size_t comma = token.find(',');
        const std::optional<double> x =
            comma == std::string::npos ? std::nullopt : finiteNumber(token.substr(0, comma));
        const std::optional<double> y =
            comma == std::string::npos ? std::nullopt : finiteNumber(token.substr(comma + 1));
        if (!x || !y) {
            throw HostError(what + ": \"" + printable(token) + "\" is not a point x,y of two finite numbers");
        }
        parsed.points.emplace_back(*x, *y);
    }
    if (parsed.points.empty()) {
        throw HostError(what + ": no points after \"=\" (expected CURVE=x,y x,y ...)");
    }
    return parsed;
}

void buildCurvePoints(EffectInstance& instance, const CurvePoints& points) {
    PointBuilder(instance, points).build();
}

} // namespace kvhost
