// Stands in for the playback half until the player lands: no players, no plays.
#include "sound/api/interface_state.h"

namespace corvid {

ErrorCode startPlayers(SoundDevice&) { return ErrorCode::ok; }
ErrorCode closePlayers() { return ErrorCode::ok; }
ErrorCode stopAllPlays() { return ErrorCode::ok; }
ErrorCode tickAndPublish() { return ErrorCode::ok; }

}  // namespace corvid
