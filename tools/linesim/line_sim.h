// The line simulator: a text file stands in for the modem lines of the UPS's
// serial port, for demonstrations and tests on machines without one.
//
// The file named by VIGIL20_SIMLINES holds the names of the active inputs
// (DSR, CTS, RI), blank-separated; an empty file means all inputs inactive
// and a missing file is a failed read. The outputs live in the same path with
// ".out" appended, as the names of the outputs that are on (RTS, DTR); a
// missing ".out" file reads as both off. Speaker tones are appended to the
// path with ".beep" appended, one line per tone.
//
// Words are the Linux modem bits (TIOCM_DSR, TIOCM_CTS, TIOCM_RNG, TIOCM_RTS,
// TIOCM_DTR), whichever program reads them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace linesim {

inline constexpr const char* kEnvironmentVariable = "VIGIL20_SIMLINES";

// The simulation file named in the environment, or nullptr when the real
// serial device is to be used. The pointer belongs to the environment.
const char* PathFromEnvironment();

// Parses a list of line names into modem bits. Only the names of `allowed`
// (a mask of TIOCM_* bits) are accepted; anything else fails.
std::optional<int> ParseLineNames(std::string_view text, int allowed);
// Names of the bits of `word` in `allowed`, blank-separated, in a fixed order.
std::string FormatLineNames(int word, int allowed);

// Modem word: inputs from `path`, outputs from `path`.out. Fails when the
// input file is missing or unreadable or either file holds an unknown name.
std::optional<int> ReadModemWord(const std::string& path);

// Replace the outputs (the RTS and DTR bits of `word`) or the inputs (DSR,
// CTS, RI). Each file is written beside and renamed into place, so a reader
// never sees half of it. Return false on any failed write.
bool WriteOutputs(const std::string& path, int word);
bool WriteInputs(const std::string& path, int word);

// Appends one tone line "<hz> Hz <ms> ms" to `path`.beep.
bool AppendTone(const std::string& path, int hz, int ms);

}  // namespace linesim
