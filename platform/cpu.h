#pragma once
// What the processor says about itself through CPUID. On processors without
// CPUID (or builds for other architectures) every feature is absent and the
// vendor string is empty.

#include <string>

namespace platform {

struct CpuInfo {
    bool hasCpuid = false;
    bool mmx = false;         // CPUID function 1, EDX bit 23
    std::string vendor;       // the 12-character vendor string of function 0, e.g. "GenuineIntel"
};

// Reads the running processor once; cheap enough to call at start-up.
CpuInfo queryCpu();

// Decodes the raw CPUID answers, so that the rules can be tested with any
// processor's values: function 0 gives EBX, EDX, ECX (the vendor, in that
// order), function 1 gives EDX (the feature bits).
CpuInfo decodeCpuid(unsigned vendorEbx, unsigned vendorEdx, unsigned vendorEcx, unsigned featureEdx);

}  // namespace platform
