// The command words of the program: "version", "stop" ("log" is PrintLog).
// Each returns the process's exit status.
#pragma once

int CommandVersion();

// Asks the running daemon to stop and waits until it has removed its shared
// block: 0. No daemon: 1. A block left by a daemon that died: removed with
// its semaphore set, 1.
int CommandStop();
