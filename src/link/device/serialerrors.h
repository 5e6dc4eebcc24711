// Qt Serial Port's errors as the operating-system error numbers the unit's documentation
// uses, for the terminal's "Error number" lines.
#pragma once

#include <QSerialPort>

// The error number for `error`: 2 for a port that does not exist, 5 for one in use or
// refused, ...; 0 for no error.
int SystemErrorNumber(QSerialPort::SerialPortError error);
