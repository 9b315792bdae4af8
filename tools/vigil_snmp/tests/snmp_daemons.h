// The programs of the net-snmp tests: vigil-snmp, a private snmpd and
// snmptrapd, each started with its own configuration files only (-C -c),
// its state in the test's folder (SNMP_PERSISTENT_DIR) and loopback
// addresses on ports that were free a moment ago; and net-snmp's clients.
#pragma once

#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/wait_until.h"

// A UDP port of 127.0.0.1 that nobody holds now.
int FreeUdpPort();

std::string ReadFile(const std::string& path);

// A program started through the shell with its output in `log`, ended (with
// its process group) when the object goes.
class Daemon {
 public:
  Daemon(const std::vector<std::string>& argv, const std::string& log);
  ~Daemon();
  Daemon(const Daemon&) = delete;
  Daemon& operator=(const Daemon&) = delete;
  bool Running() const { return child_ != nullptr; }
  std::string Log() const { return ReadFile(log_); }

 private:
  std::unique_ptr<ChildProcess> child_;
  std::string log_;
};

// A net-snmp client (snmpget, snmpwalk, snmpset) with `arguments`, its
// output and errors together in `out`.
CommandResult Client(const std::string& program, const std::vector<std::string>& arguments);
