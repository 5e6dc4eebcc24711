// A far end for a simulated line that sends whatever the fuzz input says, when it says.
#pragma once

#include "link/sim/linepeer.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// Takes its bytes from the front of the fuzz input, one burst at a time, whenever the host
// reads and nothing is queued: a delay byte, a length byte, then that many bytes, all
// arriving together after the delay. Delay byte d waits (d & 0x7F) x 4 ms, sixteen times
// as long when its top bit is set (up to about 8 s). Length 0xFF hangs up once every
// queued byte is taken. Once the input is used up the peer stays silent.
//
// It also logs what the host did: every read that reached it (a byte, or nothing within
// the read time-out) and every write, so a fuzz target can check the host against it.
class FuzzedPeer : public LinePeer {
public:
    static constexpr std::uint8_t HangUpLength = 0xFF;

    struct HostRead {
        bool Silent = false;   // nothing came within the time-out
        std::uint8_t Byte = 0; // what came otherwise
    };
    struct HostWrite {
        std::string Bytes;
        std::size_t ReadsBefore = 0; // how many logged reads came before it
    };

    explicit FuzzedPeer(FuzzedDataProvider& input) : input_(input) {}

    const std::vector<HostRead>& Reads() const { return reads_; }
    const std::vector<HostWrite>& Writes() const { return writes_; }
    void ClearLog();

    void Receive(std::string_view bytes, SimTime now) override;
    std::optional<TimedByte> TakeByte(SimTime now, SimTime deadline) override;
    void Purge(SimTime now) override;
    bool LineUp() const override { return !(hangUp_ && output_.empty()); }

private:
    void QueueBurst(SimTime now);

    FuzzedDataProvider& input_;
    std::deque<TimedByte> output_;
    bool hangUp_ = false;
    std::vector<HostRead> reads_;
    std::vector<HostWrite> writes_;
};
