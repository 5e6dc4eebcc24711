// Starts rivan-sim as a child process and learns the pseudo-terminal it serves.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

class SimProcess {
public:
    SimProcess() = default;
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Runs `program` with `arguments` and waits (at most a few seconds) for its
    // "RIVAN_COMn=path" line. False with a message in `error` when that does not come.
    bool Start(const std::string& program, const std::vector<std::string>& arguments,
               std::string& error);
    // Ends the process started here, by its id.
    void Stop();
    // Ends the process and returns all it printed after its "RIVAN_COMn" line: with
    // --trace, every command it took ("> ...") and its answer ("< ...").
    std::string Finish();

    // The "RIVAN_COMn" variable and its value, as the simulator printed them.
    const std::string& Variable() const { return variable_; }
    const std::string& DevicePath() const { return devicePath_; }

private:
    pid_t pid_ = -1;
    int output_ = -1;
    std::string variable_;
    std::string devicePath_;
    std::string rest_; // what came after the "RIVAN_COMn" line while it was awaited
};

// Whether this system hands out pseudo-terminals at all.
bool PseudoTerminalsAvailable();

// A device path that never exists, named for this test process and `n`: the serial driver
// locks a port by its name before it looks for the device, so test processes running at the
// same time must not share one missing name (the second would find it "busy").
std::string MissingDevicePath(int n = 0);
