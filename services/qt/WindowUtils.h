// Window and cursor helpers.
#pragma once

class QWidget;

// Keeps the window above all others, or lets it be covered again; position, size and
// visibility stay as they were, and a dialog's modal run goes on.
void SetWindowTopmost(QWidget* Form, bool OnTop);

// The whole application shows the busy cursor / the normal cursor again. Not nested: one
// RestoreCursor ends any number of ShowWaitCursor calls.
void ShowWaitCursor();
void RestoreCursor();

// The busy cursor for the lifetime of the object.
class TWaitCursor {
public:
    TWaitCursor() { ShowWaitCursor(); }
    ~TWaitCursor() { RestoreCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};
