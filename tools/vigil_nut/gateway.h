// The gateway's event loop: the LAN datagram socket, the NUT listeners and
// every client connection on one poll(), non-blocking throughout, so that
// no client, however slow or hostile, delays the others' answers.
#pragma once

#include <csignal>
#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/lan_trust.h"
#include "core/ups_figures.h"
#include "linuxbase/unique_fd.h"
#include "tools/vigil_nut/client_connection.h"
#include "tools/vigil_nut/gateway_config.h"
#include "tools/vigil_nut/station_table.h"

namespace vigil_nut {

class Gateway {
 public:
  explicit Gateway(GatewayConfig config);
  ~Gateway();

  // Binds the datagram port and the listeners; false with `error`.
  bool Open(uint16_t datagramPort, std::string* error);

  // Serves until `stop` becomes non-zero; `alive` is called at least once
  // a second.
  void Run(const volatile std::sig_atomic_t& stop, void (*alive)());

 private:
  void Accept(int listener, int64_t nowMs);
  void TakeDatagrams(int64_t nowMs);
  std::string AnswerLine(const std::string& line, Session& session, int64_t nowMs);
  // The figures of the UPS wired to this computer, read again when a
  // request comes a second or more after the last reading.
  const core::UpsFigures* OwnFigures(int64_t nowMs);

  GatewayConfig config_;
  core::LanTrust trust_;
  StationTable stations_;
  linuxbase::UniqueFd datagramFd_;
  std::vector<linuxbase::UniqueFd> listeners_;
  std::list<std::unique_ptr<ClientConnection>> clients_;
  int64_t acceptRestUntilMs_ = 0;
  std::optional<core::UpsFigures> ownFigures_;
  int64_t ownFiguresReadMs_ = 0;
  bool ownFiguresRead_ = false;
};

}  // namespace vigil_nut
