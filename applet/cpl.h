// The Control Panel applet interface: the messages Control Panel sends to
// CPlApplet and the NEWCPLINFOA record CPL_NEWINQUIRE fills, laid out as
// the system's cpl.h lays them out.
#pragma once

#include <cstdint>

namespace applet {

inline constexpr unsigned kCplInit = 1;
inline constexpr unsigned kCplGetCount = 2;
inline constexpr unsigned kCplInquire = 3;
inline constexpr unsigned kCplSelect = 4;
inline constexpr unsigned kCplDblClk = 5;
inline constexpr unsigned kCplStop = 6;
inline constexpr unsigned kCplExit = 7;
inline constexpr unsigned kCplNewInquire = 8;

struct NewCplInfo {
  uint32_t dwSize;
  uint32_t dwFlags;
  uint32_t dwHelpContext;
  intptr_t lData;
  void* hIcon;
  char szName[32];
  char szInfo[64];
  char szHelpFile[128];
};

}  // namespace applet

// The library's one export. Control Panel's window, the message and its
// two parameters; the result as the table of messages gives it.
extern "C" long CPlApplet(void* window, unsigned message, intptr_t lParam1, intptr_t lParam2);
