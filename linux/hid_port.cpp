#include "hid_port.h"

#include <cstdio>
#include <cstring>

#include "linuxbase/monotonic_clock.h"

using namespace core;

namespace {

constexpr const char* kUsbCalibrating =
    "Nobreak USB diz estar na rede e descarregando ao mesmo tempo (calibracao?): lido como na rede";
constexpr const char* kUsbRangeMended =
    "Nobreak USB descreve um campo com minimo acima do maximo: o maximo foi lido sem sinal";
constexpr const char* kUsbVoltageRescaled =
    "Nobreak USB informa uma tensao fora de escala: corrigida por uma potencia de dez";
constexpr const char* kUsbFeatureSilent =
    "Nobreak USB nao responde ao relatorio de recurso %u: ele nao sera mais pedido";

// The block holds the autonomy left as a signed 16-bit figure.
constexpr int32_t kRuntimeCap = 32767;

// Whether some input report carries a flag of the power: without one, a
// mains failure is only seen in a feature report, which is then asked for
// at the pace of a discharge, mains or not.
bool InputTellsPower(const HidDescriptor& d) {
  for (size_t i = 0; i < d.field_count; ++i) {
    const HidField& f = d.fields[i];
    if (f.kind != HidReportKind::kInput) continue;
    switch (HidUpsFigureOf(f)) {
      case HidUpsFigure::kAcPresent:
      case HidUpsFigure::kCharging:
      case HidUpsFigure::kDischarging:
      case HidUpsFigure::kBelowRemainingCapacityLimit:
      case HidUpsFigure::kShutdownImminent:
        return true;
      default:
        break;
    }
  }
  return false;
}

void SchedulePoll(HidPort* port) {
  int interval = port->state_by_poll ? kHidFeaturePollOnBatteryMs : HidFeaturePollIntervalMs(port->ups.reading);
  port->next_poll_ms = linuxbase::MonotonicMs() + interval;
}

// Input reports, then the feature reports when due. False when the device
// is gone. `moved`: a report moved the flags, even one that a later report
// of the same read took back: a flag that flickers faster than the passes
// must still hold the stability filter back.
bool ReadOpenUps(HidPort* port, bool* moved) {
  const int before = HidFlagWord(port->ups.reading);
  for (;;) {
    int n = ReadOneHidUpsInput(&port->ups);
    if (n < 0) return false;
    if (n == 0) break;
    if (HidFlagWord(port->ups.reading) != before) *moved = true;
  }
  if (linuxbase::MonotonicMs() < port->next_poll_ms) return true;
  if (PollHidUpsFeatures(&port->ups) < 0) return false;
  if (HidFlagWord(port->ups.reading) != before) *moved = true;
  SchedulePoll(port);
  return true;
}

// The reader's reasons end each with "; ": the last one is cut for the log.
void TrimReasons(char* why) {
  size_t n = std::strlen(why);
  while (n > 0 && (why[n - 1] == ' ' || why[n - 1] == ';')) why[--n] = '\0';
}

}  // namespace

bool OpenHidPort(HidPort* port, const char* name, const char* sysfs, char* text, size_t text_size) {
  auto parsed = ParseHidUpsName(name, std::strlen(name));
  if (!parsed) {
    std::snprintf(text, text_size, "Nome de nobreak USB invalido: \"%s\" (use usb, usb:VVVV:PPPP, usb:VVVV:PPPP:SERIE ou /dev/hidrawN)", name);
    return false;
  }
  char why[512];
  bool opened = OpenHidUps(&port->ups, *parsed, sysfs, why, sizeof why);
  TrimReasons(why);
  if (!opened) {
    std::snprintf(text, text_size, "Nobreak USB \"%s\" nao encontrado: %s", name, why);
    return false;
  }
  const HidUevent& id = port->ups.identity;
  std::snprintf(text, text_size, "Nobreak USB \"%s\": %s, %04X:%04X \"%s\" serie \"%s\"%s%s", name, port->ups.node,
                id.vendor, id.product, id.name, id.serial, why[0] ? "; passados: " : "", why);
  port->away = false;
  port->next_poll_ms = 0;
  port->state_by_poll = !InputTellsPower(*port->ups.descriptor);
  bool moved = false;
  return ReadOpenUps(port, &moved);
}

bool ReadHidPort(HidPort* port, const char* sysfs, time_t reopen_s, HidPortRead* read) {
  *read = HidPortRead{};
  if (port->away) {
    time_t now = linuxbase::MonotonicSeconds();
    if (now < port->next_open) return false;
    port->next_open = now + reopen_s;
    char why[512];
    if (!ReopenHidUps(&port->ups, sysfs, why, sizeof why)) return false;
    port->away = false;
    port->next_poll_ms = 0;  // what changed while it was away is asked at once
    read->found_again = true;
  }
  if (!ReadOpenUps(port, &read->moved)) {
    CloseHidUps(&port->ups);
    port->away = true;
    port->next_open = linuxbase::MonotonicSeconds() + reopen_s;
    return false;
  }
  read->word = HidFlagWord(port->ups.reading);
  return true;
}

int HidFlagWord(const HidUpsReading& reading) {
  int word = 0;
  if (!HidUpsOnMains(reading).value_or(true)) word |= kHidMainsFailure;
  if (HidUpsBatteryCritical(reading).value_or(false)) word |= kHidBatteryCritical;
  return word;
}

std::optional<UpsState> HidRuntimeFigures(HidPort* port) {
  const auto& runtime = port->ups.reading.runtime_seconds;
  if (!runtime) return std::nullopt;
  double capped = *runtime < 0 ? 0 : *runtime > kRuntimeCap ? kRuntimeCap : *runtime;
  int32_t left = static_cast<int32_t>(capped);
  if (left > port->largest_runtime_s) port->largest_runtime_s = left;
  UpsState figures;
  figures.autonomy_left_s = left;
  figures.autonomy_nominal_s = port->largest_runtime_s;
  return figures;
}

bool NextHidFaultLine(HidPort* port, char* text, size_t size) {
  const HidUpsReading& r = port->ups.reading;
  if (!port->told_calibrating && r.ac_present.value_or(false) && r.discharging.value_or(false)) {
    port->told_calibrating = true;
    std::snprintf(text, size, "%s", kUsbCalibrating);
    return true;
  }
  if (!port->told_range && r.range_mended) {
    port->told_range = true;
    std::snprintf(text, size, "%s", kUsbRangeMended);
    return true;
  }
  if (!port->told_rescaled && r.voltage_rescaled) {
    port->told_rescaled = true;
    std::snprintf(text, size, "%s", kUsbVoltageRescaled);
    return true;
  }
  for (size_t i = 0; i < port->ups.feature_count; ++i) {
    uint8_t id = port->ups.feature_ids[i];
    if (!port->ups.feature_silent[id] || port->told_silent[id]) continue;
    port->told_silent[id] = true;
    std::snprintf(text, size, kUsbFeatureSilent, static_cast<unsigned>(id));
    return true;
  }
  return false;
}

void CloseHidPort(HidPort* port) { CloseHidUps(&port->ups); }
