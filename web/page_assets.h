// The pages' style sheet and script, served as /vigil.css and /vigil.js.
#pragma once

namespace web {

extern const char kStyleSheet[];

// Refreshes the overview from /api/status every 2 seconds and counts the
// autonomy down every second in between, without reloading the page. A
// failed refresh keeps the table as it was and says so; a state it does
// not know is shown as the JSON gives it.
extern const char kPageScript[];

}  // namespace web
