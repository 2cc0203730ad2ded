// The pictures of zmb_screenshots, written by window group: each group's file adds its windows.
#pragma once

#include <QString>

#include <functional>

class QWidget;

// Shows Form, lets it settle (Fill may set it up first), and writes it as NAME.png together
// with the balloons and menus standing above it at that moment.
void Shoot(QWidget* Form, const QString& Name, const std::function<void(QWidget*)>& Fill = {});

// The main window on the box open in DbFileMgr, filled with entries of every kind; its menus,
// search results, the tray menu, the progress dialog and the locked window.
void ShootMainForm();
