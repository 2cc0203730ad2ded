// The base of every window of the program: its one behaviour is the font, the CJK sans-serif
// face at 9 points, so Chinese text looks the same in every window whatever the desktop's default.
#pragma once

#include <QDialog>
#include <QFont>

// The font of every window.
QFont BaseFormFont();

template <typename TWindow>
class TBaseFormOf : public TWindow {
public:
    explicit TBaseFormOf(QWidget* Parent = nullptr) : TWindow(Parent) { this->setFont(BaseFormFont()); }
};

// Dialogs derive from TBaseForm; the main window from TBaseFormOf<QMainWindow>.
using TBaseForm = TBaseFormOf<QDialog>;
