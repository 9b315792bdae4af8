#include "platform/common/simulated_lines.h"

#include <cstdio>

#include "linesim/line_sim.h"
#include "platform/serial_port.h"

namespace platform {

bool IsPlainComPortName(const std::string& name) {
  return name.size() == 4 && name.compare(0, 3, "COM") == 0 && name[3] >= '1' && name[3] <= '9';
}

uint32_t ModemStatusFromSimulator(int word) {
  uint32_t status = 0;
  if (word & linesim::kCts) status |= kModemCtsOn;
  if (word & linesim::kDsr) status |= kModemDsrOn;
  if (word & linesim::kRi) status |= kModemRingOn;
  return status;
}

bool SimulatedLines::Present() const {
  std::FILE* file = std::fopen(path_.c_str(), "rb");
  if (!file) return false;
  std::fclose(file);
  return true;
}

bool SimulatedLines::SetOutputs(int outputs) {
  if (!linesim::WriteOutputs(path_, outputs)) return false;
  outputs_ = outputs;
  return true;
}

bool SimulatedLines::ReadStatus(uint32_t* status) const {
  // The modem status holds the inputs only: the outputs' file is not read.
  auto word = linesim::ReadInputWord(path_);
  if (!word) return false;
  *status = ModemStatusFromSimulator(*word);
  return true;
}

}  // namespace platform
