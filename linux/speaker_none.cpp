// Processors without the PC speaker's I/O ports: no tone.
#include "beep.h"

void SpeakerTone(int, int) {}
