#pragma once
// What must hold of every curve set and editor state set the readers produce, whatever text they read.
#include "curves/CurveSet.h"
#include "curves/EditorState.h"

#include <string>
#include <string_view>

namespace korvane::fuzz {

// Every active node finite with handle modes 0..2 and flags 0/1; Relative: a finite change factor.
void checkCurve(const Curve& curve);
void checkCurveSet(const RelativeCurveSet& set);
void checkCurveSet(const AbsoluteCurveSet& set);

// current 0..7, active -1..39, tool and histogram modes 0..2, finite views, a positive finite scale,
// histogram mode 0..2 and a pixel count not below 0.
void checkEditorStateSet(const EditorStateSet& set);

// Reads the text, checks the set, writes it, reads and writes that again: both writes must be equal.
// Returns the written text.
template <class Traits>
std::string stableCurveSetText(std::string_view text);
template <class Traits>
std::string stableEditorStateSetText(std::string_view text);

} // namespace korvane::fuzz
