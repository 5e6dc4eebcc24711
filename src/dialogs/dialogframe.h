// What the profile editors share: a fixed-size frame centred on the screen, and turning a
// failed conversion into the error that the standard error report shows.
#pragma once

#include "dialogs/numbertext.h"

#include <stdexcept>

class QDialog;
class QWidget;

// Fixes the dialog to the size of its layout and leaves it only a close box.
void MakeFixedSizeFrame(QDialog& dialog);
// Places a window in the middle of the screen it is on.
void CentreOnScreen(QWidget& window);

// A text the user typed that the profile cannot take; its text is what the user reads.
class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The converted value, or a ConversionError with the conversion's message.
template <typename T> T ValueOrThrow(const Conversion<T>& conversion) {
    if (!conversion)
        throw ConversionError(conversion.Error);
    return *conversion.Value;
}
