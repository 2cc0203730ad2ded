#include "app/TestDriver.h"

#include "services/qt/MessageBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

namespace {

constexpr int kPollInterval = 50;

void Say(const QString& Line)
{
    std::cout << Line.toStdString() << std::endl;
}

QMessageBox::StandardButton AnswerMessageBox(const TMessageBoxRequest& Request)
{
    Say(QStringLiteral("message: ") + Request.Text);
    if (Request.DefaultButton != QMessageBox::NoButton)
        return Request.DefaultButton;
    return QMessageBox::Ok;
}

void Click(QWidget* Form, const char* ButtonName)
{
    if (auto* button = Form->findChild<QAbstractButton*>(QString::fromLatin1(ButtonName)))
        button->click();
}

// One step of the script: acts on whatever window waits for the user now.
void Step()
{
    static QPointer<QWidget> reportedMainWindow;
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QLatin1String("MainForm") && w->isVisible() && reportedMainWindow != w) {
                reportedMainWindow = w;
                Say(QStringLiteral("main window: ") + w->windowTitle());
                w->close();
            }
        }
        return;
    }
    if (modal->objectName() == QLatin1String("NoticeForm")) {
        Click(modal, "OkButton");
    } else if (modal->objectName() == QLatin1String("LoginForm")) {
        std::string line;
        if (!std::getline(std::cin, line)) {
            Click(modal, "CancelButton");
            return;
        }
        if (auto* edit = modal->findChild<QLineEdit*>(QStringLiteral("PasswordEdit")))
            edit->setText(QString::fromStdString(line));
        Click(modal, "OkButton");
    }
}

} // namespace

bool InstallTestDriver()
{
    const char* mode = std::getenv("ZEMBRIX_TEST_DRIVER");
    if (mode == nullptr || std::strcmp(mode, "stdin") != 0)
        return false;
    SetMessageBoxHandler(&AnswerMessageBox);
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, qApp, &Step);
    timer->start(kPollInterval);
    return true;
}
