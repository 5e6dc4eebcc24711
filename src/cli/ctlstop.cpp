// The handler only records the signal; the commands look at it between exchanges.
#include "ctlstop.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t stopSignal = 0;

extern "C" void RecordStopSignal(int signalNumber) {
    stopSignal = signalNumber;
}

} // namespace

void WatchStopSignals() {
    stopSignal = 0;
    std::signal(SIGINT, RecordStopSignal);
    std::signal(SIGTERM, RecordStopSignal);
}

int StopSignal() {
    return stopSignal;
}

int ExitCodeAfterStop(int code) {
    const int signalNumber = stopSignal;
    return signalNumber != 0 ? 128 + signalNumber : code;
}
