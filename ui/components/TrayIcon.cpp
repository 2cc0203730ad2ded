#include "ui/components/TrayIcon.h"

#include <QSystemTrayIcon>

namespace {

std::optional<bool> AvailableOverride;

QSystemTrayIcon::MessageIcon MessageIconOf(TBalloonIconKind Icon)
{
    switch (Icon) {
    case biInfo: return QSystemTrayIcon::Information;
    case biWarning: return QSystemTrayIcon::Warning;
    case biError: return QSystemTrayIcon::Critical;
    default: return QSystemTrayIcon::NoIcon;
    }
}

} // namespace

TYarroTrayIcon::TYarroTrayIcon(QObject* Owner) : QObject(Owner), FIcon(new QSystemTrayIcon(this))
{
    connect(FIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason Reason) {
        if (Reason == QSystemTrayIcon::Trigger)
            emit Click();
    });
}

TYarroTrayIcon::~TYarroTrayIcon() = default;

bool TYarroTrayIcon::Available()
{
    return AvailableOverride ? *AvailableOverride : QSystemTrayIcon::isSystemTrayAvailable();
}

void TYarroTrayIcon::OverrideAvailable(std::optional<bool> Value)
{
    AvailableOverride = Value;
}

void TYarroTrayIcon::SetIcon(const QIcon& Icon)
{
    FIcon->setIcon(Icon);
}

void TYarroTrayIcon::SetTip(const QString& Tip)
{
    FTip = Tip.left(MaxTipLength);
    FIcon->setToolTip(FTip);
}

void TYarroTrayIcon::SetPopupMenu(QMenu* Menu)
{
    FIcon->setContextMenu(Menu);
}

void TYarroTrayIcon::SetVisible(bool Value)
{
    FIcon->setVisible(Value && QSystemTrayIcon::isSystemTrayAvailable());
}

void TYarroTrayIcon::ShowBalloon(const QString& Title, const QString& Text, TBalloonIconKind Icon, int TimeoutSecs)
{
    FLastBalloonTitle = Title.left(MaxBalloonTitleLength);
    FLastBalloonText = Text.left(MaxBalloonTextLength);
    ++FBalloonCount;
    if (FIcon->isVisible())
        FIcon->showMessage(FLastBalloonTitle, FLastBalloonText, MessageIconOf(Icon), TimeoutSecs * 1000);
}
