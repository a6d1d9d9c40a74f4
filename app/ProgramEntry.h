// The viewer's program entry, kept out of main.cpp so that it lives in the app library.
#pragma once

// The environment variable that names the single-instance channel instead of the default. It
// exists for tests, which must not meet a viewer the user is running; the program takes no
// command-line arguments.
inline constexpr char kInstanceNameVariable[] = "LINEATUM_INSTANCE_NAME";

// Runs the viewer: ends at once with 0 when another instance runs (after asking it to bring its
// window to the front); otherwise shows the main window and returns the event loop's exit code
// when it closes.
int RunLineatum(int argc, char** argv);
