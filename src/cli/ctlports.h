// Which ports a command runs on, how a unit is opened on one, and what keeps a port from
// being used.
#pragma once

#include "link/device/systemportdriver.h"
#include "link/forwardingportdriver.h"
#include "link/serialport.h"
#include "link/unittransfer.h"

#include <QString>

#include <memory>
#include <optional>
#include <string>

// One port a command runs on: "COMn" through the window's mapping, or a device by path.
struct PortTarget {
    QString Label;  // "COM3", or the path given with --device
    int Index = 0;  // 0 to 7 for COM1 to COM8
    QString Device; // the device that opens
    bool ByPath = false;

    static PortTarget Com(int index);
    static PortTarget Path(const QString& device);
};

// "COM1" to "COM8" in any letter case: the index 0 to 7; anything else: none.
std::optional<int> ComIndex(const QString& name);

// What stops a port from being used, and what a USB adapter says about itself.
struct PortDiagnosis {
    bool Exists = false;
    bool Usable = false;
    QString Problem; // "missing", "busy (held by another program)", "permission denied", ...
    // A port on the network: its address ("tcp://10.1.2.3:4001") and whether it answers
    // ("answers", "refused", "no answer", ...); both empty for a local device.
    QString Address;
    QString Answer;
    QString Fix; // what the user can do about it, when there is something
    QString Manufacturer;
    QString Product;
    QString SerialNumber;
    bool Usb = false;
    quint16 VendorId = 0;
    quint16 ProductId = 0;
};

// Looks at a device: whether it is there, whether it opens (it is opened and closed again
// when `tryOpen`), and what the system knows of it. A network address is there when it is
// well formed, and usable when it answers: it connects, and on a Telnet port takes the
// COM-port options, within the 3 s limit.
PortDiagnosis DiagnosePort(const QString& device, bool tryOpen = true);

// How a network port answered an attempt to open it, in a word or two.
QString NetworkAnswerText(NetworkLine::OpenResult result);

// A driver that opens one device whatever port name it is asked for, so that a SerialPort
// (which knows only COM1 to COM8) can talk over a device given by path.
class FixedDeviceDriver : public ForwardingPortDriver {
public:
    FixedDeviceDriver(PortDriver& inner, std::string device)
        : ForwardingPortDriver(inner), device_(std::move(device)) {}
    PortHandle Open(std::string_view) override { return Inner().Open(device_); }

private:
    std::string device_;
};

// A unit opened on one port for one command; closes the port when it ends. Each thread
// has its own session: its own driver and its own SerialPort.
class UnitSession {
public:
    explicit UnitSession(const PortTarget& target);
    ~UnitSession();
    UnitSession(const UnitSession&) = delete;
    UnitSession& operator=(const UnitSession&) = delete;

    // Opens and configures the port and asks who is there. 0 when a unit of the family
    // answered; 3 with `error` saying why not (the port does not open, nobody answers, or
    // the answer is no model of the family).
    int Open(QString& error);

    SerialPort& Port() { return *port_; }
    const UnitIdentity& Identity() const { return identity_; }
    const PortTarget& Target() const { return target_; }
    // "RIVAN ver1.05", as detection shows a unit.
    QString UnitText() const;

private:
    PortTarget target_;
    SystemPortDriver device_;
    std::unique_ptr<FixedDeviceDriver> fixed_;
    std::unique_ptr<SerialPort> port_;
    UnitIdentity identity_{};
};
