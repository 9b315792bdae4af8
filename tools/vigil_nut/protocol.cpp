#include "tools/vigil_nut/protocol.h"

#include <strings.h>

#include "tools/vigil_nut/nut_variables.h"

namespace vigil_nut {

namespace {

using Args = std::vector<std::string>;

const std::string kVersionText = std::string("vigil-nut ") + kGatewayVersion + " (Vigil 2.0), NUT network protocol 1.3";

bool Is(const std::string& word, const char* name) { return strcasecmp(word.c_str(), name) == 0; }

std::string Err(const char* name) { return std::string("ERR ") + name + "\n"; }

// Arguments after the command word.
struct Request {
  const Args& words;
  size_t count() const { return words.size() - 1; }
  const std::string& operator[](size_t i) const { return words[i + 1]; }
};

class Responder {
 public:
  Responder(Session& session, const ProtocolContext& context) : s_(session), c_(context) {}

  std::string Dispatch(const Args& words) {
    if (words.empty()) return Err("UNKNOWN-COMMAND");
    Request r{words};
    const std::string& cmd = words[0];
    if (Is(cmd, "VER")) return NoArgs(r, kVersionText + "\n");
    if (Is(cmd, "NETVER") || Is(cmd, "PROTVER")) return NoArgs(r, "1.3\n");
    if (Is(cmd, "HELP"))
      return NoArgs(r, "Commands: HELP VER GET LIST SET INSTCMD LOGIN LOGOUT USERNAME PASSWORD STARTTLS\n");
    if (Is(cmd, "STARTTLS")) return Err("FEATURE-NOT-CONFIGURED");
    if (Is(cmd, "GET")) return Get(r);
    if (Is(cmd, "LIST")) return List(r);
    if (Is(cmd, "USERNAME")) return Username(r);
    if (Is(cmd, "PASSWORD")) return Password(r);
    if (Is(cmd, "LOGOUT")) return Logout(r);
    // The rest need a user name and a password first, as in upsd.
    bool needsUser = Is(cmd, "LOGIN") || Is(cmd, "PRIMARY") || Is(cmd, "MASTER") || Is(cmd, "FSD") || Is(cmd, "SET") ||
                     Is(cmd, "INSTCMD");
    if (!needsUser) return Err("UNKNOWN-COMMAND");
    if (!s_.hasUsername) return Err("USERNAME-REQUIRED");
    if (!s_.hasPassword) return Err("PASSWORD-REQUIRED");
    if (Is(cmd, "LOGIN")) return Login(r);
    if (Is(cmd, "SET")) return Set(r);
    if (Is(cmd, "INSTCMD")) return Instcmd(r);
    // PRIMARY, MASTER and FSD: no user here holds those rights.
    if (r.count() != 1) return Err("INVALID-ARGUMENT");
    if (!c_.stations.Find(r[0])) return Err("UNKNOWN-UPS");
    return Err("ACCESS-DENIED");
  }

 private:
  static std::string NoArgs(const Request& r, std::string reply) {
    return r.count() != 0 ? Err("INVALID-ARGUMENT") : reply;
  }

  // The station, or the error upsd gives when it is unknown or stale.
  const Station* Available(const std::string& name, std::string* error) const {
    const Station* station = c_.stations.Find(name);
    if (!station) {
      *error = Err("UNKNOWN-UPS");
      return nullptr;
    }
    if (StationTable::Stale(*station, c_.nowMs)) {
      *error = Err("DATA-STALE");
      return nullptr;
    }
    return station;
  }

  static const NutVariable* FindVariable(const std::vector<NutVariable>& vars, const std::string& name) {
    for (const NutVariable& v : vars)
      if (strcasecmp(v.name.c_str(), name.c_str()) == 0) return &v;
    return nullptr;
  }

  int Logins(const Station& station) const {
    int n = 0;
    c_.forEachSession([&](const Session& other) {
      if (!other.loginUps.empty() && strcasecmp(other.loginUps.c_str(), station.upsName.c_str()) == 0) ++n;
    });
    return n;
  }

  std::string Get(const Request& r) {
    if (r.count() < 1) return Err("INVALID-ARGUMENT");
    const std::string& what = r[0];
    if (Is(what, "TRACKING")) return r.count() < 2 ? "OFF\n" : Err("FEATURE-NOT-CONFIGURED");
    if (r.count() < 2) return Err("INVALID-ARGUMENT");
    const std::string& ups = r[1];
    std::string error;
    if (Is(what, "NUMLOGINS")) {
      const Station* station = Available(ups, &error);
      if (!station) return error;
      return "NUMLOGINS " + ups + " " + std::to_string(Logins(*station)) + "\n";
    }
    if (Is(what, "UPSDESC")) {
      const Station* station = c_.stations.Find(ups);
      if (!station) return Err("UNKNOWN-UPS");
      return "UPSDESC " + ups + " \"" + Description(*station) + "\"\n";
    }
    if (r.count() < 3) return Err("INVALID-ARGUMENT");
    const std::string& var = r[2];
    if (Is(what, "VAR") && strncasecmp(var.c_str(), "server.", 7) == 0) {
      // upsd answers these whatever the UPS name.
      if (Is(var, "server.info")) return "VAR " + ups + " server.info \"" + kVersionText + "\"\n";
      if (Is(var, "server.version")) return "VAR " + ups + " server.version \"" + kGatewayVersion + "\"\n";
      return Err("VAR-NOT-SUPPORTED");
    }
    bool known = Is(what, "VAR") || Is(what, "TYPE") || Is(what, "DESC") || Is(what, "CMDDESC");
    if (!known) return Err("INVALID-ARGUMENT");
    const Station* station = Available(ups, &error);
    if (!station) return error;
    if (Is(what, "DESC")) return "DESC " + ups + " " + var + " \"" + VariableDescription(var) + "\"\n";
    if (Is(what, "CMDDESC")) return "CMDDESC " + ups + " " + var + " \"Description unavailable\"\n";
    std::vector<NutVariable> vars = StationVariables(*station, c_.nowMs, c_.ownFigures, c_.nowUnixMs);
    const NutVariable* found = FindVariable(vars, var);
    if (!found) return Err("VAR-NOT-SUPPORTED");
    // Read-only values that are not flagged as strings: upsd calls them numbers.
    if (Is(what, "TYPE")) return "TYPE " + ups + " " + var + " NUMBER\n";
    return "VAR " + ups + " " + var + " \"" + found->value + "\"\n";
  }

  std::string List(const Request& r) {
    if (r.count() < 1) return Err("INVALID-ARGUMENT");
    const std::string& what = r[0];
    if (Is(what, "UPS")) {
      std::string out = "BEGIN LIST UPS\n";
      for (const Station& station : c_.stations.All())
        out += "UPS " + station.upsName + " \"" + Description(station) + "\"\n";
      return out + "END LIST UPS\n";
    }
    if (r.count() < 2) return Err("INVALID-ARGUMENT");
    const std::string& ups = r[1];
    std::string error;
    if (Is(what, "CLIENT")) {
      const Station* station = c_.stations.Find(ups);
      if (!station) return Err("UNKNOWN-UPS");
      std::string out = "BEGIN LIST CLIENT " + ups + "\n";
      c_.forEachSession([&](const Session& other) {
        if (!other.loginUps.empty() && strcasecmp(other.loginUps.c_str(), station->upsName.c_str()) == 0)
          out += "CLIENT " + other.loginUps + " " + other.address + "\n";
      });
      return out + "END LIST CLIENT " + ups + "\n";
    }
    if (Is(what, "VAR") || Is(what, "RW") || Is(what, "CMD")) {
      const Station* station = Available(ups, &error);
      if (!station) return error;
      std::string kind = Is(what, "VAR") ? "VAR" : Is(what, "RW") ? "RW" : "CMD";
      std::string out = "BEGIN LIST " + kind + " " + ups + "\n";
      // Nothing can be written or commanded here: RW and CMD lists are empty.
      if (kind == "VAR")
        for (const NutVariable& v : StationVariables(*station, c_.nowMs, c_.ownFigures, c_.nowUnixMs))
          out += "VAR " + ups + " " + v.name + " \"" + v.value + "\"\n";
      return out + "END LIST " + kind + " " + ups + "\n";
    }
    if (r.count() < 3) return Err("INVALID-ARGUMENT");
    if (Is(what, "ENUM") || Is(what, "RANGE")) {
      const Station* station = Available(ups, &error);
      if (!station) return error;
      const std::string& var = r[2];
      if (!FindVariable(StationVariables(*station, c_.nowMs, c_.ownFigures, c_.nowUnixMs), var)) return Err("VAR-NOT-SUPPORTED");
      std::string kind = Is(what, "ENUM") ? "ENUM" : "RANGE";
      return "BEGIN LIST " + kind + " " + ups + " " + var + "\nEND LIST " + kind + " " + ups + " " + var + "\n";
    }
    return Err("INVALID-ARGUMENT");
  }

  std::string Username(const Request& r) {
    if (r.count() != 1) return Err("INVALID-ARGUMENT");
    if (s_.hasUsername) return Err("ALREADY-SET-USERNAME");
    s_.hasUsername = true;
    s_.username = r[0];
    return "OK\n";
  }

  std::string Password(const Request& r) {
    if (r.count() != 1) return Err("INVALID-ARGUMENT");
    if (s_.hasPassword) return Err("ALREADY-SET-PASSWORD");
    s_.hasPassword = true;
    s_.password = r[0];
    return "OK\n";
  }

  std::string Logout(const Request& r) {
    if (r.count() != 0) return Err("INVALID-ARGUMENT");
    s_.endAfterReply = true;
    return "OK Goodbye\n";
  }

  bool UserKnown() const {
    // As upsd: the first entry with that name decides.
    for (const User& u : c_.users)
      if (u.name == s_.username) return u.password == s_.password;
    return false;
  }

  std::string Login(const Request& r) {
    if (r.count() != 1) return Err("INVALID-ARGUMENT");
    if (!s_.loginUps.empty()) return Err("ALREADY-LOGGED-IN");
    const Station* station = c_.stations.Find(r[0]);
    if (!station) return Err("UNKNOWN-UPS");
    if (!UserKnown()) return Err("ACCESS-DENIED");
    s_.loginUps = station->upsName;
    return "OK\n";
  }

  std::string Set(const Request& r) {
    if (r.count() < 2) return Err("INVALID-ARGUMENT");
    if (Is(r[0], "VAR")) {
      if (r.count() < 4) return Err("INVALID-ARGUMENT");
      std::string error;
      if (!Available(r[1], &error)) return error;
      return Err("ACCESS-DENIED");
    }
    if (Is(r[0], "TRACKING")) return Is(r[1], "OFF") ? "OK\n" : Err("ACCESS-DENIED");
    return Err("INVALID-ARGUMENT");
  }

  std::string Instcmd(const Request& r) {
    if (r.count() < 2) return Err("INVALID-ARGUMENT");
    std::string error;
    if (!Available(r[0], &error)) return error;
    return Err("ACCESS-DENIED");
  }

  static std::string Description(const Station& station) {
    return "Nobreak de " + QuotedValue(station.stationName) + " (Vigil 2.0, " +
           QuotedValue(station.lan->sourceAddress) + ")";
  }

  Session& s_;
  const ProtocolContext& c_;
};

}  // namespace

std::string Answer(const std::vector<std::string>& words, Session& session, const ProtocolContext& context) {
  return Responder(session, context).Dispatch(words);
}

}  // namespace vigil_nut
