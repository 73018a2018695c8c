#include "sound/core/options.h"

#include <cstddef>

namespace corvid {

void OptionValues::reset()
{
    values_ = {};
    values_[1] = 44100;
    values_[2] = 0;
    values_[3] = 500;
    values_[4] = 16;
    values_[8] = 100;
    values_[9] = 1;
    values_[10] = 3;
    values_[12] = 64;
}

void OptionValues::set(int32_t number, int32_t value)
{
    if (number < firstOption || number > lastOption)
        return;
    if (number == static_cast<int32_t>(Option::mixingMode))
        value = value == 1 ? 1 : 0;
    values_[static_cast<size_t>(number)] = value;
}

int32_t OptionValues::get(int32_t number) const
{
    if (number < firstOption || number > lastOption)
        return 0;
    return values_[static_cast<size_t>(number)];
}

}  // namespace corvid
