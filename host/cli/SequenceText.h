#pragma once
#include "host/EffectInstance.h"

#include <string>
#include <vector>

namespace kvhost {

// The effects' sequence data in its flat text form (docs/curve-text.md): "version", "current", "scale",
// then one "curve_sq_NAME LENGTH" block of editor-state text per curve ("tool_state", "histogram", ...).
// The host edits a field of every editor state as the panel's buttons leave it, through the plug-in's own
// flatten and resetup, so the plug-in reads the text as it reads a saved project.

// The text the plug-in flattens its sequence data to (the instance goes on with it set up again).
// Throws HostError naming the plug-in when it keeps no sequence data or a command fails.
std::string sequenceText(EffectInstance& instance);
// Hands the text to the plug-in's sequence resetup.
void setSequenceText(EffectInstance& instance, const std::string& text);

// The value of `key` in each editor-state block, in block order (empty where a block lacks the key).
std::vector<std::string> editorStateValues(const std::string& text, const std::string& key);
// The text with `key` set to `values[i]` in block i (every block to values[0] when one value is given);
// a block without the key gets it as its last line. Block lengths are counted again.
std::string withEditorStateValues(const std::string& text, const std::string& key,
                                  const std::vector<std::string>& values);

} // namespace kvhost
