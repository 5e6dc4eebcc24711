// What the profile editors share: a fixed-size frame centred on the screen, the number
// edits, the OK and Cancel row, closing on OK or Cancel, and turning a failed conversion
// into the error that the standard error report shows.
#pragma once

#include "dialogs/numbertext.h"

#include <functional>
#include <stdexcept>

class Prompts;
class QDialog;
class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QString;
class QWidget;

// Fixes the dialog to the size of its layout and leaves it only a close box.
void MakeFixedSizeFrame(QDialog& dialog);

// An edit for a number of the profile, `width` pixels wide. It sets no length limit of its
// own: all checking happens on OK.
QLineEdit* NewNumberEdit(const QString& name, int width, QWidget* parent);

// The row of buttons at the foot of a dialog: "OK" (the default button) and "Cancel",
// named OKBtn and CancelBtn, pushed to the right.
QHBoxLayout* OkCancelRow(QDialog& dialog, QPushButton*& ok, QPushButton*& cancel);

// OK of an editor that converts what the user typed: runs `save` through the standard
// error report, then closes the dialog as accepted. It closes even when a text is refused:
// the error box reports it, and what was stored before the refused text stays stored.
void AcceptReported(QDialog& dialog, Prompts& prompts, const std::function<void()>& save);
// Cancel, Esc and the close box of an editor: a shown editor first calls `restore` to put
// back the snapshot it took when it was shown, then closes as rejected.
void RejectRestoring(QDialog& dialog, const std::function<void()>& restore);

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
