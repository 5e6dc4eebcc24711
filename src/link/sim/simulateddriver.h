// A serial port driver for tests: ports wired to simulated peers, timed on a virtual clock.
#pragma once

#include "link/portdriver.h"
#include "link/sim/linepeer.h"
#include "link/sim/virtualclock.h"

#include <map>
#include <string>
#include <vector>

// Ports are set up by name before use: a name never added is missing (Open fails); an
// added port opens and, unless a peer is attached, stays silent; a port may refuse the
// user's permission. A read that gets nothing
// costs the installed read time-out in virtual time and no wall time; a byte that is
// already queued costs nothing.
class SimulatedDriver : public PortDriver {
public:
    // A port that opens but has nothing attached.
    void AddPort(std::string_view portName);
    // A port with `peer` at the other end; the peer must outlive the driver's use of it.
    void AttachPeer(std::string_view portName, LinePeer& peer);
    // Makes reading (true) or writing (false) the line state fail on that port.
    void FailGetLineSettings(std::string_view portName, bool fail = true);
    void FailSetLineSettings(std::string_view portName, bool fail = true);
    // Makes Open fail on that port as a device the user may not open.
    void DenyPermission(std::string_view portName, bool deny = true);
    // The line state the port reports before anyone changes it.
    void PresetLineSettings(std::string_view portName, const LineSettings& settings);

    VirtualClock& Clock() { return clock_; }
    SimTime Now() const { return clock_.Now(); }

    // What the host did on a port, for tests.
    bool IsOpen(std::string_view portName) const;
    bool Dtr(std::string_view portName) const;
    bool Rts(std::string_view portName) const;
    // Every byte the host put on the wire of that port, over all its openings.
    const std::string& Wire(std::string_view portName) const;
    // The driver operations on that port in order: "Open", "PurgeTx", "PurgeRx",
    // "GetLineSettings", "SetLineSettings", "SetTimeouts", "SetDtr", "SetRts", "ClearRts",
    // "ClearDtr", "Close" (failed Opens included).
    const std::vector<std::string>& Operations(std::string_view portName) const;
    const LineSettings& Settings(std::string_view portName) const;
    const PortTimeouts& Timeouts(std::string_view portName) const;

    PortHandle Open(std::string_view portName) override;
    OpenFailure LastOpenFailure() const override { return lastOpenFailure_; }
    bool Purge(PortHandle port, PurgeQueue queue) override;
    bool GetLineSettings(PortHandle port, LineSettings& settings) override;
    bool SetLineSettings(PortHandle port, const LineSettings& settings) override;
    bool SetTimeouts(PortHandle port, const PortTimeouts& timeouts) override;
    bool EscapeFunction(PortHandle port, ModemControl function) override;
    ByteRead ReadByte(PortHandle port) override;
    bool Write(PortHandle port, std::string_view bytes, std::uint32_t& written) override;
    void Close(PortHandle port) override;

private:
    struct Port {
        LinePeer* Peer = nullptr;
        PortHandle Handle = InvalidPortHandle;
        bool Dtr = false;
        bool Rts = false;
        bool FailGet = false;
        bool FailSet = false;
        bool Denied = false;
        LineSettings Line;
        PortTimeouts Timeouts;
        std::string Wire;
        std::vector<std::string> Operations;
    };

    Port& Added(std::string_view portName);
    const Port& Known(std::string_view portName) const;
    Port* ByHandle(PortHandle port);

    VirtualClock clock_;
    std::map<std::string, Port, std::less<>> ports_;
    PortHandle nextHandle_ = 1;
    OpenFailure lastOpenFailure_ = OpenFailure::None;
};
