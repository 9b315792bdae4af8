// The settings of the Windows programs: one member per value of the key
// "Software\Tessaly\Vigil 2.0" under HKEY_LOCAL_MACHINE and its subkeys.
// Each program constructs it, calls SetRootKey(kLocalMachine, kAplConfigKey),
// RegisterValues and Load, then reads the members directly; the applet also
// changes them and calls Save.
#pragma once

#include <cstdint>
#include <string>

#include "config/config.h"

inline constexpr const char* kAplConfigKey = "Software\\Tessaly\\Vigil 2.0";

class CAplConfig : public CConfig {
 public:
  static constexpr CRuntimeClass runtimeClass{"CAplConfig", &CConfig::runtimeClass};
  const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }

  // Declares the 40 settings in their fixed order and sets every member to
  // its default. Call once, after SetRootKey. Returns 1.
  int RegisterValues() override;

  // Times in seconds unless noted; switches are non-zero for on.
  int32_t interval = 0;          // "Interval": monitor timer period, milliseconds
  int32_t comPort = 0;           // "ComPort": serial port number of the UPS cable
  int32_t comMode = 0;           // "ComMode": 1 serial cable, 2 network client, 0 none
  int32_t nominalRecharge = 0;   // "NominalRecharge"
  int32_t runDownPercent = 0;    // "RunDownPercent"
  int32_t sounds = 0;            // "Sounds"
  int32_t powerOk = 0;           // "PowerOk"
  int32_t soundDevs = 0;         // "SoundDevs"
  int32_t broadcastDelay = 0;    // "BroadcastDelay": between repeated LAN notifications; 0 = none
  int32_t badServerDelay = 0;    // "BadServerDelay": silence before a client counts its server lost
  int32_t timeoutShutdown = 0;   // "Timeout Shutdown": shut down when the autonomy runs out
  int32_t lowBatShutdown = 0;    // "Low Bat Shutdown": shut down when the battery is critical
  int32_t logStartStop = 0;      // "LogStartStop": log the monitoring program's start and stop
  int32_t acceptAll = 0;         // "AcceptAll": accept notifications from any computer
  int32_t tipoCabo = 0;          // "Tipo Cabo": 0 = no bypass signalling
  int32_t tipoBypass = 0;        // "Tipo Bypass": 0 = bypass when RI is inactive
  int32_t signalFilter = 0;      // "Signal Filter": input debounce count; 0 = none
  int32_t netMode = 0;           // "Net Mode": 4 send, 5 receive, 0 none
  int32_t maxEvents = 0;         // "Max Events": rows of the agent's event table
  int32_t autonomiaServer = 0;   // "Autonomia Server": take autonomy figures from the server
  std::string hostName;          // "HostName": the only accepted sender when AcceptAll is 0
  int32_t desligar = 0;          // "Desligar": 0 = never shut the computer down
  std::string ltScript;          // "LtScript": command run before an automatic shutdown
  int32_t runLtScript = 0;       // "RunLtScript"
  int32_t filterActive = 0;      // "FilterActive"
  std::string identificacao;     // "Identificação" (Windows-1252 name)
  int32_t sendSnmpTraps = 0;     // "Snmp Agent" \ "Send Snmp Traps"
  int32_t debugLogOn = 0;        // "Snmp Agent\Debug" \ "Debug Log On": > 0 writes the agent's log
  int32_t debugMessagesOn = 0;   // "Snmp Agent\Debug" \ "Debug Messages On"
  std::string debugLogLocation;  // "Snmp Agent\Debug" \ "Debug Log Location"
  int32_t webEnabled = 0;        // "Web Server" \ "Web Enabled"
  int32_t webPort = 0;           // "Web Server" \ "Web Port"
  int32_t webCtrlList = 0;       // "Web Server" \ "Web Ctrl List"
  int32_t webLogLevel = 0;       // "Web Server" \ "Web Log Level"
  std::string webLogFile;        // "Web Server" \ "Web Log File"
  int32_t modoAutonomia = 0;     // "Modo Autonomia"
  int32_t tempoRecarga = 0;      // "Tempo Recarga": full battery recharge time
  int32_t autonomiaNominal = 0;  // "Autonomia Nominal": full-charge battery autonomy
  std::string netKey;            // "Seguranca" \ "Net Key": the LAN's shared key; empty = unsigned datagrams
  std::string usbPort;           // "UsbPort": "usb", "usb:VVVV:PPPP[:SERIAL]" or "/dev/hidrawN" for a USB UPS,
                                 // which then takes the place of "ComPort"; "" for the serial cable
};
