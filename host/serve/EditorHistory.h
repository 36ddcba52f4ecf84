#pragma once
#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace kvhost {

// One state of the effect as undo and redo restore it: the project (every parameter value and keyframe,
// the sequence data's flat form), the sequence data as the plug-in held it (with the selection and the
// histograms, which the flat form leaves out) and the image chosen for each layer parameter.
struct EditorSnapshot {
    nlohmann::json project;
    std::vector<std::uint8_t> sequence;
    std::map<int, std::string> layers; // parameter index -> layer file label ("" none)
};

// The states after each change, oldest first, with the one shown. A change records a new state and drops
// the states that redo would have reached; a change that leaves the project and the layers as they were
// (a selection, a hover) only refreshes the state shown. At most `limit` states are kept.
class EditorHistory {
public:
    explicit EditorHistory(std::size_t limit = 100) : limit_(limit < 2 ? 2 : limit) {}

    // Forgets everything: `first` becomes the only state.
    void reset(EditorSnapshot first);
    // True when the snapshot was a change and became a new state.
    bool record(EditorSnapshot snapshot);
    // The state before (after) the one shown, which becomes the one shown; null when there is none.
    const EditorSnapshot* undo();
    const EditorSnapshot* redo();

    const EditorSnapshot& current() const { return states_[shown_]; }
    std::size_t undoCount() const { return shown_; }
    std::size_t redoCount() const { return states_.size() - 1 - shown_; }

private:
    std::deque<EditorSnapshot> states_;
    std::size_t shown_ = 0;
    std::size_t limit_;
};

} // namespace kvhost
