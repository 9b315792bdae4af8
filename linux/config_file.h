// The daemon's settings: the positional file /usr/local/vigil20/vigil20.conf,
// read once per invocation, and the few settings fixed in the program.
#pragma once

#include <cstdint>
#include <cstdio>

// One field per line of the file, in the file's order. Flags are 0 or 1;
// text fields are zero-terminated and cut to fit.
struct ConfigRecord {
  int32_t autonomy_min;             // 1: full-battery autonomy, minutes
  int32_t recharge_h;               // 2: full recharge time, hours
  uint8_t off_at_autonomy_end;      // 3
  uint8_t off_at_battery_critical;  // 4
  uint8_t beep_on;                  // 5
  uint8_t console_on;               // 6
  uint8_t local_ups;                // 7
  char device[100];                 // 8: serial device path (a port from COM1 to COM8, or a path),
                                    //    or a USB UPS's name ("usb", "usb:VVVV:PPPP[:SERIAL]", "/dev/hidrawN")
  uint8_t lan_send;                 // 9
  char station[128];                // 10: "localhost" means the host's own name
  uint8_t lan_receive;              // 11
  uint8_t accept_any;               // 12
  char server[128];                 // 13
  uint8_t bypass_on;                // 14
  uint8_t stable_filter;            // 15
  uint8_t script_on;                // 16
  char script[1025];                // 17: command run before the power-off
};
static_assert(sizeof(ConfigRecord) == 1400);

struct DaemonConfig {
  int32_t period_us;  // poll period of the line monitor
  char address[100];  // datagram destination
  uint16_t port;      // datagram port
};

// The optional eighteenth line, "Chave da rede = <text>": the key shared by
// the stations of the LAN that sign their datagrams. Empty: unsigned, as a
// station without the line. Kept apart from the seventeen, whose record
// keeps its size.
struct KeyConfig {
  char net_key[1025];  // 18: zero-terminated, cut to fit
};

// Read once per invocation before anything else runs, only read after it;
// every role, VigilDiag and the shutdown consult it.
extern ConfigRecord config;
// Line 18, read with `config`, only read after it: by every datagram signed
// or checked.
extern KeyConfig key_config;
// Set by the last parse when line 8 named neither an absolute device path
// nor a port from COM1 to COM8, so that `device` holds the old default
// "/dev/ttyS1": the line monitor says so in the log. Beside the record, not
// in it: the record keeps its 1400 bytes.
extern bool device_defaulted;
// Set by the last parse when line 1 holds the word "linear" after its
// number ("Autonomia em minutos = 10 linear"): the autonomy follows the
// linear model even with a UPS that estimates its own runtime. An older
// parser reads the number and ignores the word. Beside the record, as
// `device_defaulted` is.
extern bool autonomy_linear;

// Fills `c` from the configuration file, creating the file empty when it is
// missing; a file that cannot be opened for appending is read as it is.
// Returns 0, or -1 when the file cannot be opened at all (then `c` is all
// zero). The key of line 18 goes to `k` (cleared first).
int ReadConf(ConfigRecord* c, KeyConfig* k = &key_config);

// Opens the configuration file for reading and appending ("a+"); nullptr on
// failure.
FILE* Openc();

// Parses the seventeen positional lines of `f` into `c`, which is cleared
// first. Missing lines and lines without "=" leave their setting at zero.
// NUL bytes and the CR of CRLF line ends are not part of any line. With
// `k`, line 18 fills it (cleared first): the key is the whole text after
// the line's first "=" and one blank, without trailing blanks, so that a
// key may hold "=" itself.
void ParseConf(FILE* f, ConfigRecord* c, KeyConfig* k = nullptr);

// Cleaned copy of `text`: up to the first newline, or, without a newline,
// without its final run of blanks. The result lives in one static buffer of
// 3000 bytes that the next call overwrites; nullptr for a nullptr `text`.
char* StrCopy(const char* text);

// Sets the fixed settings (poll period, destination, port).
void SetFixedSettings(DaemonConfig* d);
