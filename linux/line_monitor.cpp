// The line monitor: the main process of a station wired to the UPS. It reads
// the serial port's modem lines (or a USB UPS's reports), keeps the block's
// UPS flags, broadcasts the state and runs VigilDiag. While a change
// settles it reads the lines every period (100 ms), at the same instants
// after the change as ever; once
// everything has settled it waits for the next change, bounded by what
// falls due: the periodic broadcast, systemd's watchdog, a periodic re-read
// and the next attempt to reopen a device that went away; for a USB UPS,
// also its next feature poll.
#include <arpa/inet.h>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <netinet/in.h>
#include <optional>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/utsname.h>
#include <unistd.h>

#include "config_file.h"
#include "diag.h"
#include "hid_port.h"
#include "lan_message.h"
#include "line_wait.h"
#include "log_file.h"
#include "modem_lines.h"
#include "roles.h"
#include "linuxbase/monotonic_clock.h"
#include "linuxbase/service_notify.h"
#include "shared_block.h"
#include "ups_figures_out.h"
#include "worker_wake.h"

using core::kLanSignedMax;

namespace {

constexpr const char* kLabel = "Envia Mensagens";
// Seconds after a broadcast at which the state is sent again unchanged.
constexpr time_t kResendSeconds = 5;
// Seconds between two reads of the lines while nothing else falls due: a
// change between a read and the start of a wait escapes the device's own
// snapshot, and is caught by then.
constexpr time_t kRereadSeconds = 5;
// Seconds between two attempts to open a device that went away.
constexpr time_t kReopenSeconds = 1;
// The stable count only needs to pass 2; held here, it never overflows.
constexpr int kStableCap = 1000;

constexpr const char* kDeviceDefaulted =
    "Porta serial nao reconhecida na configuracao (use COM1 a COM8 ou o caminho do dispositivo); usando /dev/ttyS1";
constexpr const char* kDeviceRefusesWait =
    "A porta serial nao avisa as mudancas das linhas; elas serao lidas 10 vezes por segundo";
constexpr const char* kRingNotSignalled =
    "A porta serial nao avisa a entrada em bypass; as linhas serao lidas 10 vezes por segundo";
constexpr const char* kSimulatorUnwatched =
    "O arquivo das linhas simuladas nao pode ser observado; ele sera lido 10 vezes por segundo";

// "localhost" stands for the host's own name, cut at its first ".".
bool SetStationName() {
  const char* name = config.station;
  struct utsname host;
  if (std::strcmp(config.station, "localhost") == 0) {
    if (uname(&host) != 0) return false;
    char* dot = std::strchr(host.nodename, '.');
    if (dot) *dot = '\0';
    name = host.nodename;
  }
  BlockSetName(name, static_cast<int>(std::strlen(name)));
  return true;
}

linuxbase::UniqueFd OpenBroadcastSocket(const DaemonConfig& fixed, struct sockaddr_in* destination) {
  linuxbase::UniqueFd sock(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!sock) return sock;
  int on = 1;
  std::memset(destination, 0, sizeof *destination);
  destination->sin_family = AF_INET;
  destination->sin_port = htons(fixed.port);
  if (setsockopt(sock.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0 ||
      inet_pton(AF_INET, fixed.address, &destination->sin_addr) != 1)
    sock.reset();
  return sock;
}

// Decodes a new modem word into the block's flags (lock held). All three
// inputs inactive with bypass signalling on can only be a missing cable: the
// other flags then keep their values.
void DecodeWord(int word) {
  bool power = (word & TIOCM_DSR) == 0;
  bool battery = (word & TIOCM_CTS) == 0;
  bool bypass = (word & TIOCM_RNG) == 0;
  if (power && battery && bypass && config.bypass_on == 1) {
    WriteSignalFault(true);
    return;
  }
  WriteMainsFailure(power);
  WriteBatteryCritical(battery);
  WriteBypass(config.bypass_on == 1 && bypass);
  WriteSignalFault(false);
}

// A USB UPS's flags (lock held). It has no bypass to tell.
void DecodeHidWord(int word) {
  WriteMainsFailure((word & kHidMainsFailure) != 0);
  WriteBatteryCritical((word & kHidBatteryCritical) != 0);
  WriteBypass(false);
  WriteSignalFault(false);
}

// Lines that cannot be read say nothing new about the power: the last state
// stands, so that a discharge goes on to the end of its autonomy.
void MarkLinesLost() { WriteSignalFault(true); }

void PublishFullBattery() {
  core::UpsState full;
  full.autonomy_nominal_s = full.autonomy_full_s = full.autonomy_left_s = config.autonomy_min * 60;
  full.time_on_battery_s = 0;
  WriteAutonomyFigures(full);
}

bool FlagsDifferFrom(const core::UpsState& reported) { return !SameUpsFlags(ReadUpsState(), reported); }

// Applies a read of the lines to the block (lock held) and wakes the worker,
// which sleeps between its once-a-second passes, when a flag moved.
void ApplyRead(bool read_ok, bool usb, int word, pid_t worker) {
  const core::UpsState before = ReadUpsState();
  if (read_ok && usb)
    DecodeHidWord(word);
  else if (read_ok)
    DecodeWord(word);
  else
    MarkLinesLost();
  WakeWorkerOnChange(worker, before);
}

// A line of the daemon's own in the log, under the station's name.
void Log(const char* text) {
  char name[kNameMax + 1];
  LockBlock(kLabel);
  BlockDisplayName(name);
  Printl(name, text, config.console_on);
  UnlockBlock(kLabel);
}

const char* NoWaitText(NoWaitReason reason) {
  switch (reason) {
    case NoWaitReason::kDeviceRefuses:
      return kDeviceRefusesWait;
    case NoWaitReason::kRingTrailingEdge:
      return kRingNotSignalled;
    case NoWaitReason::kSimulatorUnwatched:
      return kSimulatorUnwatched;
    case NoWaitReason::kNone:
      break;
  }
  return nullptr;
}

// The lines, and the device behind them while it is away; or a USB UPS
// when line 8 names one.
struct Port {
  ModemLines lines;
  bool away = false;     // the device failed a read and was let go
  time_t next_open = 0;  // the next attempt to open it again
  bool usb = false;
  HidPort hid;
  std::optional<int32_t> published_runtime;  // the UPS's estimate last put in the block
  UpsFiguresOut figures;                     // what it measures, for the gateways
};

constexpr const char* kUsbFoundAgain = "Nobreak USB encontrado de novo em ";

// One read of a USB UPS: the same communication failure as the lines' while
// it is unplugged, and a line in the log when it is found again. `moved`:
// the flags changed on the way, even if they came back.
bool ReadUsb(Port* port, int* word, bool* moved) {
  HidPortRead read;
  bool read_ok = ReadHidPort(&port->hid, kHidrawSysfs, kReopenSeconds, &read);
  *word = read.word;
  *moved = read.moved;
  if (read.found_again) {
    char text[128];
    std::snprintf(text, sizeof text, "%s%s", kUsbFoundAgain, port->hid.ups.node);
    Log(text);
    port->published_runtime.reset();  // what the worker counted down meanwhile is replaced
  }
  return read_ok;
}

// With the UPS's own runtime estimate and the linear model not chosen, the
// estimate is the autonomy left, for the worker to follow. Takes the lock
// only when the estimate moved.
void PublishUpsRuntime(Port* port) {
  if (!port->usb || autonomy_linear) return;
  auto figures = HidRuntimeFigures(&port->hid);
  if (!figures || figures->autonomy_left_s == port->published_runtime) return;
  LockBlock(kLabel);
  BlockSetRuntimeFromUps();
  WriteAutonomyFigures(*figures);
  UnlockBlock(kLabel);
  port->published_runtime = figures->autonomy_left_s;
}

// The UPS's figures for the gateways while it answers; none while it is
// unplugged.
void PublishFigures(Port* port, bool read_ok) {
  if (!port->usb) return;
  if (!read_ok) {
    WithdrawUpsFigures(&port->figures);
    return;
  }
  char name[kNameMax];
  LockBlock(kLabel);
  int length = BlockName(name);
  UnlockBlock(kLabel);
  std::string failure = PublishUpsFigures(&port->figures, std::string_view(name, length), port->hid.ups.reading);
  if (!failure.empty()) Log(failure.c_str());
}

void TellHidFaults(HidPort* hid) {
  char text[160];
  while (NextHidFaultLine(hid, text, sizeof text)) Log(text);
}

// One read of the lines. A device that fails a read is let go and opened
// again every kReopenSeconds until it reads, with the outputs set again;
// until then every read fails, which is the communication failure that a
// failed read always was. `moved`: a change came and went between two
// reads, which only a USB UPS's reports can tell.
bool ReadLines(Port* port, int* word, bool* moved) {
  *moved = false;
  if (port->usb) return ReadUsb(port, word, moved);
  if (port->away) {
    time_t now = linuxbase::MonotonicSeconds();
    if (now < port->next_open) return false;
    port->next_open = now + kReopenSeconds;
    if (!ReopenModemDevice(&port->lines) || !SetModemWord(port->lines, TIOCM_RTS)) {
      DropModemDevice(&port->lines);
      return false;
    }
    port->away = false;
  }
  if (GetModemWord(&port->lines, word)) return true;
  if (ModemDeviceOpen(port->lines)) {
    DropModemDevice(&port->lines);
    port->away = true;
    port->next_open = linuxbase::MonotonicSeconds() + kReopenSeconds;
  }
  return false;
}

// The second at which the next thing falls due, when nothing changes.
time_t NextDue(const Port& port, time_t last_send) {
  time_t now = linuxbase::MonotonicSeconds();
  time_t due = now + kRereadSeconds;
  if (config.lan_send == 1 && last_send + kResendSeconds < due) due = last_send + kResendSeconds;
  // systemd's watchdog, in the whole seconds the wait counts: half its
  // period, at least one second.
  uint32_t alive_ms = linuxbase::AlivePeriodMs();
  long alive = alive_ms == 0 ? 0 : alive_ms < 1000 ? 1 : static_cast<long>(alive_ms / 1000);
  if (alive > 0 && now + alive < due) due = now + alive;
  if (port.away && port.next_open < due) due = port.next_open;
  if (port.usb && port.hid.away && port.hid.next_open < due) due = port.hid.next_open;
  return due;
}

// The passes that a wait since `since_us` stood for all read the same state.
void CountWaitedPasses(long long since_us, long period_us, int* stable) {
  long long passes = (linuxbase::MonotonicUs() - since_us) / period_us;
  *stable = passes >= kStableCap - *stable ? kStableCap : *stable + static_cast<int>(passes);
}

}  // namespace

RoleEnd RunLineMonitor(pid_t worker, StartGate* gate, const DaemonConfig& fixed) {
  struct sockaddr_in destination;
  Port port;
  int saved_word = 0;
  if (!SetStationName()) return RoleEnd::kSetUpFailed;
  // Before the port is opened: a start that fails on the wrong port leaves
  // the reason in the log.
  if (device_defaulted) Log(kDeviceDefaulted);
  linuxbase::UniqueFd sock = OpenBroadcastSocket(fixed, &destination);
  if (!sock) return RoleEnd::kSetUpFailed;
  port.usb = core::LooksLikeHidUpsName(config.device, std::strlen(config.device));
  if (port.usb) {
    char text[1024];
    bool opened = OpenHidPort(&port.hid, config.device, kHidrawSysfs, text, sizeof text);
    Log(text);
    if (!opened) return RoleEnd::kSetUpFailed;
  } else if (!OpenModemLines(&port.lines, config.device, config.bypass_on == 1) ||
             !GetModemWord(&port.lines, &saved_word) || !SetModemWord(port.lines, TIOCM_RTS)) {
    return RoleEnd::kSetUpFailed;
  }
  // The first datagrams go out before the worker has published anything:
  // they carry the full battery it starts from, never zeros; or the UPS's
  // own estimate, which the worker then sees from its start.
  LockBlock(kLabel);
  PublishFullBattery();
  UnlockBlock(kLabel);
  PublishUpsRuntime(&port);
  OpenStartGate(gate, kLabel);

  int current = 0, previous = 0;
  int stable = 0;
  bool changed = false;
  // After a failed read the next good word is decoded even when it equals
  // the last good one, or the communication failure would never clear.
  bool decode_next = false;
  time_t last_send = linuxbase::MonotonicSeconds();
  core::UpsState reported;  // what VigilDiag last announced
  uint8_t datagram[kLanSignedMax];
  // Without the timer that bounds a wait, the lines are read every period.
  bool can_wait = PrepareLineWaits();
  bool told_no_wait = false;

  while (BlockRunning()) {
    BeginLinePass();
    linuxbase::NotifyServiceAlive(linuxbase::MonotonicSeconds() * 1000);
    bool moved = false;
    bool read_ok = ReadLines(&port, &current, &moved);
    if (!read_ok) {
      current = previous;
      LockBlock(kLabel);
      ApplyRead(false, port.usb, current, worker);
      UnlockBlock(kLabel);
      stable = 3;
      decode_next = true;
    } else if (current != previous || decode_next || moved) {
      previous = current;
      LockBlock(kLabel);
      ApplyRead(true, port.usb, current, worker);
      UnlockBlock(kLabel);
      changed = true;
      stable = 0;
      decode_next = false;
    }
    if (read_ok) PublishUpsRuntime(&port);
    PublishFigures(&port, read_ok);
    if (read_ok && port.usb) TellHidFaults(&port.hid);
    if (stable < kStableCap) ++stable;
    if (FlagsDifferFrom(reported)) changed = true;

    if (stable > 2 || config.stable_filter == 0) {
      time_t now = linuxbase::MonotonicSeconds();
      bool send_due = config.lan_send == 1 && (changed || now - last_send > kResendSeconds - 1);
      // An idle pass with nothing to send and nothing to diagnose leaves the
      // lock alone: the pass then costs one read of the lines.
      if (send_due || VigilDiagHasWork(reported)) {
        LockBlock(kLabel);
        if (send_due) {
          size_t size = SignDatagram(datagram, BuildDatagram(datagram));
          // Never blocks with the lock held; a send that fails is tried again
          // at the next allowed pass.
          ssize_t sent = size == 0 ? -1
                                   : sendto(sock.get(), datagram, size, MSG_DONTWAIT,
                                            reinterpret_cast<sockaddr*>(&destination), sizeof destination);
          if (sent == static_cast<ssize_t>(size)) {
            changed = false;
            stable = 0;
            last_send = now;
          }
        }
        VigilDiag(&reported, worker);
        UnlockBlock(kLabel);
      }
    }

    // Something still to send or to diagnose: the next pass comes after one
    // period, as the filter counts.
    bool send_pending = config.lan_send == 1 && (changed || linuxbase::MonotonicSeconds() - last_send > kResendSeconds - 1);
    bool settled = !send_pending && !VigilDiagHasWork(reported);
    if (port.usb) {
      if (!can_wait || !settled) {
        SleepOnePeriod(fixed.period_us);
        continue;
      }
      long long before = linuxbase::MonotonicUs();
      int64_t due_ms = static_cast<int64_t>(NextDue(port, last_send)) * 1000;
      if (!port.hid.away && port.hid.next_poll_ms < due_ms) due_ms = port.hid.next_poll_ms;
      if (WaitForHidReport(port.hid.away ? -1 : port.hid.ups.fd.get(), due_ms) == LineWaitEnd::kNoTimer)
        can_wait = false;
      CountWaitedPasses(before, fixed.period_us, &stable);
      continue;
    }
    bool device_there = !port.away;
    if (device_there && port.lines.no_wait != NoWaitReason::kNone && !told_no_wait) {
      told_no_wait = true;
      Log(NoWaitText(port.lines.no_wait));
    }
    if (!can_wait || !settled || (device_there && port.lines.no_wait != NoWaitReason::kNone)) {
      SleepOnePeriod(fixed.period_us);
      continue;
    }
    long long before = linuxbase::MonotonicUs();
    if (WaitForLineChange(&port.lines, NextDue(port, last_send)) == LineWaitEnd::kNoTimer) can_wait = false;
    CountWaitedPasses(before, fixed.period_us, &stable);
  }

  sock.reset();
  if (port.usb) {
    WithdrawUpsFigures(&port.figures);
    CloseHidPort(&port.hid);
    return RoleEnd::kStopped;
  }
  // A device that went away has no outputs left to restore.
  bool restored = port.away || SetModemWord(port.lines, saved_word);
  CloseModemLines(&port.lines);
  return restored ? RoleEnd::kStopped : RoleEnd::kStoppedWithError;
}
