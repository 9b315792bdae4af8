#pragma once

// Switches the computer off: runs the user's command when `script_on` is 1
// and waits for it, then the first power-off program that exists of
// /sbin/poweroff, /sbin/shutdown and /sbin/init. Returns when the command
// returns; failures of the commands are not reported.
void ShutDown();
