#include "ui/components/PwdStrengthBar.h"

#include "dataproc/Wipe.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

namespace {

constexpr int kBarHeight = 4;

} // namespace

TPwdStrengthBar::TPwdStrengthBar(QWidget* Parent) : QWidget(Parent)
{
    setObjectName(QStringLiteral("PwdStrengthBar"));
    FBar = new QWidget(this);
    FBar->setObjectName(QStringLiteral("StrengthBar"));
    FBar->setFixedHeight(kBarHeight);
    FBar->installEventFilter(this);
    FWordLabel = new QLabel(this);
    FWordLabel->setObjectName(QStringLiteral("StrengthWordLabel"));
    // Room for the longest word, so the bar does not jump while the user types.
    FWordLabel->setMinimumWidth(FWordLabel->fontMetrics().horizontalAdvance(QStringLiteral("很强")) + 4);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(FBar, 1, Qt::AlignVCenter);
    layout->addWidget(FWordLabel, 0, Qt::AlignVCenter);
    SetPassword(QString());
}

void TPwdStrengthBar::Attach(QLineEdit* Edit)
{
    connect(Edit, &QLineEdit::textChanged, this, &TPwdStrengthBar::SetPassword);
    SetPassword(Edit->text());
}

void TPwdStrengthBar::SetPassword(const QString& Password)
{
    QByteArray utf8 = Password.toUtf8();
    std::string copy(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    SecureZero(utf8.data(), static_cast<std::size_t>(utf8.size()));
    FStrength = EstimatePwdStrength(copy);
    WipeString(copy);

    FWordLabel->setText(Word());
    const QString tip = FStrength.Level == psNone
                            ? QString()
                            : QStringLiteral("估计熵：%1 位").arg(FStrength.Bits, 0, 'f', 1);
    setToolTip(tip);
    FBar->update();
}

QString TPwdStrengthBar::Word() const
{
    return QString::fromUtf8(PwdStrengthWord(FStrength.Level));
}

QColor TPwdStrengthBar::LevelColour(TPwdStrengthLevel Level)
{
    switch (Level) {
    case psVeryWeak:
        return QColor(0xd3, 0x2f, 0x2f);
    case psWeak:
        return QColor(0xef, 0x6c, 0x00);
    case psFair:
        return QColor(0xf9, 0xa8, 0x25);
    case psStrong:
        return QColor(0x7c, 0xb3, 0x42);
    case psVeryStrong:
        return QColor(0x2e, 0x7d, 0x32);
    case psNone:
        break;
    }
    return QColor();
}

bool TPwdStrengthBar::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == FBar && Event->type() == QEvent::Paint) {
        QPainter painter(FBar);
        const QRect all = FBar->rect();
        painter.fillRect(all, palette().color(QPalette::Mid));
        const int filled = all.width() * static_cast<int>(FStrength.Level) / static_cast<int>(psVeryStrong);
        if (filled > 0)
            painter.fillRect(QRect(all.left(), all.top(), filled, all.height()), LevelColour(FStrength.Level));
        return true;
    }
    return QWidget::eventFilter(Watched, Event);
}
