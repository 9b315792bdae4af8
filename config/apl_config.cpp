#include "config/apl_config.h"

int CAplConfig::RegisterValues() {
  AddInt("Interval", 1000, &interval);
  AddInt("ComPort", 2, &comPort);
  AddInt("ComMode", 1, &comMode);
  AddInt("NominalRecharge", 12, &nominalRecharge);
  AddInt("RunDownPercent", 90, &runDownPercent);
  AddInt("Sounds", 1, &sounds);
  AddInt("PowerOk", 1, &powerOk);
  AddInt("SoundDevs", 1, &soundDevs);
  AddInt("BroadcastDelay", 5, &broadcastDelay);
  AddInt("BadServerDelay", 30, &badServerDelay);
  AddInt("Tipo Cabo", 1, &tipoCabo);
  AddInt("Tipo Bypass", 0, &tipoBypass);
  AddInt("Signal Filter", 2, &signalFilter);
  AddInt("Net Mode", 0, &netMode);
  AddInt("Autonomia Server", 1, &autonomiaServer);
  AddInt("Timeout Shutdown", 1, &timeoutShutdown);
  AddInt("Low Bat Shutdown", 1, &lowBatShutdown);
  AddInt("LogStartStop", 0, &logStartStop);
  AddInt("AcceptAll", 1, &acceptAll);
  AddString("HostName", "", &hostName);
  AddInt("Desligar", 1, &desligar);
  AddString("LtScript", "", &ltScript);
  AddInt("RunLtScript", 0, &runLtScript);
  AddInt("FilterActive", 1, &filterActive);
  AddInt("Modo Autonomia", 0, &modoAutonomia);
  AddInt("Tempo Recarga", 36000, &tempoRecarga);
  AddInt("Autonomia Nominal", 900, &autonomiaNominal);
  // The name is in Windows-1252: ç and ã are the bytes E7 and E3.
  AddString("Identifica\xE7\xE3o", "", &identificacao);

  SetSubKey("Snmp Agent");
  AddInt("Send Snmp Traps", 1, &sendSnmpTraps);
  AddInt("Max Events", 100, &maxEvents);

  SetSubKey("Snmp Agent\\Debug");
  AddInt("Debug Log On", 0, &debugLogOn);
  AddInt("Debug Messages On", 0, &debugMessagesOn);
  AddString("Debug Log Location", "c:\\snmp40.log", &debugLogLocation);

  SetSubKey("Web Server");
  AddInt("Web Enabled", 1, &webEnabled);
  AddInt("Web Port", 80, &webPort);
  AddInt("Web Ctrl List", 0, &webCtrlList);
  AddInt("Web Log Level", 0, &webLogLevel);
  AddString("Web Log File", "c:\\weblog.txt", &webLogFile);

  // The LAN's shared key: readable by administrators and the system only.
  SetPrivateSubKey("Seguranca");
  AddString("Net Key", "", &netKey);

  // A USB UPS's name, in the key itself, apart from "ComPort" so that an
  // older program reading the same key still finds a COM port's number
  // there; declared last so that the others keep their places.
  SetSubKey("");
  AddString("UsbPort", "", &usbPort);
  return 1;
}
