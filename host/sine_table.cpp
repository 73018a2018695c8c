#include "host/sine_table.h"

#include <cmath>

namespace host {

SineTable buildSineTable()
{
    SineTable table;
    for (int i = 0; i < 256; ++i) {
        const long double angle = (static_cast<long double>(i) * 3.14159265358979L) * 0.0078125L;
        table.sinTable[i] = static_cast<float>(std::sin(angle));
        table.cosTable[i] = static_cast<float>(std::cos(angle));
    }
    return table;
}

}  // namespace host
