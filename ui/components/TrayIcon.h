// The program's icon in the desktop's notification area: a tip, the window's menu on the right
// mouse button, a click event for the left one, and balloon messages. Qt adds the icon again when
// the notification area comes back after a restart of the desktop shell.
//
// Where the desktop has no notification area the icon is simply not there; the window asks
// Available() and minimizes normally instead of hiding.
#pragma once

#include "ui/components/BalloonHint.h"

#include <QIcon>
#include <QObject>
#include <QString>

#include <optional>

class QMenu;
class QSystemTrayIcon;

class TYarroTrayIcon : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxTipLength = 127;
    static constexpr int MaxBalloonTitleLength = 63;
    static constexpr int MaxBalloonTextLength = 255;

    explicit TYarroTrayIcon(QObject* Owner = nullptr);
    ~TYarroTrayIcon() override;

    // Whether the desktop offers a notification area (or what OverrideAvailable decided).
    static bool Available();
    // Decides Available() in place of the desktop (tests; none: ask the desktop again).
    static void OverrideAvailable(std::optional<bool> Value);

    void SetIcon(const QIcon& Icon);
    QString Tip() const { return FTip; }
    // Longer tips are cut to MaxTipLength characters.
    void SetTip(const QString& Tip);
    // The menu of the right mouse button (not owned).
    void SetPopupMenu(QMenu* Menu);
    // Shows the icon when there is a notification area.
    void SetVisible(bool Value);

    // A balloon at the icon with Title and Text (cut to their limits), Icon and a timeout in
    // seconds; nothing shows without a notification area.
    void ShowBalloon(const QString& Title, const QString& Text, TBalloonIconKind Icon, int TimeoutSecs);
    // The last balloon asked for, and how many were (what the user was told).
    QString LastBalloonTitle() const { return FLastBalloonTitle; }
    QString LastBalloonText() const { return FLastBalloonText; }
    int BalloonCount() const { return FBalloonCount; }

signals:
    // The left mouse button clicked the icon.
    void Click();

private:
    QSystemTrayIcon* FIcon;
    QString FTip;
    QString FLastBalloonTitle;
    QString FLastBalloonText;
    int FBalloonCount = 0;
};
