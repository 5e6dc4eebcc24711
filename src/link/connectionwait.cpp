// The bounded wait of opening a network port.
#include "link/connectionwait.h"

WaitOutcome AwaitWithin(ConnectionWaiter& waiter, std::chrono::milliseconds limit) {
    for (;;) {
        switch (waiter.State()) {
        case ConnectionWaiter::Progress::Done:
            return WaitOutcome::Done;
        case ConnectionWaiter::Progress::Failed:
            return WaitOutcome::Failed;
        case ConnectionWaiter::Progress::Waiting:
            break;
        }
        const std::chrono::milliseconds left = limit - waiter.Elapsed();
        if (left.count() <= 0)
            return WaitOutcome::TimedOut;
        waiter.WaitFor(left);
    }
}
