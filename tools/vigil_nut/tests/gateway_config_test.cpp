#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "tools/vigil_nut/gateway_config.h"

namespace {

using vigil_nut::GatewayConfig;

TEST(NutGatewayConfig, ReadsEachSetting) {
  GatewayConfig config;
  std::string error;
  ASSERT_TRUE(vigil_nut::ParseGatewayConfig("# comment\n"
                                            "LISTEN 0.0.0.0\r\n"
                                            "listen\t::  3494\n"
                                            "\n"
                                            "USER monuser \"a long secret\"\n"
                                            "USER other x # trailing comment\n"
                                            "KEY \"shared key\"\n"
                                            "MAXCONN 10\n",
                                            &config, &error))
      << error;
  ASSERT_EQ(config.listen.size(), 2u);
  EXPECT_EQ(config.listen[0].address, "0.0.0.0");
  EXPECT_EQ(config.listen[0].port, "3493");
  EXPECT_EQ(config.listen[1].address, "::");
  EXPECT_EQ(config.listen[1].port, "3494");
  ASSERT_EQ(config.users.size(), 2u);
  EXPECT_EQ(config.users[0].name, "monuser");
  EXPECT_EQ(config.users[0].password, "a long secret");
  EXPECT_EQ(config.users[1].password, "x");
  EXPECT_EQ(config.key, "shared key");
  EXPECT_EQ(config.maxConnections, 10);
  EXPECT_EQ(vigil_nut::ListenAddresses(config).size(), 2u);
}

TEST(NutGatewayConfig, WithoutListenLinesServesLoopbackOnly) {
  GatewayConfig config;
  std::string error;
  ASSERT_TRUE(vigil_nut::ParseGatewayConfig("", &config, &error));
  auto addresses = vigil_nut::ListenAddresses(config);
  ASSERT_EQ(addresses.size(), 2u);
  EXPECT_EQ(addresses[0].address, "127.0.0.1");
  EXPECT_EQ(addresses[1].address, "::1");
  EXPECT_EQ(addresses[0].port, "3493");
  EXPECT_TRUE(config.key.empty());
}

TEST(NutGatewayConfig, NamesTheLineItDoesNotUnderstand) {
  const char* bad[] = {"LISTEN", "LISTEN 1.2.3.4 1 2", "LISTEN 1.2.3.4 70000", "LISTEN ::1 x",
                       "LISTEN localhost", "LISTEN 1.2.3.256", "USER onlyname",
                       "KEY", "KEY a b", "MAXCONN 0", "MAXCONN many", "ALLOW everyone", "USER a \"open"};
  for (const char* line : bad) {
    GatewayConfig config;
    std::string error;
    EXPECT_FALSE(vigil_nut::ParseGatewayConfig(std::string("# first\n") + line + "\n", &config, &error)) << line;
    EXPECT_EQ(error.rfind("line 2: ", 0), 0u) << error;
  }
}

TEST(NutGatewayConfig, RefusesAFileOthersMayRead) {
  char path[] = "/tmp/vigil-nut-conf-XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  const char text[] = "USER monuser secret\n";
  ASSERT_EQ(write(fd, text, sizeof text - 1), static_cast<ssize_t>(sizeof text - 1));
  close(fd);
  GatewayConfig config;
  std::string error;
  for (mode_t mode : {0640, 0604, 0620, 0602, 0610}) {
    ASSERT_EQ(chmod(path, mode), 0);
    EXPECT_FALSE(vigil_nut::ReadGatewayConfig(path, &config, &error)) << std::oct << mode;
    EXPECT_NE(error.find("0600"), std::string::npos) << error;
  }
  for (mode_t mode : {0600, 0400}) {
    ASSERT_EQ(chmod(path, mode), 0);
    EXPECT_TRUE(vigil_nut::ReadGatewayConfig(path, &config, &error)) << error;
    ASSERT_EQ(config.users.size(), 1u);
  }
  unlink(path);
  EXPECT_FALSE(vigil_nut::ReadGatewayConfig(path, &config, &error));
  EXPECT_NE(error.find(path), std::string::npos);
}

}  // namespace
