// The gateway's answers, as NUT's clients read them: whole lines, written
// as upsd 2.8 writes them.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "tools/vigil_nut/command_line.h"
#include "tools/vigil_nut/nut_variables.h"
#include "tools/vigil_nut/protocol.h"

using core::LanDatagram;

namespace {

using namespace vigil_nut;

LanDatagram Datagram(const std::string& name, int pf, int bl, int bp, int cf, int ao, int total, int base, int left,
                     int dt) {
  LanDatagram d{};
  d.power_fail = static_cast<uint8_t>(pf);
  d.battery_low = static_cast<uint8_t>(bl);
  d.bypass = static_cast<uint8_t>(bp);
  d.signal_fault = static_cast<uint8_t>(cf);
  d.autonomy_over = static_cast<uint8_t>(ao);
  d.autonomy_total = static_cast<uint16_t>(total);
  d.autonomy_base = static_cast<uint16_t>(base);
  d.autonomy_left = static_cast<uint16_t>(left);
  d.discharge_time = static_cast<uint16_t>(dt);
  d.name_len = static_cast<uint8_t>(name.size());
  std::memcpy(d.name, name.data(), name.size());
  return d;
}

class NutProtocol : public ::testing::Test {
 protected:
  NutProtocol() {
    Hear(Datagram("estacao1", 0, 0, 0, 0, 0, 600, 600, 600, 0), "192.168.1.20", 100000);
    Hear(Datagram("velha", 0, 0, 0, 0, 0, 600, 600, 600, 0), "192.168.1.30", 100000 - kStaleAfterMs - 1);
  }

  void Hear(const LanDatagram& d, const std::string& from, int64_t at) {
    ASSERT_TRUE(table_.Record(d, from, at, 1797000000));
  }

  // Answers each line in turn, as one connection sends them.
  std::string Ask(const std::string& lines, Session& session) {
    std::string replies;
    size_t at = 0;
    while (at < lines.size()) {
      size_t end = lines.find('\n', at);
      std::string line = lines.substr(at, end - at);
      at = end + 1;
      std::vector<std::string> words;
      if (SplitCommandLine(line, &words) != LineVerdict::kWords) {
        replies += kRefusedLineReply;
        continue;
      }
      ProtocolContext context{table_, users_, now_, [&](const std::function<void(const Session&)>& visit) {
                                visit(session);
                                for (const Session& other : others_) visit(other);
                              }};
      if (ownFigures_) context.ownFigures = &*ownFigures_;
      context.nowUnixMs = nowUnixMs_;
      replies += Answer(words, session, context);
    }
    return replies;
  }

  std::string Ask(const std::string& lines) {
    Session session;
    session.address = "127.0.0.1";
    return Ask(lines, session);
  }

  StationTable table_;
  std::vector<User> users_ = {{"monuser", "secret"}, {"monuser", "second entry is never used"}};
  std::vector<Session> others_;
  int64_t now_ = 100500;
  std::optional<core::UpsFigures> ownFigures_;
  int64_t nowUnixMs_ = 1797000000000;
};

TEST_F(NutProtocol, ListsEveryStationHeardStaleOnesToo) {
  EXPECT_EQ(Ask("LIST UPS\n"),
            "BEGIN LIST UPS\n"
            "UPS estacao1 \"Nobreak de estacao1 (Vigil 2.0, 192.168.1.20)\"\n"
            "UPS velha \"Nobreak de velha (Vigil 2.0, 192.168.1.30)\"\n"
            "END LIST UPS\n");
  EXPECT_EQ(Ask("GET UPSDESC velha\n"), "UPSDESC velha \"Nobreak de velha (Vigil 2.0, 192.168.1.30)\"\n");
}

TEST_F(NutProtocol, ListsTheVariablesOfAStationInOrder) {
  Hear(Datagram("estacao1", 1, 0, 0, 0, 0, 600, 580, 290, 45), "192.168.1.20", 99000);
  EXPECT_EQ(Ask("LIST VAR estacao1\n"),
            "BEGIN LIST VAR estacao1\n"
            "VAR estacao1 battery.charge \"48\"\n"
            "VAR estacao1 battery.runtime \"290\"\n"
            "VAR estacao1 device.mfr \"Tessaly\"\n"
            "VAR estacao1 device.model \"Vigil 2.0\"\n"
            "VAR estacao1 device.serial \"estacao1\"\n"
            "VAR estacao1 device.type \"ups\"\n"
            "VAR estacao1 driver.name \"vigil-nut\"\n"
            "VAR estacao1 driver.version \"2.0\"\n"
            "VAR estacao1 ups.status \"OB\"\n"
            "VAR estacao1 vigil.autonomy.base \"580\"\n"
            "VAR estacao1 vigil.autonomy.nominal \"600\"\n"
            "VAR estacao1 vigil.datagram.address \"192.168.1.20\"\n"
            "VAR estacao1 vigil.datagram.age \"1\"\n"
            "VAR estacao1 vigil.datagram.time \"2026-12-11T14:40:00Z\"\n"
            "VAR estacao1 vigil.onbattery.time \"45\"\n"
            "END LIST VAR estacao1\n");
}

// The USB UPS wired to this computer: what it measures joins its station
// while the file is fresh, and a figure it does not measure stays absent.
TEST_F(NutProtocol, TheFiguresOfTheUpsWiredHereJoinItsStationWhileFresh) {
  Hear(Datagram("estacao1", 1, 0, 0, 0, 0, 1400, 1400, 1100, 30), "192.168.1.20", 99000);
  core::UpsState measured;
  measured.charge_percent = 81;
  measured.runtime_s = 1100;
  measured.load_percent = 23;
  measured.input_voltage_v = 0;
  measured.battery_voltage_v = 13.6;
  ownFigures_ = core::ParseUpsFigures(core::UpsFiguresText("estacao1", nowUnixMs_ - 2000, measured));
  ASSERT_TRUE(ownFigures_);
  std::string vars = Ask("LIST VAR estacao1\n");
  EXPECT_NE(vars.find("VAR estacao1 battery.charge \"81\"\n"), std::string::npos) << vars;  // not the model's 78
  EXPECT_NE(vars.find("VAR estacao1 battery.voltage \"13.6\"\n"), std::string::npos) << vars;
  EXPECT_NE(vars.find("VAR estacao1 input.voltage \"0\"\n"), std::string::npos) << vars;  // mains gone: a measured 0
  EXPECT_NE(vars.find("VAR estacao1 ups.load \"23\"\n"), std::string::npos) << vars;
  Hear(Datagram("estacao2", 1, 0, 0, 0, 0, 1400, 1400, 1100, 30), "192.168.1.21", 99000);
  EXPECT_EQ(Ask("GET VAR estacao2 ups.load\n"), "ERR VAR-NOT-SUPPORTED\n");  // another station's are not its own

  nowUnixMs_ += core::kUpsFiguresStaleAfterMs;  // the daemon stopped writing
  vars = Ask("LIST VAR estacao1\n");
  EXPECT_EQ(vars.find("ups.load"), std::string::npos) << vars;
  EXPECT_EQ(vars.find("voltage"), std::string::npos) << vars;
  EXPECT_NE(vars.find("VAR estacao1 battery.charge \"78\"\n"), std::string::npos) << vars;
}

TEST_F(NutProtocol, StatusFollowsTheFlags) {
  struct Case {
    int pf, bl, bp, cf, ao;
    const char* status;
  } cases[] = {
      {0, 0, 0, 0, 0, "OL"},        {1, 0, 0, 0, 0, "OB"},          {1, 1, 0, 0, 0, "OB LB"},
      {0, 1, 0, 0, 0, "OL LB"},     {0, 0, 1, 0, 0, "OL BYPASS"},   {1, 1, 0, 0, 1, "FSD OB LB"},
      {1, 0, 0, 1, 0, "OB ALARM"},  {1, 1, 1, 1, 1, "FSD OB LB BYPASS ALARM"},
  };
  for (const Case& c : cases) {
    Hear(Datagram("estacao1", c.pf, c.bl, c.bp, c.cf, c.ao, 600, 600, 300, 10), "192.168.1.20", now_);
    EXPECT_EQ(Ask("GET VAR estacao1 ups.status\n"), std::string("VAR estacao1 ups.status \"") + c.status + "\"\n");
    EXPECT_EQ(Ask("GET VAR estacao1 ups.alarm\n"),
              c.cf ? "VAR estacao1 ups.alarm \"Problemas na comunicacao. Verifique o cabo serial\"\n"
                   : "ERR VAR-NOT-SUPPORTED\n");
  }
}

TEST_F(NutProtocol, RuntimeNeverBelowZeroAndChargeAPercentageOfTheNominal) {
  Hear(Datagram("estacao1", 1, 0, 0, 0, 1, 600, 600, 0xFFFB, 605), "192.168.1.20", now_);
  EXPECT_EQ(Ask("GET VAR estacao1 battery.runtime\nGET VAR estacao1 battery.charge\n"),
            "VAR estacao1 battery.runtime \"0\"\nVAR estacao1 battery.charge \"0\"\n");
  Hear(Datagram("estacao1", 0, 0, 0, 0, 0, 600, 600, 700, 0), "192.168.1.20", now_);
  EXPECT_EQ(Ask("GET VAR estacao1 battery.charge\n"), "VAR estacao1 battery.charge \"100\"\n");
  // Without a nominal autonomy there is no charge to tell.
  Hear(Datagram("estacao1", 0, 0, 0, 0, 0, 0, 0, 60, 0), "192.168.1.20", now_);
  EXPECT_EQ(Ask("GET VAR estacao1 battery.charge\nGET VAR estacao1 battery.runtime\n"),
            "ERR VAR-NOT-SUPPORTED\nVAR estacao1 battery.runtime \"60\"\n");
}

// A source that knows only some figures (a UPS read over USB, say) gives
// only the variables it can fill; what the UPS measures wins over the model.
TEST(NutStateVariables, AnUnknownFigureGivesNoVariableAndAMeasuredOneWins) {
  auto names = [](const std::vector<vigil_nut::NutVariable>& vars) {
    std::string out;
    for (const vigil_nut::NutVariable& v : vars) out += v.name + "=" + v.value + ";";
    return out;
  };
  core::UpsState state;
  state.mains_failure = true;
  EXPECT_EQ(names(vigil_nut::StateVariables(state)), "ups.status=OB;");

  state.autonomy_nominal_s = 600;
  state.autonomy_left_s = 150;
  EXPECT_EQ(names(vigil_nut::StateVariables(state)),
            "battery.charge=25;battery.runtime=150;ups.status=OB;vigil.autonomy.nominal=600;");

  state.charge_percent = 80.0;
  state.runtime_s = 900;
  state.signal_fault = true;
  EXPECT_EQ(names(vigil_nut::StateVariables(state)),
            "battery.charge=80;battery.runtime=900;ups.alarm=Problemas na comunicacao. Verifique o cabo serial;"
            "ups.status=OB ALARM;vigil.autonomy.nominal=600;");
}

TEST_F(NutProtocol, AStaleStationAnswersDataStaleAsAStoppedDriver) {
  EXPECT_EQ(Ask("GET VAR velha ups.status\nLIST VAR velha\nGET NUMLOGINS velha\nLIST RW velha\nLIST CMD velha\n"
                "GET TYPE velha ups.status\nGET DESC velha ups.status\nLIST ENUM velha ups.status\n"),
            std::string(8 * 0, ' ') + "ERR DATA-STALE\nERR DATA-STALE\nERR DATA-STALE\nERR DATA-STALE\nERR DATA-STALE\n"
                                      "ERR DATA-STALE\nERR DATA-STALE\nERR DATA-STALE\n");
  // The next datagram makes it fresh again.
  Hear(Datagram("velha", 1, 0, 0, 0, 0, 600, 600, 590, 10), "192.168.1.30", now_);
  EXPECT_EQ(Ask("GET VAR velha ups.status\n"), "VAR velha ups.status \"OB\"\n");
}

TEST_F(NutProtocol, ErrorsAreUpsdsOwn) {
  EXPECT_EQ(Ask("GET VAR nada ups.status\n"), "ERR UNKNOWN-UPS\n");
  EXPECT_EQ(Ask("GET VAR estacao1 input.voltage\n"), "ERR VAR-NOT-SUPPORTED\n");
  EXPECT_EQ(Ask("GET VAR estacao1\n"), "ERR INVALID-ARGUMENT\n");
  EXPECT_EQ(Ask("GET\n"), "ERR INVALID-ARGUMENT\n");
  EXPECT_EQ(Ask("GET SOMETHING estacao1 x\n"), "ERR INVALID-ARGUMENT\n");
  EXPECT_EQ(Ask("LIST\nLIST VAR\nLIST ENUM estacao1\n"), "ERR INVALID-ARGUMENT\nERR INVALID-ARGUMENT\nERR INVALID-ARGUMENT\n");
  EXPECT_EQ(Ask("FROB\n\n"), "ERR UNKNOWN-COMMAND\nERR UNKNOWN-COMMAND\n");
  EXPECT_EQ(Ask("VER x\n"), "ERR INVALID-ARGUMENT\n");
  EXPECT_EQ(Ask("STARTTLS\n"), "ERR FEATURE-NOT-CONFIGURED\n");
  EXPECT_EQ(Ask("GET VAR \"open\n"), "ERR INVALID-ARGUMENT\n");
}

TEST_F(NutProtocol, SmallCommandsAnswerAsUpsd) {
  EXPECT_EQ(Ask("NETVER\n"), "1.3\n");
  EXPECT_EQ(Ask("HELP\n"), "Commands: HELP VER GET LIST SET INSTCMD LOGIN LOGOUT USERNAME PASSWORD STARTTLS\n");
  EXPECT_EQ(Ask("VER\n").rfind("vigil-nut 2.0", 0), 0u);
  EXPECT_EQ(Ask("LIST RW estacao1\nLIST CMD estacao1\n"),
            "BEGIN LIST RW estacao1\nEND LIST RW estacao1\nBEGIN LIST CMD estacao1\nEND LIST CMD estacao1\n");
  EXPECT_EQ(Ask("LIST ENUM estacao1 ups.status\nLIST RANGE estacao1 nada\n"),
            "BEGIN LIST ENUM estacao1 ups.status\nEND LIST ENUM estacao1 ups.status\nERR VAR-NOT-SUPPORTED\n");
  EXPECT_EQ(Ask("GET TYPE estacao1 ups.status\n"), "TYPE estacao1 ups.status NUMBER\n");
  EXPECT_EQ(Ask("GET DESC estacao1 battery.charge\nGET DESC estacao1 device.mfr\n"),
            "DESC estacao1 battery.charge \"Battery charge (percent of full)\"\n"
            "DESC estacao1 device.mfr \"Description unavailable\"\n");
  EXPECT_EQ(Ask("GET VAR nada server.version\n"), "VAR nada server.version \"2.0\"\n");
  // Commands, kinds and names are taken in any case; the client's spelling is echoed.
  EXPECT_EQ(Ask("get var ESTACAO1 UPS.STATUS\n"), "VAR ESTACAO1 UPS.STATUS \"OL\"\n");
}

TEST_F(NutProtocol, SecondariesLogInWithTheirPassword) {
  Session session;
  session.address = "192.168.1.50";
  EXPECT_EQ(Ask("LOGIN estacao1\n", session), "ERR USERNAME-REQUIRED\n");
  EXPECT_EQ(Ask("USERNAME monuser\nLOGIN estacao1\n", session), "OK\nERR PASSWORD-REQUIRED\n");
  EXPECT_EQ(Ask("USERNAME again\n", session), "ERR ALREADY-SET-USERNAME\n");
  EXPECT_EQ(Ask("PASSWORD wrong\nLOGIN estacao1\n", session), "OK\nERR ACCESS-DENIED\n");
  EXPECT_TRUE(session.loginUps.empty());
  EXPECT_EQ(Ask("PASSWORD secret\n", session), "ERR ALREADY-SET-PASSWORD\n");

  Session good;
  good.address = "192.168.1.51";
  EXPECT_EQ(Ask("USERNAME monuser\nPASSWORD secret\nLOGIN nada\nLOGIN Estacao1\nLOGIN estacao1\n", good),
            "OK\nOK\nERR UNKNOWN-UPS\nOK\nERR ALREADY-LOGGED-IN\n");
  EXPECT_EQ(good.loginUps, "estacao1");
  others_.push_back(good);
  EXPECT_EQ(Ask("GET NUMLOGINS estacao1\nLIST CLIENT estacao1\n"),
            "NUMLOGINS estacao1 1\nBEGIN LIST CLIENT estacao1\nCLIENT estacao1 192.168.1.51\nEND LIST CLIENT estacao1\n");

  Session unknown;
  EXPECT_EQ(Ask("USERNAME nobody\nPASSWORD secret\nLOGIN estacao1\n", unknown), "OK\nOK\nERR ACCESS-DENIED\n");
}

TEST_F(NutProtocol, NothingCanBeChanged) {
  EXPECT_EQ(Ask("SET VAR estacao1 ups.status OB\nINSTCMD estacao1 load.off\nFSD estacao1\nPRIMARY estacao1\n"),
            "ERR USERNAME-REQUIRED\nERR USERNAME-REQUIRED\nERR USERNAME-REQUIRED\nERR USERNAME-REQUIRED\n");
  Session user;
  EXPECT_EQ(Ask("USERNAME monuser\nPASSWORD secret\n"
                "SET VAR estacao1 ups.status OB\nINSTCMD estacao1 load.off\nFSD estacao1\nPRIMARY estacao1\n"
                "MASTER estacao1\nFSD nada\nSET VAR velha ups.status OB\nSET VAR estacao1\n",
                user),
            "OK\nOK\nERR ACCESS-DENIED\nERR ACCESS-DENIED\nERR ACCESS-DENIED\nERR ACCESS-DENIED\n"
            "ERR ACCESS-DENIED\nERR UNKNOWN-UPS\nERR DATA-STALE\nERR INVALID-ARGUMENT\n");
  Hear(Datagram("estacao1", 1, 0, 0, 0, 0, 600, 600, 600, 0), "192.168.1.20", now_);
  EXPECT_EQ(Ask("GET VAR estacao1 ups.status\n"), "VAR estacao1 ups.status \"OB\"\n");
}

TEST_F(NutProtocol, LogoutSaysGoodbyeAndEndsTheConnection) {
  Session session;
  EXPECT_EQ(Ask("LOGOUT\n", session), "OK Goodbye\n");
  EXPECT_TRUE(session.endAfterReply);
}

TEST_F(NutProtocol, StationNamesBecomeNutNames) {
  Hear(Datagram("PC Sala\"#\\", 1, 0, 0, 0, 0, 600, 600, 600, 0), "10.0.0.9", now_);
  EXPECT_EQ(Ask("GET VAR pc_sala___ device.serial\n"), "VAR pc_sala___ device.serial \"PC Sala\\\"\\#\\\\\"\n");
  // Another station whose name maps alike, and one whose name would forge a line.
  Hear(Datagram("pc:sala\"#\\", 0, 0, 0, 0, 0, 600, 600, 600, 0), "10.0.0.10", now_);
  Hear(Datagram("srv\nVAR x", 0, 0, 0, 0, 0, 600, 600, 600, 0), "10.0.0.11", now_);
  Hear(Datagram("", 0, 0, 0, 0, 0, 600, 600, 600, 0), "10.0.0.12", now_);
  EXPECT_EQ(Ask("GET VAR PC_Sala____2 ups.status\nGET VAR srv_VAR_x device.serial\nGET VAR _ ups.status\n"),
            "VAR PC_Sala____2 ups.status \"OL\"\nVAR srv_VAR_x device.serial \"srv?VAR x\"\nVAR _ ups.status \"OL\"\n");
  EXPECT_EQ(NutUpsName("posto7.exemplo-1_a"), "posto7.exemplo-1_a");
  EXPECT_EQ(NutUpsName("caf\xe9@x"), "caf__x");
}

TEST(NutStationTable, WhenFullOnlyAStaleStationMakesRoom) {
  StationTable table(2);
  LanDatagram a = Datagram("a", 0, 0, 0, 0, 0, 1, 1, 1, 0), b = Datagram("b", 0, 0, 0, 0, 0, 1, 1, 1, 0),
              c = Datagram("c", 0, 0, 0, 0, 0, 1, 1, 1, 0);
  EXPECT_TRUE(table.Record(a, "x", 0, 0));
  EXPECT_TRUE(table.Record(b, "x", 20000, 0));
  EXPECT_FALSE(table.Record(c, "x", 25000, 0));
  EXPECT_EQ(table.Find("c"), nullptr);
  EXPECT_TRUE(table.Record(a, "x", 25000, 0));  // a known station is always taken
  EXPECT_TRUE(table.Record(c, "x", 20000 + kStaleAfterMs + 1, 0));
  ASSERT_EQ(table.All().size(), 2u);
  EXPECT_EQ(table.Find("b"), nullptr);
  EXPECT_NE(table.Find("A"), nullptr);
}

}  // namespace
