// The datagram as the monitoring program builds and reads it, the LAN
// endpoint's address and name rules, the switches and the pipe's requests.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/packet.h"
#include "alerter/pipe_request.h"
#include "framework/service_app.h"
#include "alerter/socket_bind.h"

using core::BuildPacket;
using core::CState;
using core::ParsePacket;
using core::kStateImageBytes;

namespace {

TEST(Packet, BuildsTheDatagramIntoTheRecordAndReadsItBack) {
  CState s{};
  s.powerFailure = 1;
  s.nominalAutonomy = 900;
  s.fullAutonomy = 600;
  s.remainingAutonomy = -5;
  s.timeOnBattery = 40000;
  size_t length = BuildPacket(s, "pc-sala.empresa.local");
  ASSERT_EQ(length, 20u + 21u);
  EXPECT_EQ(s.packet[4], 0);
  EXPECT_EQ(s.packet[5], 41);
  EXPECT_EQ(s.packet[15], 0xFF);
  EXPECT_EQ(s.packet[16], 0xFB);
  EXPECT_STREQ(s.hostName, "pc-sala.empresa.local");

  CState rx{};
  ASSERT_TRUE(ParsePacket(s.packet, length, &rx));
  EXPECT_EQ(rx.fromNetwork, 1);
  EXPECT_EQ(rx.powerFailure, 1);
  EXPECT_EQ(rx.remainingAutonomy, -5);
  EXPECT_EQ(rx.timeOnBattery, 40000);
  EXPECT_EQ(rx.nominalAutonomy, 900);
  EXPECT_STREQ(rx.hostName, "pc-sala.empresa.local");
}

TEST(Packet, LongNamesAreCutAndOnlyTheBytesThatArrivedAreRead) {
  CState s{};
  std::string forty(40, 'n');
  ASSERT_EQ(BuildPacket(s, forty.c_str()), 52u);
  EXPECT_EQ(s.packet[19], 32);
  EXPECT_EQ(std::strlen(s.hostName), 31u);

  CState rx{};
  s.packet[19] = 200;  // claims more than any datagram holds
  ASSERT_TRUE(ParsePacket(s.packet, 25, &rx));
  EXPECT_STREQ(rx.hostName, "nnnnn");  // the five name bytes that arrived

  CState nothing{};
  EXPECT_FALSE(ParsePacket(s.packet, 19, &nothing));  // shorter than the fixed part
  s.packet[3] = 0x02;
  EXPECT_FALSE(ParsePacket(s.packet, 52, &nothing));
  EXPECT_EQ(nothing.fromNetwork, 0);
}

TEST(Endpoint, BroadcastAddressIsClassful) {
  const uint8_t a[4] = {10, 1, 2, 3}, b[4] = {172, 16, 5, 9}, c[4] = {192, 168, 1, 20};
  EXPECT_EQ(ClassfulBroadcast(a), "10.255.255.255");
  EXPECT_EQ(ClassfulBroadcast(b), "172.16.255.255");
  EXPECT_EQ(ClassfulBroadcast(c), "192.168.1.255");
}

TEST(Endpoint, OnlyTheNamedServerIsAcceptedWhatEverItsCaseOrDomain) {
  EXPECT_TRUE(IsAcceptedSender("pc-sala.empresa.local", "PC-SALA"));
  EXPECT_TRUE(IsAcceptedSender("pc-sala", "pc-sala"));
  EXPECT_FALSE(IsAcceptedSender("pc-salao", "pc-sala"));
  EXPECT_FALSE(IsAcceptedSender(".pc-sala", "pc-sala"));  // a leading '.' is part of the name
  EXPECT_TRUE(IsAcceptedSender("ESTA\xC7\xC3O", "esta\xE7\xE3o"));
}

TEST(Endpoint, SocketErrorsHaveTheirTexts) {
  EXPECT_STREQ(SocketErrorText(10048), "The specified address is already in use");
  EXPECT_STREQ(SocketErrorText(10013),
               "The requested address is a broadcast address, but the appropriate flag was not set.");
  EXPECT_STREQ(SocketErrorText(0), "Erro desconhecido");
  EXPECT_STREQ(SocketErrorText(11001), "Erro desconhecido");
}

TEST(Switches, AreMatchedWithoutCaseOrPrefixAndOthersAreIgnored) {
  CSrvcCmdInfo info;
  const char* argv[] = {"alerter", "-install", "/REMOVE", "-NoServ", "stop", "-bogus", "-Silent"};
  ParseCommandLine(7, const_cast<char**>(argv), info);
  EXPECT_TRUE(info.install);
  EXPECT_TRUE(info.remove);
  EXPECT_TRUE(info.normal);
  EXPECT_TRUE(info.silent);
  EXPECT_FALSE(info.stop);  // not a switch
  EXPECT_FALSE(info.start);
  EXPECT_FALSE(info.show);
}

TEST(PipeRequests, FirstByteDecidesAndTheHeaderLeavesAsZero) {
  const uint8_t lf[] = {10, 'x'}, c[] = {99}, x[] = {'x'};
  EXPECT_EQ(ClassifyPipeRequest(lf, 2), PipeRequest::kStatus);
  EXPECT_EQ(ClassifyPipeRequest(c, 1), PipeRequest::kExit);
  EXPECT_EQ(ClassifyPipeRequest(x, 1), PipeRequest::kUnknown);
  EXPECT_EQ(ClassifyPipeRequest(x, 0), PipeRequest::kNone);

  CState s{};
  s.header = -1;
  s.powerFailure = 1;
  uint8_t reply[kStateImageBytes];
  StatusReply(s, reply);
  EXPECT_EQ(reply[0] | reply[1] | reply[2] | reply[3], 0);
  EXPECT_EQ(reply[44], 1);
}

}  // namespace
