#include "services/qt/WindowUtils.h"

#include <QApplication>
#include <QWidget>
#include <QWindow>

void SetWindowTopmost(QWidget* Form, bool OnTop)
{
    if (Form == nullptr || Form->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == OnTop)
        return;
    QWindow* window = Form->windowHandle();
    if (window == nullptr) {
        Form->setWindowFlag(Qt::WindowStaysOnTopHint, OnTop);
        return;
    }
    // A window that exists takes the new flag in place. Setting the widget's flag would make it
    // anew, hidden, and hiding a dialog ends its modal run.
    Qt::WindowFlags flags = Form->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, OnTop);
    Form->overrideWindowFlags(flags);
    window->setFlags(flags);
}

void ShowWaitCursor()
{
    if (QGuiApplication::overrideCursor() != nullptr)
        QGuiApplication::changeOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void RestoreCursor()
{
    while (QGuiApplication::overrideCursor() != nullptr)
        QGuiApplication::restoreOverrideCursor();
}
