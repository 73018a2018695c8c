// What differs between module types in the shared steps: the period range,
// slide scale and volume ceiling each type plays with, and how a channel's
// panning reaches the device.

#include <algorithm>

#include "sound/player/engine.h"

namespace corvid::player {

namespace {

constexpr int32_t surroundNarrowPanning = 164;

}  // namespace

void applyModuleRules(PlayerInstance& p)
{
    const Module& module = *p.module;
    switch (module.type) {
    case ModuleType::mod:
        p.periodShift = 0;
        p.maximumVolume = 64;
        std::tie(p.minimumPeriod, p.maximumPeriod) =
            (module.flags & moduleExtendedOctaves) ? std::pair(28, 1712) : std::pair(113, 856);
        break;
    case ModuleType::s3m:
        p.periodShift = 2;
        p.maximumVolume = 63;
        std::tie(p.minimumPeriod, p.maximumPeriod) =
            (module.flags & moduleS3mAmigaLimits) ? std::pair(452, 3424) : std::pair(64, 32767);
        break;
    case ModuleType::xm:
        p.periodShift = 2;
        p.maximumVolume = 64;
        p.minimumPeriod = 57;
        p.maximumPeriod = 54784;
        break;
    case ModuleType::it:
        p.periodShift = 2;
        p.maximumVolume = 64;
        p.minimumPeriod = 64;
        p.maximumPeriod = 16777215;
        break;
    }
}

int32_t devicePanningOf(const PlayerInstance& p, int32_t panning)
{
    if (!(p.module->flags & moduleNarrowPanning))
        return std::clamp((panning - 128) / 2, -64, 64);
    if (panning == surroundNarrowPanning)
        return deviceSurroundPanning;
    return std::clamp(panning - 64, -64, 64);
}

int32_t fullScalePanningOf(const PlayerInstance& p, int32_t panning)
{
    if (!(p.module->flags & moduleNarrowPanning))
        return panning;
    if (panning == surroundNarrowPanning)
        return 128;
    return std::clamp(panning * 2, 0, 255);
}

}  // namespace corvid::player
