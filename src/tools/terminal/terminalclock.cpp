// The terminal's time of day.
#include "tools/terminal/terminalclock.h"

#include <chrono>
#include <cstdio>
#include <ctime>

LocalTime SystemClock::Now() const {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto milliseconds =
        duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    return {local.tm_year + 1900,
            local.tm_mon + 1,
            local.tm_mday,
            local.tm_hour,
            local.tm_min,
            local.tm_sec,
            static_cast<int>(milliseconds)};
}

SystemClock& SystemClock::Instance() {
    static SystemClock clock;
    return clock;
}

std::string TimeStamp(const LocalTime& time) {
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, "[%02d:%02d:%02d.%03d] ", time.Hour, time.Minute,
                  time.Second, time.Millisecond);
    return stamp;
}
