// What the screenshot program's parts share.
#pragma once

#include <QString>

#include <functional>

class QWidget;

// Shows Form, lets it settle, runs Fill, and writes it with its visible balloons as NAME.png.
void Shoot(QWidget* Form, const QString& Name, const std::function<void(QWidget*)>& Fill = {});

// The entry editors, empty and filled, and every page of the options dialog.
void ShootEditors();
