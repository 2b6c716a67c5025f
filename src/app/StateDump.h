#pragma once
// The program's whole picture of the radio as text, one "name=value" line a
// field: every RadioState cell and link flag in field order, then each menu
// item of the catalogue. Written at the end of a recorded session's replay
// and compared with the session's golden file, so the order and the number
// formats never depend on the run.
#include <string>

#include "state/RadioState.h"

namespace hrx {

std::string dumpState(const RadioState& state);

}  // namespace hrx
