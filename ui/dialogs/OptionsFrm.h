// The options dialog: every application option on five pages.
#pragma once

// Runs the dialog. On OK it saves the options and has the main window apply them, and answers
// true; on cancel nothing changes.
bool ShowOptionsForm();
