#include "host/serve/EditorHistory.h"

namespace kvhost {

void EditorHistory::reset(EditorSnapshot first) {
    states_.clear();
    states_.push_back(std::move(first));
    shown_ = 0;
}

bool EditorHistory::record(EditorSnapshot snapshot) {
    if (states_.empty()) {
        reset(std::move(snapshot));
        return true;
    }
    EditorSnapshot& shown = states_[shown_];
    if (shown.project == snapshot.project && shown.layers == snapshot.layers) {
        shown.sequence = std::move(snapshot.sequence);
        return false;
    }
    states_.erase(states_.begin() + std::ptrdiff_t(shown_) + 1, states_.end());
    states_.push_back(std::move(snapshot));
    if (states_.size() > limit_) {
        states_.pop_front();
    }
    shown_ = states_.size() - 1;
    return true;
}

const EditorSnapshot* EditorHistory::undo() {
    if (shown_ == 0) {
        return nullptr;
    }
    return &states_[--shown_];
}

const EditorSnapshot* EditorHistory::redo() {
    if (states_.empty() || shown_ + 1 >= states_.size()) {
        return nullptr;
    }
    return &states_[++shown_];
}

} // namespace kvhost
