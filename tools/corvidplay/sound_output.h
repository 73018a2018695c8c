#pragma once
// Where corvid-play's sound goes while it plays: a ring of blocks queued on
// the sound card (the platform's wave-out block queue), or, with no card,
// the same ring paced by the real clock and never heard. Each block keeps
// what the caller wants to show while it is heard.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio.h"
#include "platform/clock.h"

namespace corvidplay {

template <typename Shown>
class SoundOutput {
public:
    static constexpr size_t blockFrames = 1024;

    // silent: no card, the clock paces the blocks. Returns "" or what failed.
    std::string open(int rate, int bufferMs, bool silent)
    {
        rate_ = rate;
        silent_ = silent;
        const size_t count = std::max<size_t>(2, static_cast<size_t>(int64_t{bufferMs} * rate / 1000 / blockFrames));
        blocks_ = std::vector<Block>(count);
        for (Block& block : blocks_) {
            block.samples.resize(blockFrames * 2);
            block.wave.data = reinterpret_cast<uint8_t*>(block.samples.data());
            block.wave.length = static_cast<uint32_t>(blockFrames * 4);
        }
        if (silent)
            return "";
        if (const int result = card_.open(platform::WaveFormat{2, rate, 16}); result != platform::waveResult::ok)
            return "the sound card cannot be opened (wave-out error " + std::to_string(result) + ")";
        for (Block& block : blocks_)
            if (card_.prepare(block.wave) != platform::waveResult::ok)
                return "the sound card refuses its blocks";
        return "";
    }

    ~SoundOutput()
    {
        if (card_.isOpen()) {
            card_.reset();
            for (Block& block : blocks_)
                card_.unprepare(block.wave);
            card_.close();
        }
    }

    // The next block to fill, while one is free; null when all are queued.
    int16_t* freeBlock()
    {
        Block& block = blocks_[next_];
        return done(block) ? block.samples.data() : nullptr;
    }

    // Queues the block freeBlock gave, with `frames` frames filled.
    bool queue(size_t frames, const Shown& shown)
    {
        Block& block = blocks_[next_];
        block.shown = shown;
        block.queued = true;
        next_ = (next_ + 1) % blocks_.size();
        if (silent_) {
            const uint64_t now = clock_.counter();
            silentEnd_ = std::max(silentEnd_, now) + frames * platform::Clock::ticksPerSecond / static_cast<uint64_t>(rate_);
            block.heardBy = silentEnd_;
            return true;
        }
        block.wave.length = static_cast<uint32_t>(frames * 4);
        return card_.write(block.wave) == platform::waveResult::ok;
    }

    // What the oldest block not yet heard through shows; null when none is queued.
    const Shown* heard()
    {
        for (size_t i = 0; i < blocks_.size(); ++i) {
            Block& block = blocks_[(next_ + i) % blocks_.size()];
            if (!done(block))
                return &block.shown;
        }
        return nullptr;
    }

    bool idle() { return heard() == nullptr; }

    // Drops every queued block at once.
    void discard()
    {
        if (!silent_)
            card_.reset();
        for (Block& block : blocks_)
            block.queued = false;
        silentEnd_ = 0;
    }

    bool lost() const { return !silent_ && card_.lost(); }
    void waitMs(int ms) { clock_.waitUntil(clock_.counter() + platform::Clock::ticksForMs(static_cast<uint64_t>(ms))); }

private:
    struct Block {
        std::vector<int16_t> samples;
        platform::WaveBlock wave;
        uint64_t heardBy = 0;  // silent: the clock reading when it has been played
        bool queued = false;
        Shown shown{};
    };

    bool done(Block& block)
    {
        if (!block.queued)
            return true;
        block.queued = silent_ ? clock_.counter() < block.heardBy : !card_.blockDone(block.wave);
        return !block.queued;
    }

    int rate_ = 44100;
    bool silent_ = false;
    platform::WaveOut card_;
    platform::RealClock clock_;
    std::vector<Block> blocks_;
    size_t next_ = 0;
    uint64_t silentEnd_ = 0;
};

}  // namespace corvidplay
