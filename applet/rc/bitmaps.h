// The applet's pictures, drawn here so that no binary file is kept: the
// banner (bitmap 155, 103 by 41) and its transparency mask (156), the
// server image of the list view (144, 16 by 16, white transparent) and the
// applet's icon (138, 32 by 32).
#pragma once

#include <string>

namespace rc_bitmaps {

// Writes banner.bmp, banner_mask.bmp, servers.bmp and vigil.ico into
// `folder`; false when a file cannot be written.
bool WriteAll(const std::string& folder);

}  // namespace rc_bitmaps
