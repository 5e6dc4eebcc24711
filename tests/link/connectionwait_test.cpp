// Tests of the bounded wait of opening a network port, on a virtual clock.
#include "link/connectionwait.h"
#include "link/sim/virtualclock.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using namespace std::chrono_literals;
using Progress = ConnectionWaiter::Progress;

// A host whose answer (or refusal) comes at a fixed virtual time, or never. A wait ends at
// that time or after its limit; `wakeEvery` makes the host wake the waiter early without
// answering, as Telnet negotiation of other options does.
class ScriptedHost : public ConnectionWaiter {
public:
    ScriptedHost(VirtualClock& clock, std::optional<SimTime> answerAt, Progress answer,
                 std::optional<SimTime> wakeEvery = std::nullopt)
        : clock_(clock), answerAt_(answerAt), answer_(answer), wakeEvery_(wakeEvery) {}

    Progress State() override {
        return answerAt_ && clock_.Now() >= *answerAt_ ? answer_ : Progress::Waiting;
    }
    std::chrono::milliseconds Elapsed() const override {
        return std::chrono::duration_cast<std::chrono::milliseconds>(clock_.Now());
    }
    void WaitFor(std::chrono::milliseconds limit) override {
        ++Waits;
        SimTime end = clock_.Now() + limit;
        if (answerAt_ && *answerAt_ < end)
            end = *answerAt_;
        if (wakeEvery_ && clock_.Now() + *wakeEvery_ < end)
            end = clock_.Now() + *wakeEvery_;
        clock_.AdvanceTo(end);
    }

    int Waits = 0;

private:
    VirtualClock& clock_;
    std::optional<SimTime> answerAt_;
    Progress answer_;
    std::optional<SimTime> wakeEvery_;
};

struct WaitCase {
    const char* Behaviour;
    SimTime StartsAt; // time already spent on earlier steps of opening
    std::optional<SimTime> AnswerAt;
    Progress Answer;
    std::optional<SimTime> WakeEvery;
    WaitOutcome Outcome;
    SimTime EndsAt;
};

class OpeningWait : public ::testing::TestWithParam<WaitCase> {};

TEST_P(OpeningWait, EndsAtTheAnswerOrTheLimit) {
    const WaitCase& row = GetParam();
    VirtualClock clock;
    clock.Advance(row.StartsAt);
    ScriptedHost host(clock, row.AnswerAt, row.Answer, row.WakeEvery);
    EXPECT_EQ(AwaitWithin(host, NetworkOpenLimit), row.Outcome);
    EXPECT_EQ(clock.Now(), row.EndsAt);
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, OpeningWait,
    ::testing::Values(WaitCase{"SilentHostGivesUpAtThreeSeconds", 0ms, std::nullopt, Progress::Done,
                               std::nullopt, WaitOutcome::TimedOut, 3000ms},
                      WaitCase{"AnswerAfterASecondIsTakenAtOnce", 0ms, 1200ms, Progress::Done,
                               std::nullopt, WaitOutcome::Done, 1200ms},
                      WaitCase{"RefusalEndsTheWaitAtOnce", 0ms, 2ms, Progress::Failed, std::nullopt,
                               WaitOutcome::Failed, 2ms},
                      WaitCase{"AnswerJustBeforeTheLimit", 0ms, 2999ms, Progress::Done,
                               std::nullopt, WaitOutcome::Done, 2999ms},
                      WaitCase{"AnswerAfterTheLimitIsTooLate", 0ms, 3001ms, Progress::Done,
                               std::nullopt, WaitOutcome::TimedOut, 3000ms},
                      WaitCase{"NegotiationGetsOnlyWhatTheConnectionLeft", 2500ms, std::nullopt,
                               Progress::Done, std::nullopt, WaitOutcome::TimedOut, 3000ms},
                      WaitCase{"EarlyWakingsDoNotStretchTheLimit", 0ms, std::nullopt,
                               Progress::Done, 70ms, WaitOutcome::TimedOut, 3000ms},
                      WaitCase{"EarlyWakingsBeforeTheAnswer", 0ms, 1000ms, Progress::Done, 70ms,
                               WaitOutcome::Done, 1000ms},
                      WaitCase{"LimitSpentBeforeTheWaitStarts", 3000ms, 3100ms, Progress::Done,
                               std::nullopt, WaitOutcome::TimedOut, 3000ms}),
    [](const auto& info) { return std::string(info.param.Behaviour); });

TEST(OpeningWaitSteps, AnAnswerAlreadyThereNeedsNoWait) {
    VirtualClock clock;
    ScriptedHost host(clock, 0ms, Progress::Done);
    EXPECT_EQ(AwaitWithin(host, NetworkOpenLimit), WaitOutcome::Done);
    EXPECT_EQ(host.Waits, 0);
}

TEST(OpeningWaitSteps, EachWaitAsksOnlyForTheTimeLeft) {
    VirtualClock clock;
    ScriptedHost host(clock, std::nullopt, Progress::Done, 1000ms);
    EXPECT_EQ(AwaitWithin(host, NetworkOpenLimit), WaitOutcome::TimedOut);
    EXPECT_EQ(host.Waits, 3) << "woken at 1 s and 2 s, then the last second";
}

} // namespace
