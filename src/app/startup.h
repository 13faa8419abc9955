#pragma once

class QApplication;

// The application style sheet and font, as start-up applies them.
void applyApplicationLook(QApplication &app);

// The program: start-up in a fixed order, then the event loop. Returns the exit code.
int runPlayer(int argc, char **argv);
