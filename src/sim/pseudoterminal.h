// The pseudo-terminal rivan-sim serves its unit on: the master for the unit, the slave for
// the host.
#pragma once

#include <string>

// Opens a master and its slave in raw mode. The slave stays open here as well, so the
// master keeps working while the host closes and reopens the slave.
class PseudoTerminal {
public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // False with a message in `error` when no pseudo-terminal can be had.
    bool Open(std::string& error);
    // Closes both sides: the host's reads and writes fail from then on.
    void HangUp();

    const std::string& SlavePath() const { return slavePath_; }
    int Master() const { return master_; }
    // Bytes written to the host that it has not read yet.
    int HostBacklog() const;

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};
