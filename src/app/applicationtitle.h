// The application's title, set once at start-up.
#pragma once

// Names the application after the program. Only the name is set: a display name would be
// appended by the window system to every caption that does not end in it, so that a box
// captioned "RIVAN error" would read "RIVAN error - RIVAN".
void SetApplicationTitle();
