// Which ports a command runs on, how a unit is opened on one, and what keeps a port from
// being used.
#include "ctlports.h"

#include "files/codepage.h"
#include "link/equipmentlink.h"
#include "link/portnames.h"

#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>

#include <cstdio>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The group that owns a device, for the permission fix ("dialout" on Debian).
QString OwningGroup(const QString& device) {
    struct stat status {};
    if (::stat(device.toLocal8Bit().constData(), &status) != 0)
        return QStringLiteral("dialout");
    if (const group* owner = ::getgrgid(status.st_gid))
        return QString::fromLocal8Bit(owner->gr_name);
    return QString::number(status.st_gid);
}

bool IsCharacterDevice(const QString& device) {
    struct stat status {};
    return ::stat(device.toLocal8Bit().constData(), &status) == 0 && S_ISCHR(status.st_mode);
}

} // namespace

PortTarget PortTarget::Com(int index) {
    PortTarget target;
    target.Index = index;
    target.Label = QStringLiteral("COM%1").arg(index + 1);
    target.Device = QString::fromStdString(PortDevicePath(target.Label.toStdString()));
    return target;
}

PortTarget PortTarget::Path(const QString& device) {
    PortTarget target;
    target.Label = device;
    target.Device = device;
    target.ByPath = true;
    return target;
}

std::optional<int> ComIndex(const QString& name) {
    const QString upper = name.trimmed().toUpper();
    if (upper.size() != 4 || !upper.startsWith(QStringLiteral("COM")))
        return std::nullopt;
    const QChar digit = upper.at(3);
    if (digit < QLatin1Char('1') || digit > QLatin1Char('8'))
        return std::nullopt;
    return digit.unicode() - '1';
}

PortDiagnosis DiagnosePort(const QString& device, bool tryOpen) {
    PortDiagnosis diagnosis;
    const QFileInfo file(device);
    diagnosis.Exists = file.exists();
    if (!diagnosis.Exists) {
        diagnosis.Problem = QStringLiteral("missing");
        return diagnosis;
    }
    const QSerialPortInfo info(device);
    diagnosis.Manufacturer = info.manufacturer();
    diagnosis.Product = info.description();
    diagnosis.SerialNumber = info.serialNumber();
    diagnosis.Usb = info.hasVendorIdentifier() && info.hasProductIdentifier();
    diagnosis.VendorId = info.vendorIdentifier();
    diagnosis.ProductId = info.productIdentifier();
    if (!IsCharacterDevice(device)) {
        diagnosis.Problem = QStringLiteral("not a serial port");
        return diagnosis;
    }
    if (::access(device.toLocal8Bit().constData(), R_OK | W_OK) != 0) {
        diagnosis.Problem = QStringLiteral("permission denied");
        diagnosis.Fix = QStringLiteral("add yourself to the group that owns %1: sudo usermod -aG "
                                       "%2 $USER, then log in again")
                            .arg(device, OwningGroup(device));
        return diagnosis;
    }
    if (!tryOpen) {
        diagnosis.Usable = true;
        return diagnosis;
    }
    QSerialPort serial;
    serial.setPortName(device);
    if (serial.open(QIODevice::ReadWrite)) {
        serial.close();
        diagnosis.Usable = true;
        return diagnosis;
    }
    switch (serial.error()) {
    case QSerialPort::DeviceNotFoundError:
        diagnosis.Problem = QStringLiteral("missing");
        break;
    case QSerialPort::PermissionError:
        // Access was granted above, so another program holds the port (lock or TIOCEXCL).
        diagnosis.Problem = QStringLiteral("busy (held by another program)");
        break;
    default:
        diagnosis.Problem = QStringLiteral("not a serial port (%1)").arg(serial.errorString());
        break;
    }
    return diagnosis;
}

UnitSession::UnitSession(const PortTarget& target) : target_(target) {
    PortDriver* driver = &device_;
    if (target_.ByPath) {
        fixed_ = std::make_unique<FixedDeviceDriver>(device_, target_.Device.toStdString());
        driver = fixed_.get();
    }
    port_ = std::make_unique<SerialPort>(*driver, target_.Index);
}

UnitSession::~UnitSession() {
    port_->Close();
}

int UnitSession::Open(QString& error) {
    if (!port_->Open()) {
        const PortDiagnosis diagnosis = DiagnosePort(target_.Device);
        // A port that opens on a second try was held for a moment by someone else.
        const QString problem = diagnosis.Problem.isEmpty()
                                    ? QStringLiteral("busy (held by another program)")
                                    : diagnosis.Problem;
        error = target_.ByPath ? QStringLiteral("cannot be opened: %1").arg(problem)
                               : QStringLiteral("cannot open %1: %2").arg(target_.Device, problem);
        if (!diagnosis.Fix.isEmpty())
            error += QStringLiteral("; ") + diagnosis.Fix;
        return 3;
    }
    port_->Configure();
    const std::optional<UnitIdentity> identity = IdentifyUnit(*port_);
    if (!identity) {
        error = QStringLiteral("no unit answers");
        return 3;
    }
    if (identity->ModelRow == UnknownModelRow) {
        error = QStringLiteral("%1 answers, which is no model of the family")
                    .arg(FromCodePage(identity->ModelName));
        return 3;
    }
    identity_ = *identity;
    return 0;
}

QString UnitSession::UnitText() const {
    char version[32];
    std::snprintf(version, sizeof version, "ver%4.2f",
                  static_cast<double>(identity_.FirmwareVersion));
    return FromCodePage(identity_.ModelName) + QLatin1Char(' ') + QString::fromLatin1(version);
}
