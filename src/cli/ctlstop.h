// Ctrl+C and SIGTERM for rivanctl: the conversation in progress is finished, its files are
// written whole, and the program then ends with 128 plus the signal's number.
#pragma once

// Installs the handlers for SIGINT and SIGTERM.
void WatchStopSignals();
// The signal that asked rivanctl to stop, or 0.
int StopSignal();
// 130 after SIGINT, 143 after SIGTERM; `code` when no signal came.
int ExitCodeAfterStop(int code);
