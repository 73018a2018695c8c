#pragma once
// Checks a loader against damaged copies of a good file: every cut of it
// fails with a code, and random bytes written over it load or fail, and what
// loads plays without failing. Run under the sanitizers, a read outside the
// bytes shows up as a crash report.

#include <gtest/gtest.h>

#include <random>

#include "player_test_support.h"

namespace corvid::testing {

using BytesLoader = ErrorCode (*)(std::span<const uint8_t>, bool, SampleCallback, const SoundDevice*,
                                  std::unique_ptr<Module>&);

inline ErrorCode loadWith(BytesLoader loader, std::span<const uint8_t> bytes)
{
    resetRecorder();
    std::unique_ptr<Module> module;
    const ErrorCode error = loader(bytes, true, nullptr, &recorder().device, module);
    EXPECT_EQ(module != nullptr, error == ErrorCode::ok);
    freeModule(module, &recorder().device);
    return error;
}

inline void expectEveryCutFails(BytesLoader loader, const std::vector<uint8_t>& file)
{
    for (size_t length = 0; length < file.size(); ++length)
        EXPECT_NE(loadWith(loader, std::span(file.data(), length)), ErrorCode::ok) << length;
    EXPECT_EQ(loadWith(loader, file), ErrorCode::ok);
}

// Returns how many damaged copies loaded. Bytes before `keep` stay intact.
inline int playDamagedCopies(BytesLoader loader, const std::vector<uint8_t>& file, uint32_t seed, size_t keep = 0)
{
    std::mt19937 random(seed);
    int loaded = 0;
    for (int round = 0; round < 400; ++round) {
        std::vector<uint8_t> damaged = file;
        for (int i = 0; i < 6; ++i)
            damaged[keep + random() % (damaged.size() - keep)] = static_cast<uint8_t>(random());
        if (loadWith(loader, damaged) != ErrorCode::ok)
            continue;
        ++loaded;
        PlayerHarness harness(damaged);
        for (int tick = 0; tick < 300 && harness.instance; ++tick)
            EXPECT_EQ(player::playerTick(harness.players), ErrorCode::ok);
    }
    return loaded;
}

}  // namespace corvid::testing
