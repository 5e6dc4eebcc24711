// rivanctl monitor: the monitor window's polling, as lines, JSON objects and a CSV file.
#pragma once

#include "ctloptions.h"

// Polls until --count rounds are done or the user interrupts; returns the exit code.
int RunMonitor(const CtlOptions& options);
