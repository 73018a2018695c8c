// A page's program has no file of its own.
#include "platform/process.h"

namespace platform {

std::string programPath() { return {}; }

}  // namespace platform
