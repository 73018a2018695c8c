#pragma once
// The service pass that keeps the output fed and the players ticking, and the
// background player thread that runs it every few milliseconds.
//
// Threads: servicePass holds the library lock for the whole pass. The player
// thread is the only other thread the library starts; its stop flag is
// written by the main thread and acknowledged (cleared) by the thread.

#include <cstdint>

#include "sound/core/error_code.h"
#include "sound/core/sound_device.h"

namespace corvid {

// What a service pass drives: the open device (none while closed) and the
// players' tick (none while the player subsystem is closed). Set by the
// interface under the library lock.
struct ServiceTarget {
    SoundDevice* device = nullptr;
    ErrorCode (*playerTick)() = nullptr;
};

ServiceTarget& serviceTarget();

// Fills the library's device list in detection order: DirectSound, wave-out,
// silent.
void installDevices();

// One pass: the device's start pass, then service steps with a player tick
// after each step that asks for one, until a step asks for none. Any error
// goes to the fatal path.
void servicePass();

inline constexpr uint32_t defaultServiceIntervalMs = 20;

// Runs servicePass every intervalMs on a thread of raised priority (where the
// system permits it); failing to start it is fatal.
void startPlayerThread(uint32_t intervalMs);
// Asks the thread to stop and waits for it to acknowledge.
void stopPlayerThread();
bool playerThreadRunning();

}  // namespace corvid
