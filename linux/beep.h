// The PC speaker.
#pragma once

// One 450 Hz tone of 200 ms, or nothing when `beep_on` is 0. Blocks for the
// tone's length. With the line simulator the tone is recorded in its
// ".beep" file instead.
void Beep();

// Sounds `hz` for `ms` milliseconds through the timer and speaker ports.
// Without the right to the ports (not root) it returns at once. One
// implementation per processor family.
void SpeakerTone(int hz, int ms);
