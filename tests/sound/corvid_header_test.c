/* The public header compiles as C and its calls link from C. */
#include "sound/include/corvid.h"

int corvidOptionRoundTripFromC(void)
{
    MusicSetOption(MUSIC_OPTION_MIXING_RATE, 22050);
    return MusicGetOption(MUSIC_OPTION_MIXING_RATE);
}
