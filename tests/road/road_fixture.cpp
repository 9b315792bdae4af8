#include "tests/road/road_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

#include "platform/named_pipe.h"
#include "tests/support/record_fields.h"

namespace road {

namespace {

int lan_count = 0;

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

const char kAlerterEnv[] =
    "VIGIL20_HOST_ROOT=/usr/local/root VIGIL20_SIMLINES=/usr/local/alines VIGIL20_POWEROFF=/usr/local/sbin/poweroff ";
const char kSnmpEnv[] = "VIGIL20_HOST_ROOT=/usr/local/root SNMP_PERSISTENT_DIR=/usr/local/snmp HOME=/usr/local ";
const char kRegion[] = "1.3.6.1.4.1.7491.1.1.1";

void Check(const CommandResult& r, const std::string& what) {
  if (r.status != 0) throw std::runtime_error(what + ": " + r.err + r.out);
}

}  // namespace

int CountOf(const std::string& text, const std::string& needle) {
  int n = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size())) ++n;
  return n;
}

bool InOrder(const std::string& text, const std::string& first, const std::string& then) {
  size_t a = text.find(first), b = text.find(then);
  return a != std::string::npos && b != std::string::npos && a < b;
}

long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

BridgeLan::BridgeLan(int hosts) {
  std::string id = std::to_string(getpid() % 100000) + "x" + std::to_string(lan_count++);
  switch_ = "road-" + id + "-sw";
  std::string script =
      "set -e\n"
      "ip netns add " + switch_ + "\n"
      "ip -n " + switch_ + " link add br0 type bridge\n"
      "ip -n " + switch_ + " link set br0 up\n";
  for (int i = 0; i < hosts; ++i) {
    std::string ns = "road-" + id + "-h" + std::to_string(i);
    std::string host_end = "rh" + id + "h" + std::to_string(i), switch_end = "rs" + id + "h" + std::to_string(i);
    hosts_.push_back(ns);
    ports_.push_back(switch_end);
    script += "ip netns add " + ns + "\n"
              "ip link add " + host_end + " type veth peer name " + switch_end + "\n"
              "ip link set " + host_end + " netns " + ns + "\n"
              "ip link set " + switch_end + " netns " + switch_ + "\n"
              "ip -n " + switch_ + " link set " + switch_end + " master br0\n"
              "ip -n " + switch_ + " link set " + switch_end + " up\n"
              "ip -n " + ns + " link set lo up\n"
              "ip -n " + ns + " addr add " + Address(i) + "/24 brd + dev " + host_end + "\n"
              "ip -n " + ns + " link set " + host_end + " up\n"
              "ip -n " + ns + " route add default dev " + host_end + "\n";
  }
  CommandResult r = RunProcess({"/bin/sh", "-c", script}, 20000);
  if (r.status != 0) {
    for (const auto& ns : hosts_) RunProcess({"ip", "netns", "del", ns}, 5000);
    RunProcess({"ip", "netns", "del", switch_}, 5000);
    throw std::runtime_error("cannot build the test LAN: " + r.err);
  }
}

BridgeLan::~BridgeLan() {
  for (const auto& ns : hosts_) RunProcess({"ip", "netns", "del", ns}, 5000);
  RunProcess({"ip", "netns", "del", switch_}, 5000);
}

void BridgeLan::Unplug(int host) const {
  Check(RunProcess({"ip", "-n", switch_, "link", "set", ports_.at(host), "nomaster"}, 5000), "unplug");
}

void BridgeLan::Plug(int host) const {
  Check(RunProcess({"ip", "-n", switch_, "link", "set", ports_.at(host), "master", "br0"}, 5000), "plug");
}

Station::Station(const BridgeLan& lan, int host, const std::string& name, const std::string& hosts)
    : lan_(lan), host_(host), name_(name), address_(lan.Address(host)), box_(In(lan.Netns(host))) {
  box_.Write("hosts", "127.0.0.1 localhost\n" + hosts);
  box_.Write("nsswitch.conf", "hosts: files\n");
  Check(box_.Run("hostname " + Quoted(name_) +
                 " && mount --bind /usr/local/hosts /etc/hosts && mount --bind /usr/local/nsswitch.conf /etc/nsswitch.conf"
                 // LineTap's shared record is named after the host root, the
                 // same path in every station: each gets its own /dev/shm.
                 " && mount -t tmpfs -o size=8m tmpfs /dev/shm"
                 // Even a mistaken shutdown request reaches only a recorder.
                 " && if command -v systemctl >/dev/null; then mount --bind /usr/local/sbin/poweroff "
                 "$(command -v systemctl); fi"),
        "station " + name_);
}

void Station::Lines(const std::string& file, const std::string& words) const {
  Check(box_.Run(VIGIL_LINES_BIN " /usr/local/" + file + " " + words), "vigil-lines");
}

namespace {

std::vector<std::string> DaemonConf(int minutes, const std::string& station, const std::string& port, bool local_ups,
                                    bool send, bool receive, bool accept_any, const std::string& server) {
  auto yes = [](bool on) { return std::string(on ? "sim" : "nao"); };
  return {
      "Autonomia em minutos = " + std::to_string(minutes),
      "Tempo de recarga em horas = 1",
      "Desligar no fim da autonomia (sim/nao) = sim",
      "Desligar com bateria em nivel critico (sim/nao) = sim",
      "Avisos sonoros (sim/nao) = sim",
      "Mensagens no console (sim/nao) = sim",
      "Nobreak ligado a este computador (sim/nao) = " + yes(local_ups),
      "Porta serial (COM1 a COM8) = " + port,
      "Enviar o estado pela rede (sim/nao) = " + yes(send),
      "Nome desta estacao = " + station,
      "Receber o estado pela rede (sim/nao) = " + yes(receive),
      "Aceitar qualquer servidor (sim/nao) = " + yes(accept_any),
      "Servidor aceito = " + server,
      "Sinal de bypass (sim/nao) = sim",
      "Filtro de estabilidade (sim/naom) = sim",
      "Executar comando antes de desligar (sim/nao) = nao",
      "Comando = ",
  };
}

}  // namespace

// The tones of the simulation go beside the line file, never to the
// speaker's ports: every vigil20 runs with VIGIL20_SIMLINES.
void Station::StartVigil20Server(int autonomy_minutes) const {
  box_.WriteConf(DaemonConf(autonomy_minutes, name_, "COM2", true, true, false, false, "servidor"));
  Lines("lines", "set DSR CTS RI");
  Check(box_.Run("VIGIL20_SIMLINES=/usr/local/lines " VIGIL20_BIN), "vigil20 server");
}

// A static program resolves its ioctl calls inside itself, out of the
// shim's reach: the USB server is vigil20-dynamic, the same objects linked
// against the shared C library. Its serial ports are /dev/null, so that
// even a name gone wrong reaches no real UART.
void Station::StartVigil20UsbServer(int autonomy_minutes, const std::string& port) const {
  box_.WriteConf(DaemonConf(autonomy_minutes, name_, port, true, true, false, false, "servidor"));
  Lines("lines", "set DSR CTS RI");
  Check(box_.Run("for device in /dev/ttyS* /dev/ttyUSB* /dev/ttyACM*; do\n"
                 "  [ -e \"$device\" ] || continue\n"
                 "  mount --bind /dev/null \"$device\" || exit 1\n"
                 "done"),
        "serial ports out of reach");
  Check(box_.Run("VIGIL20_SIMLINES=/usr/local/lines ASAN_OPTIONS=verify_asan_link_order=0 LD_PRELOAD=" HIDRAW_SHIM
                 " VIGIL_HIDRAW_ROOT=/usr/local/hid " VIGIL20_DYNAMIC_BIN),
        "vigil20 USB server");
}

HidrawDevice& Station::PlugUsbUps(const std::vector<uint8_t>& descriptor, const HidrawDevice::Identity& identity,
                                  int number) {
  std::filesystem::create_directories(box_.Path("hid"));
  usb_ups_ = std::make_unique<HidrawDevice>(box_.Path("hid"), identity, descriptor);
  usb_ups_->Plug(number);
  return *usb_ups_;
}

bool Station::UsbReport(const std::vector<uint8_t>& report) const {
  if (!usb_ups_) throw std::logic_error("no USB UPS plugged at " + name_);
  return WaitUntil([&] { return usb_ups_->SendInput(report) > 0; }, 3000);
}

void Station::StartVigil20Receiver(const std::string& server, bool accept_any) const {
  box_.WriteConf(DaemonConf(10, name_, "COM2", false, false, true, accept_any, server));
  Lines("lines", "set DSR CTS RI");
  Check(box_.Run("VIGIL20_SIMLINES=/usr/local/lines " VIGIL20_BIN), "vigil20 receiver");
}

void Station::StopVigil20() const { Check(box_.Run(VIGIL20_BIN " stop"), "vigil20 stop"); }

std::string Station::Vigil20Log() const { return box_.Run(VIGIL20_BIN " log").out; }

bool Station::WaitForLog(const std::string& needle, int timeout_ms, int times) const {
  return WaitUntil([&] { return CountOf(Vigil20Log(), needle) >= times; }, timeout_ms);
}

void Station::Setting(const std::string& name, int value) const {
  Check(box_.Run("VIGIL20_HOST_ROOT=/usr/local/root " VIGIL_REG_BIN " add 'HKLM\\Software\\Tessaly\\Vigil 2.0' /v " +
                 Quoted(name) + " /t REG_DWORD /d " + std::to_string(value) + " /f"),
        "setting " + name);
}

void Station::Setting(const std::string& name, const std::string& value) const {
  Check(box_.Run("VIGIL20_HOST_ROOT=/usr/local/root " VIGIL_REG_BIN " add 'HKLM\\Software\\Tessaly\\Vigil 2.0' /v " +
                 Quoted(name) + " /t REG_SZ /d " + Quoted(value) + " /f"),
        "setting " + name);
}

void Station::ConfigureAlerterServer(int autonomy, int interval_ms) const {
  Lines("alines", "set DSR CTS RI");
  Setting("ComMode", 1);
  Setting("ComPort", 1);
  Setting("Net Mode", 4);
  Setting("Interval", interval_ms);
  Setting("Signal Filter", 2);
  Setting("BroadcastDelay", 1);
  Setting("Autonomia Nominal", autonomy);
  Setting("Tempo Recarga", 3600);
}

void Station::ConfigureAlerterClient(const std::string& server, int interval_ms, int bad_server_delay,
                                     int own_autonomy) const {
  Setting("ComMode", 2);
  Setting("Net Mode", 5);
  Setting("AcceptAll", server.empty() ? 1 : 0);
  if (!server.empty()) Setting("HostName", server);
  Setting("Interval", interval_ms);
  Setting("BadServerDelay", bad_server_delay);
  Setting("Autonomia Server", own_autonomy == 0 ? 1 : 0);
  if (own_autonomy != 0) Setting("Autonomia Nominal", own_autonomy);
}

void Station::StartAlerter() const {
  Check(box_.Run(std::string(kAlerterEnv) + ALERTER_BIN " -normal > /usr/local/alerter.log 2>&1 &"), "alerter");
}

std::string Station::AlerterStatus() const {
  const char* previous = std::getenv("VIGIL20_HOST_ROOT");
  std::string saved = previous ? previous : "";
  setenv("VIGIL20_HOST_ROOT", box_.Path("root").c_str(), 1);
  std::string reply;
  platform::PipeClient* client = nullptr;
  if (platform::ConnectToPipe("\\\\.\\pipe\\vigil20_pipe", 1000, &client) == 0) {
    if (platform::WritePipeClient(client, "\n", 1) == 0) {
      char buffer[512];
      uint32_t got = 0;
      if (platform::ReadPipeClient(client, buffer, sizeof buffer, &got, 1000) == 0) reply.assign(buffer, got);
    }
    platform::ClosePipeClient(client);
  }
  if (previous) setenv("VIGIL20_HOST_ROOT", saved.c_str(), 1);
  else unsetenv("VIGIL20_HOST_ROOT");
  return reply;
}

void Station::EndAlerter() const {
  const char* previous = std::getenv("VIGIL20_HOST_ROOT");
  std::string saved = previous ? previous : "";
  setenv("VIGIL20_HOST_ROOT", box_.Path("root").c_str(), 1);
  platform::PipeClient* client = nullptr;
  if (platform::ConnectToPipe("\\\\.\\pipe\\vigil20_pipe", 1000, &client) == 0) {
    platform::WritePipeClient(client, "c", 1);
    platform::ClosePipeClient(client);
  }
  if (previous) setenv("VIGIL20_HOST_ROOT", saved.c_str(), 1);
  else unsetenv("VIGIL20_HOST_ROOT");
}

bool Station::WaitAlerterServing(int timeout_ms) const {
  return WaitUntil([&] { return AlerterStatus().size() == 216; }, timeout_ms);
}

std::vector<int32_t> Station::AlerterEvents() const {
  return EventFileCodes(box_.Read("root/windows/EvtVigil20.dat"));
}

bool Station::WaitForEvents(const std::vector<int32_t>& codes, int timeout_ms) const {
  return WaitUntil([&] { return AlerterEvents() == codes; }, timeout_ms);
}

int32_t StatusField(const std::string& status, size_t offset) {
  if (status.size() < offset + 4) return -999;
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(status[offset + i]);
  return static_cast<int32_t>(value);
}

void Station::StartAgent(const std::string& manager) const {
  Check(box_.Run("VIGIL20_HOST_ROOT=/usr/local/root " VIGIL_REG_BIN
                 " add 'HKLM\\System\\CurrentControlSet\\Control\\SNMP\\Parameters\\ExtensionAgents' /v vigil_20_agent"
                 " /t REG_SZ /d 'SOFTWARE\\Tessaly\\VigilAgent20\\CurrentVersion' /f && "
                 "VIGIL20_HOST_ROOT=/usr/local/root " VIGIL_REG_BIN
                 " add 'HKLM\\SOFTWARE\\Tessaly\\VigilAgent20\\CurrentVersion' /v Pathname /t REG_SZ /d '" VIGIL_AGENT_LIBRARY
                 "' /f && mkdir -p /usr/local/snmp"),
        "agent registry");
  box_.Write("vigil-snmp.conf", "rocommunity public 127.0.0.1\ntrapsink " + manager + ":162 public\n");
  Check(box_.Run(std::string(kSnmpEnv) + VIGIL_SNMP_BIN
                 " -f -Le -c /usr/local/vigil-snmp.conf udp:127.0.0.1:1161 > /usr/local/vigil-snmp.log 2>&1 &"),
        "vigil-snmp");
  if (!WaitUntil([&] { return AgentRead("1.5") >= 0; }, 20000))
    throw std::runtime_error("vigil-snmp does not answer: " + box_.Read("vigil-snmp.log"));
}

int Station::AgentRead(const std::string& oid) const {
  CommandResult r = box_.Run(std::string(kSnmpEnv) + "snmpget -v 1 -c public -On -t 1 -r 0 udp:127.0.0.1:1161 " +
                             kRegion + "." + oid);
  size_t at = r.out.find("INTEGER: ");
  if (r.status != 0 || at == std::string::npos) return -1;
  return std::atoi(r.out.c_str() + at + 9);
}

std::string Station::Walk() const {
  return box_
      .Run(std::string(kSnmpEnv) + "snmpwalk -v 2c -c public -M +" VIGIL_MIB_DIR
                                   " -m +VIGIL20-MIB -t 1 -r 0 udp:127.0.0.1:1161 " +
           kRegion)
      .out;
}

void Station::StartTrapReceiver() {
  box_.Write("snmptrapd.conf", "disableAuthorization yes\nformat1 V1TRAP %N %w %q\\n\nformat2 V2TRAP %v\\n\n");
  // Inside the sandbox the system's sbin holds the recorders: snmptrapd is
  // started from outside, in the station's network namespace only.
  std::string script = "mkdir -p " + box_.Path("snmp") + " && SNMP_PERSISTENT_DIR=" + box_.Path("snmp") +
                       " exec ip netns exec " + lan_.Netns(host_) + " /usr/sbin/snmptrapd -f -n -Lf " + box_.Path("snmptrapd.log") + " -On -C -c " +
                       box_.Path("snmptrapd.conf") + " udp:0.0.0.0:162 > " + box_.Path("snmptrapd.out") + " 2>&1";
  ChildProcess::Options options;
  options.ownGroup = true;
  options.pipeOutput = false;
  std::string error;
  trapd_ = ChildProcess::Start({"/bin/sh", "-c", script}, options, &error);
  if (!trapd_) throw std::runtime_error("snmptrapd: " + error);
  if (!WaitUntil([&] { return Traps().find("NET-SNMP version") != std::string::npos; }, 20000))
    throw std::runtime_error("snmptrapd did not start: " + Traps());
}

Station::~Station() {
  if (trapd_) {
    trapd_->Kill();
    trapd_->Wait();
  }
}

std::string TrapLine(int n) {
  return "V1TRAP .1.3.6.1.4.1.7491.1.1.1.4." + std::to_string(n) + " 6 ." + std::to_string(n) + "\n";
}

Figures Vigil20Figures(const Station& station) {
  Figures f;
  CommandResult r = station.box().Run(VIGIL_PEEK_BIN);
  if (r.status != 0) return f;
  std::istringstream fields(r.out);
  int start, running, stop, bp, paused;
  fields >> start >> running >> stop >> f.pf >> f.bl >> bp >> f.cf >> f.ao >> f.total >> f.base >> f.left >> f.dt >>
      paused >> f.name;
  f.present = true;
  return f;
}

}  // namespace road
