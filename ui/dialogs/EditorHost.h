// What the entry editors and the options dialog need of the main window. The main window
// implements this and installs itself with SetEditorHost while it exists; the dialogs find it
// through EditorHost(). Without a host (before the main window exists) the editors store
// nothing in add mode, the pin affects the editor alone and OK in the options dialog applies
// nothing beyond saving.
#pragma once

#include "boxdata/ZembraTypes.h"

class TAttachList;

class TEditorHost {
public:
    virtual ~TEditorHost() = default;

    // Store a new entry in the current folder with the next sort code, list it, select it and
    // answer true. Item receives the new id. May raise; the editor then keeps what was typed.
    virtual bool AddNetItem(TZmbNetItem& Item) = 0;
    virtual bool AddBankItem(TZmbBankItem& Item) = 0;
    // The same for a general entry and then its attachments (TAttachList::AddToDb).
    virtual bool AddCommItem(TZmbCommItem& Item, TAttachList& AttachList) = 0;

    // The checked state of the main window's stay-on-top command.
    virtual bool StayOnTopChecked() const = 0;
    // Checks or unchecks that command and keeps the main window above others or not.
    virtual void SetStayOnTop(bool Value) = 0;
    // True: the main window becomes fully transparent; false: opaque again.
    virtual void SetTransparent(bool Value) = 0;

    // Re-reads the options that take effect at once: the entry list's password mask, the
    // inactivity interval and the shared password generator.
    virtual void ApplyOptions() = 0;
};

// The installed host, or null.
TEditorHost* EditorHost();
// Installs Host (null removes it).
void SetEditorHost(TEditorHost* Host);
