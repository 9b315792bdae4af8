// What the supervisor shows of a status record: each flag in words, the
// figures in minutes and seconds (negative ones too), a name that is not
// trusted to end or to be printable.
#include "tools/vigil20s/status_text.h"

#include <gtest/gtest.h>

#include <cstring>

using core::CState;

namespace {

TEST(SupervisorText, FlagsInWordsFiguresInMinutesAndAnUntrustedName) {
  CState state{};
  std::memset(state.hostName, 'a', sizeof state.hostName);  // no terminator
  state.hostName[3] = '\x1b';
  state.fromNetwork = 1;
  state.powerFailure = 1;
  state.serverLost = 1;
  state.nominalAutonomy = 900;
  state.remainingAutonomy = -5;
  state.timeOnBattery = 40000;
  std::string text = supervisor::StatusText(state);
  EXPECT_NE(text.find("Estacao:               aaa?" + std::string(28, 'a') + " (pela rede)\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("Rede eletrica:         FALTA DE ENERGIA\n"), std::string::npos);
  EXPECT_NE(text.find("Bateria:               normal\n"), std::string::npos);
  EXPECT_NE(text.find("Servidor de rede:      PERDIDO\n"), std::string::npos);
  EXPECT_NE(text.find("Autonomia nominal:     15:00\n"), std::string::npos);
  EXPECT_NE(text.find("Autonomia restante:    -0:05\n"), std::string::npos);
  EXPECT_NE(text.find("Tempo em bateria:      666:40\n"), std::string::npos);
  EXPECT_EQ(supervisor::MinutesSeconds(-2147483647 - 1), "-35791394:08");
}

}  // namespace
