// Starts a TCP bridge to a pseudo-terminal as a child process, as a ser2net box or a
// terminal server would put a unit's serial port on the network: socat for raw TCP,
// ser2net for Telnet with the COM-port options. Only ever on 127.0.0.1.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

class BridgeProcess {
public:
    BridgeProcess() = default;
    ~BridgeProcess();
    BridgeProcess(const BridgeProcess&) = delete;
    BridgeProcess& operator=(const BridgeProcess&) = delete;

    // socat: every connection to 127.0.0.1:port is joined to the device, bytes as they are.
    bool StartRawTcp(const std::string& device, std::string& error);
    // ser2net: Telnet with the COM-port options on 127.0.0.1:port; the device starts with
    // `lineSettings` in ser2net's words ("9600e71") until a client sets it.
    bool StartRfc2217(const std::string& device, const std::string& lineSettings,
                      const std::string& folder, std::string& error);
    // Ends the bridge and the connections it serves, by the process group started here.
    void Stop();

    int Port() const { return port_; }

private:
    bool Spawn(const std::string& program, const std::vector<std::string>& arguments,
               std::string& error);
    bool WaitUntilListening(std::string& error) const;

    pid_t pid_ = -1;
    int port_ = 0;
};

// A port on 127.0.0.1 that nothing listens on at the moment of asking.
int FreeLocalPort();

// A port on 127.0.0.1 that refuses every connection for as long as this lives: it is held
// bound but never listens, so no bridge started meanwhile can take it.
class RefusingPort {
public:
    RefusingPort();
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    int Port() const { return port_; }

private:
    int socket_ = -1;
    int port_ = 0;
};
// Whether `program` is installed (on the PATH, or in /usr/sbin where ser2net goes).
bool ProgramAvailable(const std::string& program);
std::string ProgramPath(const std::string& program);
