// SnmpExtensionQuery called directly, as the SNMP service calls it: the
// walk of the region, row instantiation, the edge rows, errors and their
// index, SET.
#include <climits>

#include "agent/tests/agent_fixture.h"

namespace {

const Oid kPrefix = ParseOid("1.3.6.1.4.1.7491.1.1.1");
const Oid kAfterRegion = ParseOid("1.3.6.1.4.1.7491.1.1.2");

TEST_F(AgentTest, ExportsAnswerAsDescribed) {
  AgentHost& agent = Load();
  EXPECT_EQ(agent.region(), kPrefix);
  EXPECT_NE(agent.trapEvent(), nullptr);
  AsnObjectIdentifier next{};
  EXPECT_FALSE(agent.initEx(&next)) << "one region only";
  EXPECT_EQ(agent.queryStatus(), 2);
  EXPECT_EQ(agent.requestNewConfigs(), 2);
  TrapInfo trap;
  EXPECT_FALSE(agent.Trap(&trap)) << "no trap queued";
  for (const char* inside : {"_Z11TheAgentAppv", "SnmpUtilOidCpy", "_ZN8platform9TickCountEv"})
    EXPECT_FALSE(agent.Exports(inside)) << inside << " stays inside";
}

TEST_F(AgentTest, WalkYieldsTheVariablesThenEachColumnRowByRowThenTheEnd) {
  SetSetting("Snmp Agent", "Max Events", 2);
  SetSetting("", "Tipo Cabo", 3);
  SetSetting("", "Autonomia Nominal", 1200);
  AppendEvents({1, 2, 30});  // the window is the newest two: records 1 and 2
  AgentHost& agent = Load();
  std::vector<Answer> walk = agent.Walk();
  std::vector<std::string> names;
  for (const Answer& a : walk) names.push_back(OidText(a.name).substr(23));
  EXPECT_EQ(names, (std::vector<std::string>{"1.1", "1.2", "1.3", "1.4", "1.5", "1.6", "2.1", "2.2", "2.3", "2.4",
                                             "2.5", "3.1", "3.2.1.1.1", "3.2.1.1.2", "3.2.1.2.1", "3.2.1.2.2",
                                             "3.2.1.3.1", "3.2.1.3.2"}));
  ASSERT_EQ(walk.size(), 18u);
  EXPECT_EQ(walk[3].number, 1) << "line states available after init";
  EXPECT_EQ(walk[4].number, 3) << "cable type";
  EXPECT_EQ(walk[5].number, 1200) << "nominal autonomy";
  EXPECT_EQ(walk[10].number, 0) << "the counter reset reads 0";
  EXPECT_EQ(walk[11].number, 2) << "rows";
  EXPECT_EQ(walk[12].number, 1);
  EXPECT_EQ(walk[13].number, 2);
  EXPECT_EQ(walk[14].number, 2) << "row 1 is record 1";
  EXPECT_EQ(walk[15].number, 30);
  EXPECT_EQ(walk[16].type, ASN_OCTETSTRING);
  EXPECT_EQ(walk[16].text, TimeTextOf(1700000001));
  EXPECT_EQ(walk[17].text, TimeTextOf(1700000002));
}

TEST_F(AgentTest, GetNextFromTheEdgesOfTheTable) {
  AppendEvents({1, 2, 4});
  AgentHost& agent = Load();
  EXPECT_EQ(agent.GetNext(kPrefix).name, Var("1.1"));
  Answer first = agent.GetNext(Var("3.1"));
  EXPECT_EQ(first.name, Var("3.2.1.1.1"));
  EXPECT_EQ(first.number, 1);
  EXPECT_EQ(agent.GetNext(Var("3.2.1.1")).name, Var("3.2.1.1.1")) << "a column without a row";
  EXPECT_EQ(agent.GetNext(Var("3.2.1.1.0")).name, Var("3.2.1.1.1")) << "row 0";
  Answer clamped = agent.GetNext(Var("3.2.1.1.9"));
  EXPECT_EQ(clamped.name, Var("3.2.1.2.3")) << "beyond n: row n of the next column";
  EXPECT_EQ(clamped.number, 4);
  // Past the last row of the last column: the end of the region, no error.
  QueryResult end = agent.Query(SNMP_PDU_GETNEXT, {Var("3.2.1.3.3")});
  EXPECT_EQ(end.status, 0);
  EXPECT_EQ(end.bindings[0].name, kAfterRegion);
  QueryResult four = agent.Query(SNMP_PDU_GETNEXT, {Var("4")});
  EXPECT_EQ(four.status, 0);
  EXPECT_EQ(four.bindings[0].name, kAfterRegion);
}

TEST_F(AgentTest, RowsOutsideTheWindowAreUnreadableAndAWalkNeverTurnsBack) {
  AppendEvents({2, 31});
  AgentHost& agent = Load();
  // A readable row first, so that a stale text would show.
  EXPECT_EQ(agent.Get(Var("3.2.1.3.2")).text, TimeTextOf(1700000001));
  for (UINT row : {0u, 0x80000000u, 0xFFFFFFFFu}) {
    Oid code = Var("3.2.1.2");
    code.push_back(row);
    Oid time = Var("3.2.1.3");
    time.push_back(row);
    QueryResult result = agent.Query(SNMP_PDU_GET, {code, time});
    ASSERT_EQ(result.status, 0) << row;
    EXPECT_EQ(result.bindings[0].number, 0) << "unreadable record, row " << row;
    EXPECT_EQ(result.bindings[1].text, "") << "no time text, row " << row;
  }
  Oid huge = Var("3.2.1.1");
  huge.push_back(0x80000005u);
  EXPECT_EQ(agent.GetNext(huge).name, Var("3.2.1.2.1")) << "a huge row moves on to the next column";
}

TEST_F(AgentTest, RowsBeyondTheCountAndNamesOutsideTheTableAreNoSuchName) {
  AppendEvents({1, 2});
  AgentHost& agent = Load();
  for (const char* suffix : {"3.2.1.2.3", "1.7", "1.1.0", "4", "0", "3.2.1.4.1"}) {
    QueryResult result = agent.Query(SNMP_PDU_GET, {Var("1.1"), Var(suffix)});
    EXPECT_EQ(result.status, SNMP_ERRORSTATUS_NOSUCHNAME) << suffix;
    EXPECT_EQ(result.index, 2) << suffix;
  }
  QueryResult result = agent.Query(SNMP_PDU_GET, {ParseOid("1.3.6.1.2.1.1.1.0")});
  EXPECT_EQ(result.status, SNMP_ERRORSTATUS_NOSUCHNAME) << "before the region";
  EXPECT_EQ(result.index, 1);
}

TEST_F(AgentTest, SetClearsTheCountersAndRefusesWhatItMust) {
  AgentHost& agent = Load();
  QueryResult reset = agent.Query(SNMP_PDU_SET, {Var("2.5")}, {Integer(7)});
  EXPECT_EQ(reset.status, 0);
  EXPECT_EQ(agent.Read("2.5"), 0);

  QueryResult octets = agent.Query(SNMP_PDU_SET, {Var("2.5")}, {Octets("1")});
  EXPECT_EQ(octets.status, SNMP_ERRORSTATUS_BADVALUE);
  EXPECT_EQ(octets.index, 1);

  QueryResult second = agent.Query(SNMP_PDU_SET, {Var("2.5"), Var("1.1")}, {Integer(0), Integer(1)});
  EXPECT_EQ(second.status, SNMP_ERRORSTATUS_READONLY) << "variable 1 is read-only";
  EXPECT_EQ(second.index, 2);

  QueryResult unknown = agent.Query(SNMP_PDU_SET, {Var("2.6")}, {Integer(1)});
  EXPECT_EQ(unknown.status, SNMP_ERRORSTATUS_NOSUCHNAME);
  EXPECT_EQ(unknown.index, 1);

  QueryResult other = agent.Query(SNMP_PDU_GETBULK, {Var("1.1")});
  EXPECT_EQ(other.status, SNMP_ERRORSTATUS_GENERR) << "neither GET, GETNEXT nor SET";
}

TEST_F(AgentTest, WithoutAnEventFileTheTableHasOneUnreadableRow) {
  AgentHost& agent = Load();
  AppendEvents({1});  // too late: the agent opened (and missed) it at init
  EXPECT_EQ(agent.Read("3.1"), 1);
  EXPECT_EQ(agent.Read("3.2.1.2.1"), 0);
  Answer text = agent.Get(Var("3.2.1.3.1"));
  EXPECT_EQ(text.type, ASN_OCTETSTRING);
  EXPECT_EQ(text.text, "");
}

TEST_F(AgentTest, TheWindowFollowsTheFileAndTheNominalAutonomyIsReread) {
  SetSetting("Snmp Agent", "Max Events", 3);
  AppendEvents({1, 2, 4, 5});
  AgentHost& agent = Load();
  EXPECT_EQ(agent.Read("3.1"), 3);
  EXPECT_EQ(agent.Read("3.2.1.2.1"), 2) << "rows 1 to 3 are records 1 to 3";
  AppendEvents({6});
  EXPECT_EQ(agent.Read("3.2.1.2.1"), 4) << "one more record: the window moved";
  EXPECT_EQ(agent.Read("1.6"), 900) << "the default";
  SetSetting("", "Autonomia Nominal", 600);
  SetSetting("", "Tipo Cabo", 0);
  EXPECT_EQ(agent.Read("1.6"), 600) << "read again from the registry";
  EXPECT_EQ(agent.Read("1.5"), 1) << "the cable type stays as it was at init";
}

}  // namespace
