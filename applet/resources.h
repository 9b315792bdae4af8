// The applet's resources: the sheet (148) and its pages (141, 142, 145,
// 146, 147, 149) as dialog templates, and the numbers of its bitmaps and
// icon. The Windows build writes them into Vigil20.rc; the terminal lays
// them out from the same units.
#pragma once

#include "framework/dialog/resource.h"

namespace applet {

inline constexpr int kIconResource = 138;
inline constexpr int kServerImagesBitmap = 144;  // 16-pixel images, white transparent
inline constexpr int kBannerBitmap = 155;        // 103 x 41, drawn at (14, 1)
inline constexpr int kBannerMaskBitmap = 156;

extern const dialog::DialogTemplate kSheetDialog;        // 148
extern const dialog::DialogTemplate kCommunicationPage;  // 141
extern const dialog::DialogTemplate kMainPage;           // 142
extern const dialog::DialogTemplate kNetworkPage;        // 145
extern const dialog::DialogTemplate kScriptPage;         // 146
extern const dialog::DialogTemplate kTechnicalPage;      // 147
extern const dialog::DialogTemplate kSnmpPage;           // 149

// Every dialog above, for the resource writer.
extern const dialog::DialogTemplate* const kAllDialogs[7];

}  // namespace applet
