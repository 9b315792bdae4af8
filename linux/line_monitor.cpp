// The line monitor: the main process of a station wired to the UPS. It polls
// the serial port's modem lines, keeps the block's UPS flags, broadcasts the
// state and runs VigilDiag.
#include <arpa/inet.h>
#include <cstring>
#include <ctime>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/utsname.h>
#include <unistd.h>

#include "config_file.h"
#include "diag.h"
#include "lan_message.h"
#include "modem_lines.h"
#include "mono_clock.h"
#include "roles.h"
#include "linuxbase/service_notify.h"
#include "shared_block.h"
#include "worker_wake.h"

namespace {

constexpr const char* kLabel = "Envia Mensagens";

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

int OpenBroadcastSocket(struct sockaddr_in* destination) {
  int sock = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (sock < 0) return -1;
  int on = 1;
  std::memset(destination, 0, sizeof *destination);
  destination->sin_family = AF_INET;
  destination->sin_port = htons(daemon_config.port);
  if (setsockopt(sock, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0 ||
      inet_pton(AF_INET, daemon_config.address, &destination->sin_addr) != 1) {
    close(sock);
    return -1;
  }
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
    shmem[kCommFail] = 1;
    return;
  }
  shmem[kPowerFail] = power;
  shmem[kBatteryLow] = battery;
  shmem[kBypass] = config.bypass_on == 1 ? bypass : 0;
  shmem[kCommFail] = 0;
}

// Lines that cannot be read say nothing new about the power: the last state
// stands, so that a discharge goes on to the end of its autonomy.
void MarkLinesLost() { shmem[kCommFail] = 1; }

void PublishFullBattery() {
  int total = config.autonomy_min * 60;
  BlockPut16(kAutonomyTotal, total);
  BlockPut16(kAutonomyBase, total);
  BlockPut16(kAutonomyLeft, total);
  BlockPut16(kDischargeTime, 0);
}

bool FlagsDifferFrom(const ReportedState& r) {
  return shmem[kPowerFail] != r.power_fail || shmem[kBatteryLow] != r.battery_low || shmem[kBypass] != r.bypass ||
         shmem[kCommFail] != r.comm_fail || shmem[kAutonomyOver] != r.autonomy_over;
}

// Applies a read of the lines to the block (lock held) and wakes the worker,
// which sleeps between its once-a-second passes, when a flag moved.
void ApplyRead(bool read_ok, int word, pid_t worker) {
  UpsFlags before = BlockFlags();
  if (read_ok)
    DecodeWord(word);
  else
    MarkLinesLost();
  WakeWorkerOnChange(worker, before);
}

}  // namespace

RoleEnd RunLineMonitor(pid_t worker, StartGate* gate) {
  struct sockaddr_in destination;
  ModemLines lines;
  int saved_word = 0;
  if (!SetStationName()) return RoleEnd::kSetUpFailed;
  int sock = OpenBroadcastSocket(&destination);
  if (sock < 0) return RoleEnd::kSetUpFailed;
  if (!OpenModemLines(&lines, config.device) || !GetModemWord(lines, &saved_word) || !SetModemWord(lines, TIOCM_RTS)) {
    close(sock);
    CloseModemLines(&lines);
    return RoleEnd::kSetUpFailed;
  }
  // The first datagrams go out before the worker has published anything:
  // they carry the full battery it starts from, never zeros.
  SemWait(shsemid, kLabel);
  PublishFullBattery();
  SemPost(shsemid, kLabel);
  OpenStartGate(gate, kLabel);

  int current = 0, previous = 0;
  int stable = 0;
  bool changed = false;
  // After a failed read the next good word is decoded even when it equals
  // the last good one, or the communication failure would never clear.
  bool decode_next = false;
  time_t last_send = MonoSeconds();
  ReportedState reported = {};
  uint8_t datagram[kLanSignedMax];

  while (shmem[kRunning] == 1) {
    linuxbase::NotifyServiceAlive();
    bool read_ok = GetModemWord(lines, &current);
    if (!read_ok) {
      current = previous;
      SemWait(shsemid, kLabel);
      ApplyRead(false, current, worker);
      SemPost(shsemid, kLabel);
      stable = 3;
      decode_next = true;
    } else if (current != previous || decode_next) {
      previous = current;
      SemWait(shsemid, kLabel);
      ApplyRead(true, current, worker);
      SemPost(shsemid, kLabel);
      changed = true;
      stable = 0;
      decode_next = false;
    }
    ++stable;
    if (FlagsDifferFrom(reported)) changed = true;

    if (stable > 2 || config.stable_filter == 0) {
      time_t now = MonoSeconds();
      bool send_due = config.lan_send == 1 && (changed || now - last_send > 4);
      // An idle pass with nothing to send and nothing to diagnose leaves the
      // lock alone: the poll then costs one read of the lines.
      if (send_due || VigilDiagHasWork(reported)) {
        SemWait(shsemid, kLabel);
        if (send_due) {
          size_t size = SignDatagram(datagram, BuildDatagram(datagram));
          // Never blocks with the lock held; a send that fails is tried again
          // at the next allowed pass.
          ssize_t sent = size == 0 ? -1
                                   : sendto(sock, datagram, size, MSG_DONTWAIT,
                                            reinterpret_cast<sockaddr*>(&destination), sizeof destination);
          if (sent == static_cast<ssize_t>(size)) {
            changed = false;
            stable = 0;
            last_send = now;
          }
        }
        VigilDiag(&reported, worker);
        SemPost(shsemid, kLabel);
      }
    }
    usleep(daemon_config.period_us);
  }

  close(sock);
  bool restored = SetModemWord(lines, saved_word);
  CloseModemLines(&lines);
  return restored ? RoleEnd::kStopped : RoleEnd::kStoppedWithError;
}
