// rivanctl's commands: each runs one of the window's conversations (or reads a file) and
// reports what came of it.
#pragma once

#include "ctloptions.h"

// Each returns the exit code.
int RunPorts(const CtlOptions& options);
int RunDetect(const CtlOptions& options);
int RunReceive(const CtlOptions& options);
int RunSend(const CtlOptions& options);
int RunDiff(const CtlOptions& options);
int RunCheck(const CtlOptions& options);

// The ports a command runs on: those given, or the one the window's detection finds (none
// and a message on standard error when it finds nothing).
QList<PortTarget> ChosenTargets(const CtlOptions& options);

// The date and time text of the log lines and of a PRO file's "created at" line.
QString NowText();
