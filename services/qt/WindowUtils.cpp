#include "services/qt/WindowUtils.h"

#include <QApplication>
#include <QWidget>

void SetWindowTopmost(QWidget* Form, bool OnTop)
{
    if (Form == nullptr || Form->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == OnTop)
        return;
    // Changing a window flag re-creates the window hidden; show it again where it was.
    const bool visible = Form->isVisible();
    const QRect geometry = Form->geometry();
    Form->setWindowFlag(Qt::WindowStaysOnTopHint, OnTop);
    if (visible) {
        Form->setGeometry(geometry);
        Form->show();
    }
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
