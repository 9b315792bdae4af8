// vigil-web's settings. On Linux they come from its configuration file
// (vigil-web -c FILE), one setting a line, '#' starting a comment, a word
// with blanks in double quotes:
//   LISTEN address [port]   where browsers and Prometheus connect: a numeric
//                           address, port 2648; none: 127.0.0.1 and ::1
//   KEY text                the LAN's shared key: only datagrams signed with
//                           it are believed (the file must then be readable
//                           by its owner only)
//   STATE folder            the stations' history (/var/lib/vigil20/web)
//   LOG file                the log (none: standard error)
//   LOGLEVEL n              0 start, stop and faults; 1 also each request;
//                           2 also each refused datagram and each event
//   ALLOW address/prefix    a client network allowed (IPv4); none: any
//                           client that reaches LISTEN
// and the notifications' settings (notify/notify_settings.h).
// On Windows from the registry: the "Web Server" group and the network key
// of "Seguranca".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "web/notify/notify_settings.h"

class CAplConfig;

namespace web {

inline constexpr const char* kDefaultConfigPath = "/etc/vigil20/vigil-web.conf";
inline constexpr const char* kDefaultStateFolder = "/var/lib/vigil20/web";
inline constexpr const char* kWebPort = "2648";

struct ListenAddress {
  std::string address;  // numeric IPv4 or IPv6
  std::string port = kWebPort;
  bool operator==(const ListenAddress&) const = default;
};

struct WebSettings {
  bool enabled = true;
  std::vector<ListenAddress> listen;  // empty: the loopback addresses
  std::string key;
  std::string stateFolder = kDefaultStateFolder;
  std::string logFile;  // empty: standard error
  int logLevel = 0;
  std::vector<std::string> allow;  // "a.b.c.d/n"; empty: everyone
  NotifySettings notify;
};

// Reads the settings of `text`; false with `error` naming the first line
// not understood.
bool ParseWebConfig(std::string_view text, WebSettings* settings, std::string* error);

// Reads the file at `path`; refuses one that holds a KEY or a secret of
// the notifications and that others
// than its owner may read or write.
bool ReadWebConfig(const std::string& path, WebSettings* settings, std::string* error);

// The settings the registry holds: "Web Enabled" (0: the service says so and
// stops), "Web Port" (on every address; 80 by default), "Web Ctrl List" (0:
// any client; else this computer only: 127.0.0.1), "Web Log Level", "Web
// Log File", and "Seguranca" "Net Key". The history lives in the folder
// VigilWeb of `windowsFolder`.
WebSettings SettingsFromRegistry(const CAplConfig& config, const std::string& windowsFolder);

// Whether the system's event log hears of the start, the stop and a failure:
// on Windows. On Linux the journal has the log's standard error, and a
// gateway beside vigil20 makes no folder of the suite's event log.
bool ReportsToEventLog();

// Where to listen: the settings' addresses, else 127.0.0.1 and ::1.
std::vector<ListenAddress> ListenAddresses(const WebSettings& settings);

// True for a dotted-quad IPv4 address; IPv6 text has a ':'.
bool IsIpv4(std::string_view text);
bool LooksIpv6(std::string_view text);

// Reads the program's settings as this system keeps them (settings_source_<system>.cpp):
// the file `path` on Linux, the registry on Windows.
bool LoadWebSettings(const std::string& path, WebSettings* settings, std::string* error);

}  // namespace web
