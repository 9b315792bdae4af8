// The collector of the servers heard: one upper-case entry per name
// whatever its case, other headers ignored, names cut as the status record
// keeps them, and a flood kept within bounds.
#include "applet/server_list.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/lan_datagram.h"
#include "core/lan_signature.h"

using core::EncodeLanDatagram;
using core::LanDatagram;
using core::LanSender;
using core::LanWallClockMs;
using core::SignLanDatagram;
using core::kLanDatagramMax;
using core::kLanNameMax;
using core::kLanSignedMax;

using applet::ServerList;

namespace {

std::vector<uint8_t> Datagram(const std::string& name) {
  LanDatagram d;
  d.name_len = static_cast<uint8_t>(std::min(name.size(), kLanNameMax));
  std::memcpy(d.name, name.data(), d.name_len);
  std::vector<uint8_t> bytes(kLanDatagramMax);
  bytes.resize(EncodeLanDatagram(d, bytes.data()));
  return bytes;
}

TEST(ServerList, NamesDifferingInCaseGiveOneUpperCaseEntryAndOtherHeadersAreIgnored) {
  ServerList list;
  auto a = Datagram("pc-sala.empresa.local");
  auto b = Datagram("PC-Sala.Empresa.Local");
  EXPECT_TRUE(list.Collect(a.data(), a.size()));
  EXPECT_FALSE(list.Collect(b.data(), b.size()));
  auto other = Datagram("outro");
  other[3] = 0x02;
  EXPECT_FALSE(list.Collect(other.data(), other.size()));
  EXPECT_FALSE(list.Collect(other.data(), 10)) << "a short datagram";
  EXPECT_EQ(list.Names(), std::vector<std::string>{"PC-SALA.EMPRESA.LOCAL"});
}

TEST(ServerList, ALongNameIsCutToWhatTheRecordKeepsAndAFloodStaysBounded) {
  ServerList list;
  auto longName = Datagram(std::string(40, 'n'));
  longName[19] = 200;  // a length that claims more than arrived
  ASSERT_TRUE(list.Collect(longName.data(), longName.size()));
  EXPECT_EQ(list.Names()[0], std::string(31, 'N'));
  for (int i = 0; i < 1000; ++i) {
    auto d = Datagram("host" + std::to_string(i));
    list.Collect(d.data(), d.size());
  }
  EXPECT_EQ(list.Names().size(), ServerList::kMaxServers);
  EXPECT_EQ(list.Names().back(), "HOST254");
}

std::vector<uint8_t> SignedDatagram(const std::string& name, const std::string& key, uint64_t now) {
  auto bytes = Datagram(name);
  size_t size = bytes.size();
  bytes.resize(kLanSignedMax);
  LanSender sender;
  bytes.resize(SignLanDatagram(bytes.data(), size, bytes.size(), key.data(), key.size(), &sender, now));
  return bytes;
}

TEST(ServerList, WithAKeyOnlyServersWhoseDatagramsVerifyAreListed) {
  ServerList list;
  list.SetKey("segredo");
  uint64_t now = LanWallClockMs();
  auto plain = Datagram("semchave");
  auto other = SignedDatagram("outrachave", "outro", now);
  auto late = SignedDatagram("atrasado", "segredo", now - 10 * 60 * 1000);
  auto good = SignedDatagram("servidor", "segredo", now);
  EXPECT_FALSE(list.Collect(plain.data(), plain.size()));
  EXPECT_FALSE(list.Collect(other.data(), other.size()));
  EXPECT_FALSE(list.Collect(late.data(), late.size()));
  EXPECT_TRUE(list.Collect(good.data(), good.size()));
  EXPECT_EQ(list.Names(), std::vector<std::string>{"SERVIDOR"});

  // Without a key every server is listed, signed or not.
  list.SetKey("");
  EXPECT_TRUE(list.Collect(plain.data(), plain.size()));
  EXPECT_TRUE(list.Collect(other.data(), other.size()));
}

}  // namespace
