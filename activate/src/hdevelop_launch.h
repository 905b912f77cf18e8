// Starts HDevelop with this package enabled for that process only.
#ifndef ACTIVATE_HDEVELOP_LAUNCH_H
#define ACTIVATE_HDEVELOP_LAUNCH_H

#include "tool_state.h"

namespace activate {

// Puts the Activate plan's list into the tool's own environment and starts
// hdevelop.exe from the search path with it. The user environment is not
// touched. Throws std::runtime_error.
void launchHDevelop(const ToolState& state);

}  // namespace activate

#endif
