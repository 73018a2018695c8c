#include "sound/loaders/loader_support.h"

#include <array>
#include <cstdio>

#include <algorithm>

namespace corvid {

ErrorCode handOverSample(Sample& sample, std::vector<uint8_t>& data, SampleDescription description,
                         const SampleTarget& target)
{
    if (!target.addToDevice) {
        sample.data = std::move(data);
        return ErrorCode::ok;
    }
    if (!target.device || !target.device->operations.addSample)
        return ErrorCode::invalidDevice;
    description.data = data.data();
    description.dataPresent = 1;
    description.length = static_cast<uint32_t>(data.size());
    if (ErrorCode e =
            target.device->operations.addSample(target.device->context, description, true, sample.deviceHandle);
        e != ErrorCode::ok)
        return e;
    if (target.callback)
        target.callback(sample);
    return ErrorCode::ok;
}

void writePackedEntry(const PackedEntry& entry, uint32_t channel, std::vector<uint8_t>& out)
{
    if (entry.flags == 0)
        return;
    out.push_back(static_cast<uint8_t>(entry.flags | channel));
    if (entry.flags & entryNoteAndInstrument) {
        out.push_back(entry.note);
        out.push_back(entry.instrument);
    }
    if (entry.flags & entryVolume)
        out.push_back(entry.volume);
    if (entry.flags & entryCommand) {
        out.push_back(static_cast<uint8_t>(entry.command));
        out.push_back(entry.argument);
    }
}

ErrorCode convertOrderList(std::span<const uint8_t> orders, Module& module, uint32_t& largestPattern)
{
    constexpr uint8_t endByte = 255, skipByte = 254;
    largestPattern = 0;
    bool anyPattern = false;
    for (uint8_t order : orders) {
        if (order == endByte)
            break;
        module.orders.push_back(order == skipByte ? orderSkip : order);
        if (order != skipByte) {
            largestPattern = std::max<uint32_t>(largestPattern, order);
            anyPattern = true;
        }
    }
    return anyPattern ? ErrorCode::ok : ErrorCode::invalidModule;
}

void toDeviceSampleFormat(std::span<uint8_t> data, bool sixteenBit, bool storedSigned)
{
    if (sixteenBit && !storedSigned)
        for (size_t i = 1; i < data.size(); i += 2)
            data[i] ^= 0x80;
    if (!sixteenBit && storedSigned)
        for (uint8_t& byte : data)
            byte ^= 0x80;
}

std::string trackerOfVersion(uint16_t createdWith)
{
    static constexpr std::array<const char*, 6> names = {"Impulse Tracker", "Scream Tracker", "Imago Orpheus",
                                                         "Impulse Tracker", "Schism Tracker", "OpenMPT"};
    const uint32_t kind = createdWith >> 12;
    if (kind >= names.size())
        return {};
    std::array<char, 48> text{};
    std::snprintf(text.data(), text.size(), "%s %x.%02x", names[kind], (createdWith >> 8) & 15u, createdWith & 0xFFu);
    return text.data();
}

}  // namespace corvid
