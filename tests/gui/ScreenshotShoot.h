// What the screenshot program's parts share.
#pragma once

#include <QString>

#include <functional>

class QWidget;

// Shows Form, lets it settle, runs Fill, and writes it as NAME.png together with the balloons and
// menus standing above it at that moment.
void Shoot(QWidget* Form, const QString& Name, const std::function<void(QWidget*)>& Fill = {});

// The entry editors, empty and filled, and every page of the options dialog.
void ShootEditors();
// The main window on the box open in DbFileMgr, filled with entries of every kind; its menus,
// search results, the tray menu, the progress dialog and the locked window.
void ShootMainForm();
