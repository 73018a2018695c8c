#pragma once
// Thread priority: the sound library's player thread runs above normal where
// the system lets a program raise it, and quietly at normal otherwise.

namespace platform {

void raiseCurrentThreadPriority();

}  // namespace platform
