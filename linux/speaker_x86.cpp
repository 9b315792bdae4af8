// The PC speaker on x86: timer channel 2 drives it as a square wave.
//
// Interrupts are not disabled around the port writes: since Linux 5.5 a
// process may not execute cli/sti even with I/O privilege level 3 (the
// daemon would be killed), and the two-byte divisor write cannot be
// interleaved here, as nothing else in the system programs channel 2.
#include <sys/io.h>
#include <unistd.h>

#include "beep.h"

namespace {

constexpr unsigned short kSpeakerPort = 0x61;  // bits 0 and 1: gate and speaker
constexpr unsigned short kTimer2Port = 0x42;   // and 0x43, the mode register
constexpr unsigned short kTimerModePort = 0x43;
constexpr int kTimerClockHz = 1192500;

}  // namespace

void SpeakerTone(int hz, int ms) {
  if (ioperm(kSpeakerPort, 1, 1) != 0) return;
  if (ioperm(kTimer2Port, 2, 1) != 0) {
    ioperm(kSpeakerPort, 1, 0);
    return;
  }
  int divisor = kTimerClockHz / hz;
  outb(0xB6, kTimerModePort);  // channel 2, low byte then high byte, square wave
  outb(divisor & 0xFF, kTimer2Port);
  outb((divisor >> 8) & 0xFF, kTimer2Port);
  outb(inb(kSpeakerPort) | 3, kSpeakerPort);
  usleep(ms * 1000);
  outb(inb(kSpeakerPort) & 0xFC, kSpeakerPort);
  ioperm(kTimer2Port, 2, 0);
  ioperm(kSpeakerPort, 1, 0);
}
