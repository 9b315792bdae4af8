#pragma once

// Seconds that the user's command, and then the power-off program, may take
// before the shutdown goes on without them: a command that hangs must not
// keep the computer running on a draining battery.
inline constexpr int kCommandLimitSeconds = 120;

// Switches the computer off: runs the user's command when `script_on` is 1
// and waits for it, then the first power-off program that exists of
// /sbin/poweroff, /sbin/shutdown and /sbin/init. Returns when the command
// returns or its time is up; failures of the commands are not reported.
void ShutDown();
