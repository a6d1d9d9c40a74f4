// The viewer's program entry, kept out of main.cpp so that it lives in the app library.
#pragma once

// The environment variable that names the single-instance channel instead of the default. It
// exists for tests, which must not meet a viewer the user is running.
inline constexpr char kInstanceNameVariable[] = "LINEATUM_INSTANCE_NAME";

// Runs the viewer: `lineatum [FILE.ged]`.
// --help and --version print their answer on stdout and return 0 before any window or
// single-instance check; an unknown option or a second file prints the usage on stderr and
// returns 2. FILE is made absolute against the current folder. When another instance runs,
// it is asked to bring its window to the front (and to open FILE) and 0 is returned at once.
// Otherwise the main window is shown, opening FILE instead of the most recent file, and the
// event loop's exit code is returned when it closes.
int RunLineatum(int argc, char** argv);
