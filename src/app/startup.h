#pragma once

// The program: start-up in a fixed order, then the event loop. Returns the exit code.
int runPlayer(int argc, char **argv);
