// Where windows stand on the screen.
#pragma once

class QWidget;

// Places a window in the middle of the screen it is on.
void CentreOnScreen(QWidget& window);
