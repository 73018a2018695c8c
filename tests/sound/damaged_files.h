#pragma once
// Checks a loader against damaged copies of a good file: every cut of it
// fails with a code, and random bytes written over it load or fail, and what
// loads plays without failing. Run under the sanitizers, a read outside the
// bytes shows up as a crash report.

#include <gtest/gtest.h>

#include <random>

#include "player_test_support.h"
#include "tests/support/cuts.h"

namespace corvid::testing {

using BytesLoader = ErrorCode (*)(std::span<const uint8_t>, bool, SampleCallback, const SoundDevice*,
                                  std::unique_ptr<Module>&);

// One format's loader on `bytes`, onto the recording device: a module
// exactly when it succeeds.
inline ErrorCode loadInto(BytesLoader loader, std::span<const uint8_t> bytes, std::unique_ptr<Module>& module,
                          bool addToDevice = true)
{
    resetRecorder();
    const ErrorCode error = loader(bytes, addToDevice, nullptr, &recorder().device, module);
    EXPECT_EQ(module != nullptr, error == ErrorCode::ok);
    return error;
}

// The module loaded from `bytes`, expecting the loader to answer `expected`.
inline std::unique_ptr<Module> loadExpecting(BytesLoader loader, std::span<const uint8_t> bytes,
                                             ErrorCode expected = ErrorCode::ok,
                                             bool addToDevice = true)
{
    std::unique_ptr<Module> module;
    EXPECT_EQ(loadInto(loader, bytes, module, addToDevice), expected);
    return module;
}

inline ErrorCode loadWith(BytesLoader loader, std::span<const uint8_t> bytes)
{
    std::unique_ptr<Module> module;
    const ErrorCode error = loadInto(loader, bytes, module);
    freeModule(module, &recorder().device);
    return error;
}

inline void expectEveryCutFails(BytesLoader loader, const std::vector<uint8_t>& file)
{
    testsupport::expectEveryCutFails("the file", file, testsupport::cutLengths(file.size(), file.size()),
                                     [loader](std::span<const uint8_t> bytes) {
                                         return loadWith(loader, bytes) == ErrorCode::ok;
                                     });
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
