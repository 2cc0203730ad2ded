// A scripted user for the test that starts the real program: off unless the environment variable
// ZEMBRIX_TEST_DRIVER is "stdin" when the program starts. Then every message box is written to
// standard output ("message: " and its text, line breaks as "\r") and answered with its default
// button; the notice is acknowledged; each time the login dialog waits, the next line of standard
// input is typed as the password and confirmed, and at the end of the input the dialog is
// cancelled; once the main window is up, its caption is written ("main window: " and the
// caption) and the window is closed, which ends the program normally.
#pragma once

// Installs the driver when the environment asks for it; answers whether it did.
bool InstallTestDriver();
