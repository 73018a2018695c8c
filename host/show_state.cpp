#include "host/show_random.h"
#include "host/show_state.h"

namespace host {

ShowState showState;
ShowRandom showRandom;

}  // namespace host
