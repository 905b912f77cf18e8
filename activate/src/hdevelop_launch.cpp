#include "hdevelop_launch.h"

#include <stdexcept>

namespace activate {

void launchHDevelop(const ToolState&) { throw std::logic_error("not built"); }

}  // namespace activate
