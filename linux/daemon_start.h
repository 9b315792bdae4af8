#pragma once

// Starts the daemon: detaches from the terminal, creates the shared block and
// the semaphore set, forks the autonomy worker and runs the main process's
// role until the daemon is stopped. Returns the main process's exit status.
// The invoking process stays until the daemon has started and exits with 0,
// or with 1 when the start failed.
int RunDaemon();
