// The line simulator: a text file stands in for the modem lines of the UPS's
// serial port, for demonstrations and tests on machines without one, on
// Linux and on Windows alike.
//
// The file named by VIGIL20_SIMLINES holds the names of the active inputs
// (DSR, CTS, RI), blank-separated; an empty file means all inputs inactive
// and a missing file is a failed read. The outputs live in the same path with
// ".out" appended, as the names of the outputs that are on (RTS, DTR); a
// missing ".out" file reads as both off. Speaker tones are appended to the
// path with ".beep" appended, one line per tone.
//
// Words are the simulator's own line bits below; each program translates
// them to the modem bits of its system.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace linesim {

inline constexpr const char* kEnvironmentVariable = "VIGIL20_SIMLINES";

// Line bits of a simulator word.
inline constexpr int kDsr = 0x01;
inline constexpr int kCts = 0x02;
inline constexpr int kRi = 0x04;
inline constexpr int kRts = 0x08;
inline constexpr int kDtr = 0x10;
inline constexpr int kInputs = kDsr | kCts | kRi;
inline constexpr int kOutputs = kRts | kDtr;

// The simulation file named in the environment, or nullptr when the real
// serial device is to be used. The pointer belongs to the environment.
const char* PathFromEnvironment();

// Parses a list of line names into line bits. Only the names of `allowed`
// (a mask of the bits above) are accepted; anything else fails.
std::optional<int> ParseLineNames(std::string_view text, int allowed);
// Names of the bits of `word` in `allowed`, blank-separated, in a fixed order.
std::string FormatLineNames(int word, int allowed);

// Line word: inputs from `path`, outputs from `path`.out. Fails when the
// input file is missing or unreadable or either file holds an unknown name.
std::optional<int> ReadModemWord(const std::string& path);
// The inputs alone (kDsr, kCts, kRi), from `path`: what a port's modem
// status holds, without reading the outputs' file.
std::optional<int> ReadInputWord(const std::string& path);

// Replace the outputs (the kRts and kDtr bits of `word`) or the inputs (kDsr,
// kCts, kRi). Each file is written beside and renamed into place, so a reader
// never sees half of it. Return false on any failed write.
bool WriteOutputs(const std::string& path, int word);
bool WriteInputs(const std::string& path, int word);

// Appends one tone line "<hz> Hz <ms> ms" to `path`.beep.
bool AppendTone(const std::string& path, int hz, int ms);

}  // namespace linesim
