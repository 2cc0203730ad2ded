// The general-entry editor with its attachments: adds entries one after another through the main
// window (add mode) or edits one entry and its attachment list for its caller (modify mode).
#pragma once

#include "boxdata/ZembraTypes.h"

class TAttachList;

// Runs the editor on Item and AttachList (the caller's, borrowed). Add mode stores each entry
// with the listed attachments through TMainForm::AddCommItem and never answers true; modify mode
// answers true on OK, with AttachList as the user left it. Item holds the editor's texts
// afterwards in either case.
bool ShowCommItemForm(bool NewMode, TZmbCommItem& Item, TAttachList& AttachList);
