// vigil-web's settings: the configuration file (every setting, and the line
// of the first fault) and the registry's "Web Server" group.
#include <gtest/gtest.h>

#include "config/apl_config.h"
#include "platform/registry.h"
#include "web/web_settings.h"

namespace {

using namespace web;

TEST(WebConfigTest, ReadsEverySettingAndDefaultsToTheLoopback) {
  WebSettings s;
  std::string error;
  ASSERT_TRUE(ParseWebConfig("# comment\n\n  LISTEN 0.0.0.0 8080 # every address\r\nlisten ::1\n"
                             "KEY \"uma chave\\\" longa\"\nSTATE /srv/web\nLOG \"/var/log/vigil web.log\"\n"
                             "LOGLEVEL 2\nALLOW 192.168.1.0/24\nALLOW 10.1.2.3\n",
                             &s, &error))
      << error;
  EXPECT_EQ(s.listen, (std::vector<ListenAddress>{{"0.0.0.0", "8080"}, {"::1", "2648"}}));
  EXPECT_EQ(s.key, "uma chave\" longa");
  EXPECT_EQ(s.stateFolder, "/srv/web");
  EXPECT_EQ(s.logFile, "/var/log/vigil web.log");
  EXPECT_EQ(s.logLevel, 2);
  EXPECT_EQ(s.allow, (std::vector<std::string>{"192.168.1.0/24", "10.1.2.3/32"}));
  EXPECT_EQ(ListenAddresses(s), s.listen);

  ASSERT_TRUE(ParseWebConfig("", &s, &error));
  EXPECT_EQ(ListenAddresses(s), (std::vector<ListenAddress>{{"127.0.0.1", "2648"}, {"::1", "2648"}}));
  EXPECT_EQ(s.stateFolder, "/var/lib/vigil20/web");
  EXPECT_TRUE(s.key.empty());
  EXPECT_EQ(s.logLevel, 0);
}

TEST(WebConfigTest, TheFirstLineNotUnderstoodIsNamed) {
  const std::pair<const char*, const char*> bad[] = {
      {"LISTEN\n", "line 1: LISTEN takes"},
      {"\nLISTEN localhost\n", "line 2: not a numeric address: localhost"},
      {"LISTEN 127.0.0.1 0\n", "line 1: not a port: 0"},
      {"LISTEN 127.0.0.1 65536\n", "line 1: not a port"},
      {"LISTEN 256.0.0.1\n", "line 1: not a numeric address"},
      {"LISTEN 1.2.3\n", "line 1: not a numeric address"},
      {"KEY\n", "line 1: KEY takes"},
      {"KEY \"open\n", "line 1: cannot be read"},
      {"LOGLEVEL 3\n", "line 1: LOGLEVEL takes 0, 1 or 2"},
      {"ALLOW 10.0.0.0/33\n", "line 1: ALLOW takes an IPv4"},
      {"ALLOW ::1/128\n", "line 1: ALLOW takes an IPv4"},
      {"STATE\n", "line 1: STATE takes"},
      {"PORT 80\n", "line 1: unknown setting PORT"},
      {"LOG a\x01" "b\n", "line 1: cannot be read"},
  };
  for (const auto& [text, expected] : bad) {
    WebSettings s;
    std::string error;
    EXPECT_FALSE(ParseWebConfig(text, &s, &error)) << text;
    EXPECT_EQ(error.rfind(expected, 0), 0u) << text << " -> " << error;
  }
}

TEST(WebRegistrySettingsTest, TheWebServerGroupAndTheNetworkKey) {
  CAplConfig config;
  config.SetRootKey(platform::kLocalMachine, kAplConfigKey);
  config.RegisterValues();
  WebSettings s = SettingsFromRegistry(config, "C:\\Windows");
  EXPECT_TRUE(s.enabled);
  EXPECT_EQ(s.listen, (std::vector<ListenAddress>{{"0.0.0.0", "80"}}));
  EXPECT_EQ(s.logFile, "c:\\weblog.txt");
  EXPECT_EQ(s.logLevel, 0);
  EXPECT_TRUE(s.key.empty());
  EXPECT_NE(s.stateFolder.find("VigilWeb"), std::string::npos);

  config.webEnabled = 0;
  config.webPort = 8081;
  config.webCtrlList = 1;
  config.webLogLevel = 7;
  config.webLogFile = "d:\\web.log";
  config.netKey = "segredo";
  s = SettingsFromRegistry(config, "C:\\Windows");
  EXPECT_FALSE(s.enabled);
  EXPECT_EQ(s.listen, (std::vector<ListenAddress>{{"127.0.0.1", "8081"}}));
  EXPECT_EQ(s.logLevel, 2);
  EXPECT_EQ(s.logFile, "d:\\web.log");
  EXPECT_EQ(s.key, "segredo");
  config.webPort = 70000;
  EXPECT_EQ(SettingsFromRegistry(config, "C:\\Windows").listen[0].port, "80");
}

}  // namespace
