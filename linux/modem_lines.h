// The UPS's lines: the modem-control word of the serial device, read and set
// through the terminal driver, or the line simulator's file when
// VIGIL20_SIMLINES names one.
#pragma once

struct ModemLines {
  int fd = -1;                     // the serial device, when real
  const char* sim_path = nullptr;  // the simulator's file, when simulated
};

// Opens `device` read-only (or checks the simulator's file). False on failure.
bool OpenModemLines(ModemLines* lines, const char* device);
// The modem word (TIOCM_* bits). False on a failed read.
bool GetModemWord(const ModemLines& lines, int* word);
// Sets the outputs of the modem word. False on failure.
bool SetModemWord(const ModemLines& lines, int word);
void CloseModemLines(ModemLines* lines);
