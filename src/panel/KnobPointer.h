#pragma once
// Where the pointer mark of a knob control points for a value, and which
// caption highlight a focused control shows. Pure geometry for the knob
// drawing; integer arithmetic as the panel has always done it.
#include <cstdint>

#include "state/RadioState.h"

namespace hrx::panel {

enum class PointerScale : std::uint8_t { Mic, Keyer, Proc, Carrier, Notch, Contour, Apf, Shift, Level, Width };

// Pointer direction in degrees clockwise from the top.
int pointerAngle(PointerScale scale, std::int32_t value);

// The pointer of knob control 14..21 for the radio's state: the value the
// control now stands for (MIC or SPEED, PROC or CAR, CONT or APF, RF or SQL,
// by the worked side's mode and functions) on that value's scale.
int knobPointerAngle(int id, const RadioState& st);

struct PointerLine {
  int x0, y0, x1, y1;   // outer end, inner end
};
// The red mark on an inner knob (distance 11 to 4) or outer ring (20 to 5).
PointerLine pointerLine(int cx, int cy, bool inner, int angleDeg);

struct Caption {
  int x, y;
  int bitmap;
};
// The caption image of the knob group of focus index 22..29 (controls
// 14..21): its highlight for `which` (0 or 1: the control's first or second
// meaning, e.g. MIC / SPEED), or its plain image when `focused` is false.
// bitmap 0 for an index outside the panel's controls.
Caption captionFor(int focusIndex, bool focused, int which);

}  // namespace hrx::panel
