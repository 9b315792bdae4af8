// Signal handling of every invocation of the program.
#pragma once

// SIGTERM, SIGINT and SIGQUIT run StopLoop, which clears `running` in the
// shared block once it is attached and ends the line monitor's wait.
void InstallStopHandlers();

// SIGCONT runs the empty ResumeProc, so that it ends the autonomy worker's
// pause() (a signal whose default action is taken would not).
void InstallResumeHandler();

// True when a termination signal arrived at any time; lets the start-up pass
// on a signal that came before the block existed.
bool StopWasSignalled();
