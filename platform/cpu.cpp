#include "platform/cpu.h"

#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace platform {

CpuInfo decodeCpuid(unsigned vendorEbx, unsigned vendorEdx, unsigned vendorEcx, unsigned featureEdx)
{
    CpuInfo info;
    info.hasCpuid = true;
    char vendor[12];
    std::memcpy(vendor, &vendorEbx, 4);
    std::memcpy(vendor + 4, &vendorEdx, 4);
    std::memcpy(vendor + 8, &vendorEcx, 4);
    info.vendor.assign(vendor, sizeof vendor);
    info.mmx = (featureEdx >> 23) & 1u;
    return info;
}

CpuInfo queryCpu()
{
#if defined(__i386__) || defined(__x86_64__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(0, &eax, &ebx, &ecx, &edx))
        return {};
    const unsigned vendorEbx = ebx, vendorEdx = edx, vendorEcx = ecx;
    unsigned featureEdx = 0;
    if (eax >= 1 && __get_cpuid(1, &eax, &ebx, &ecx, &edx))
        featureEdx = edx;
    return decodeCpuid(vendorEbx, vendorEdx, vendorEcx, featureEdx);
#else
    return {};
#endif
}

}  // namespace platform
