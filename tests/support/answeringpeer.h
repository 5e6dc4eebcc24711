// A far end for a simulated line that answers each command line as a test says.
#pragma once

#include "link/sim/linepeer.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Ready for a line whenever it has nothing left to send (an XON each time the host looks),
// takes CR- or LF-ended lines, ignores a lone "*" as the unit does, and answers every other
// line with XOFF, then ACK, the reply line and CR LF, then XON; a command the test refuses
// gets XOFF, NAK, XON.
class AnsweringPeer : public LinePeer {
public:
    // The reply line to a command, or nothing to refuse it.
    using Answer = std::function<std::optional<std::string>(const std::string& command)>;

    explicit AnsweringPeer(Answer answer) : answer_(std::move(answer)) {}

    // Every line the host sent, lone "*" lines included, in order.
    const std::vector<std::string>& Lines() const { return lines_; }
    // Once mute, the peer sends nothing more, as an unplugged unit.
    void SetMute(bool mute) { mute_ = mute; }

    void Receive(std::string_view bytes, SimTime now) override;
    std::optional<TimedByte> TakeByte(SimTime now, SimTime deadline) override;
    void Purge(SimTime now) override;
    bool LineUp() const override { return true; }

private:
    void Queue(std::string_view bytes, SimTime at);

    Answer answer_;
    std::deque<TimedByte> output_;
    std::string partial_;
    std::vector<std::string> lines_;
    bool mute_ = false;
};
