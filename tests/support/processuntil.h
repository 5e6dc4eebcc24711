// Waiting on the event loop in window tests, bounded by rounds rather than by a clock.
#pragma once

#include <functional>

// Lets the event loop run until `done` holds, waking up now and then so that the wait ends
// even when nothing arrives; gives up after a bounded number of rounds. Answers `done()`.
bool ProcessUntil(const std::function<bool()>& done);
