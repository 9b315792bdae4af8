// vigil-lines: sets and shows the UPS lines of the line simulator.
//
//   vigil-lines FILE show            active inputs, then the outputs
//   vigil-lines FILE set [NAME...]   the active inputs are exactly these
//   vigil-lines FILE drop NAME...    these inputs go inactive
//   vigil-lines FILE raise NAME...   these inputs go active
//   vigil-lines FILE unplug          removes FILE: reads fail as with a lost port
//
// NAME is DSR, CTS or RI. The UPS reports trouble by letting a line drop:
// DSR inactive is a mains failure, CTS inactive a critical battery.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "linesim/line_sim.h"

namespace {

using linesim::kInputs;

int Usage() {
  std::fprintf(stderr,
               "usage: vigil-lines FILE show\n"
               "       vigil-lines FILE set [DSR] [CTS] [RI]\n"
               "       vigil-lines FILE drop|raise NAME...\n"
               "       vigil-lines FILE unplug\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  std::string path = argv[1];
  std::string verb = argv[2];
  std::string names;
  for (int i = 3; i < argc; ++i) names += std::string(argv[i]) + " ";
  auto given = linesim::ParseLineNames(names, kInputs);
  if (!given) {
    std::fprintf(stderr, "vigil-lines: unknown line name in '%s' (use DSR, CTS, RI)\n", names.c_str());
    return 2;
  }

  if (verb == "show") {
    auto word = linesim::ReadModemWord(path);
    if (!word) {
      std::fprintf(stderr, "vigil-lines: %s cannot be read (a failed line read)\n", path.c_str());
      return 1;
    }
    std::printf("inputs: %s\noutputs: %s\n", linesim::FormatLineNames(*word, kInputs).c_str(),
                linesim::FormatLineNames(*word, linesim::kOutputs).c_str());
    return 0;
  }
  if (verb == "unplug") {
    if (std::remove(path.c_str()) != 0) {
      std::perror("vigil-lines: unplug");
      return 1;
    }
    return 0;
  }

  int inputs = 0;
  if (verb == "set") {
    inputs = *given;
  } else if (verb == "drop" || verb == "raise") {
    if (*given == 0) return Usage();
    // A missing file starts from all inputs active: a healthy UPS.
    auto word = linesim::ReadModemWord(path);
    inputs = word ? (*word & kInputs) : kInputs;
    inputs = verb == "drop" ? (inputs & ~*given) : (inputs | *given);
  } else {
    return Usage();
  }
  if (!linesim::WriteInputs(path, inputs)) {
    std::fprintf(stderr, "vigil-lines: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
    return 1;
  }
  return 0;
}
