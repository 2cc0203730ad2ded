// The web-account editor: adds entries one after another through the main window (add mode) or
// edits one entry for its caller (modify mode).
#pragma once

#include "boxdata/ZembraTypes.h"

// Runs the editor on Item. Add mode stores each entry through TMainForm::AddNetItem and never
// answers true; modify mode answers true on OK. Item holds the editor's texts afterwards in
// either case. Errors of storing are shown by the general error display.
bool ShowNetItemForm(bool NewMode, TZmbNetItem& Item);
