// Drives the attachment list of the general-entry editor as a user does: select, the list's
// menu, rename in place.
#pragma once

#include "gui/ShellFixture.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>

inline QListWidget* AttachView(QWidget* Form)
{
    return TShellFixture::Child<QListWidget>(Form, "AttachListView");
}

inline QStringList AttachRows(QWidget* Form)
{
    QStringList names;
    for (int i = 0; i < AttachView(Form)->count(); ++i)
        names << AttachView(Form)->item(i)->text();
    return names;
}

// Makes Form the active window (its keys then work) and Row the current attachment.
inline void SelectAttach(QWidget* Form, int Row)
{
    QApplication::setActiveWindow(Form);
    EXPECT_TRUE(QTest::qWaitForWindowActive(Form));
    AttachView(Form)->setFocus();
    AttachView(Form)->setCurrentRow(Row);
}

inline void TriggerAttachItem(QWidget* Form, const char* Item)
{
    TShellFixture::Child<QMenu>(Form, "AttachPopupMenu")->findChild<QAction*>(Item)->trigger();
}

// Renames the selected attachment: F2, the new name, Enter.
inline void RenameSelectedAttach(QWidget* Form, const QString& Name)
{
    QTest::keyClick(AttachView(Form), Qt::Key_F2);
    QWidget* editor = QApplication::focusWidget();
    EXPECT_NE(editor, AttachView(Form));
    auto* line = qobject_cast<QLineEdit*>(editor);
    EXPECT_NE(line, nullptr);
    if (line == nullptr)
        return;
    line->selectAll();
    TShellFixture::KeyClicks(line, Name);
    QTest::keyClick(line, Qt::Key_Return);
    // The view takes the edited text a moment later.
    QListWidgetItem* row = AttachView(Form)->currentItem();
    EXPECT_TRUE(QTest::qWaitFor([row, Name] { return row->text() == Name; }));
}
