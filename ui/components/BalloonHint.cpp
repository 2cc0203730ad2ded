#include "ui/components/BalloonHint.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStyle>
#include <QTimer>

namespace {

constexpr int kStemHeight = 12;
constexpr int kStemWidth = 14;
constexpr int kStemInset = 18; // the tip's usual distance from the balloon's left edge
constexpr int kPadding = 9;
constexpr int kIconSize = 16;
constexpr int kRadius = 6;
constexpr int kMaxTextWidth = 360;

QStyle::StandardPixmap StandardIcon(TBalloonIconKind Kind)
{
    switch (Kind) {
    case biWarning: return QStyle::SP_MessageBoxWarning;
    case biError: return QStyle::SP_MessageBoxCritical;
    default: return QStyle::SP_MessageBoxInformation;
    }
}

QString ShownText(const QString& Text)
{
    QString shown = Text;
    return shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

} // namespace

TYarroBalloonHint::TYarroBalloonHint(QWidget* Form)
    : QWidget(Form, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus), FForm(Form),
      FTimer(new QTimer(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    FTimer->setSingleShot(true);
    connect(FTimer, &QTimer::timeout, this, &TYarroBalloonHint::HideBalloon);
    if (FForm != nullptr)
        FForm->installEventFilter(this);
}

void TYarroBalloonHint::ShowBalloon(QWidget* Anchor, const QString& Header, TBalloonIconKind Icon,
                                    const QString& Text, int VisibleTime)
{
    FAnchor = Anchor;
    FHeader = Header;
    FIcon = Icon;
    FText = Text;
    if (FAnchor == nullptr)
        return;
    Place();
    show();
    raise();
    update();
    FTimer->stop();
    if (VisibleTime > 0)
        FTimer->start(VisibleTime);
}

void TYarroBalloonHint::HideBalloon()
{
    FTimer->stop();
    hide();
}

QPoint TYarroBalloonHint::AnchorPoint() const
{
    if (FAnchor == nullptr)
        return QPoint();
    return FAnchor->mapToGlobal(QPoint(FAnchor->width() / 2, FAnchor->height()));
}

QPoint TYarroBalloonHint::StemTip() const
{
    return FStemDown ? mapToGlobal(QPoint(FStemX, height() - 1)) : mapToGlobal(QPoint(FStemX, 0));
}

QSize TYarroBalloonHint::BodySize() const
{
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics headerMetrics(bold);
    const QFontMetrics textMetrics(font());
    const QRect textRect =
        textMetrics.boundingRect(QRect(0, 0, kMaxTextWidth, 10000), Qt::TextWordWrap, ShownText(FText));
    const int headerWidth = (FIcon != biNone ? kIconSize + 6 : 0) + headerMetrics.horizontalAdvance(FHeader);
    const int headerHeight = std::max(FIcon != biNone ? kIconSize : 0, headerMetrics.height());
    // A little room beyond the measured width, so the text wraps at the same places when drawn.
    const int width = std::max(headerWidth, textRect.width() + 4) + 2 * kPadding;
    const int height = headerHeight + 6 + textRect.height() + 2 * kPadding;
    return QSize(std::max(width, kStemInset + kStemWidth + kRadius), height);
}

void TYarroBalloonHint::Place()
{
    const QSize body = BodySize();
    const QSize whole(body.width(), body.height() + kStemHeight);
    const QPoint tip = AnchorPoint();
    QScreen* screen = FAnchor->screen();
    const QRect area = screen != nullptr ? screen->availableGeometry() : QRect(tip - QPoint(2000, 2000), QSize(4000, 4000));

    int left = tip.x() - kStemInset;
    left = std::min(left, area.right() + 1 - whole.width());
    left = std::max(left, area.left());
    FStemX = std::clamp(tip.x() - left, kRadius + kStemWidth / 2, whole.width() - kRadius - kStemWidth / 2);
    FStemDown = tip.y() + whole.height() > area.bottom() + 1;
    const int top = FStemDown ? tip.y() - whole.height() - (FAnchor->height()) : tip.y();
    setGeometry(QRect(QPoint(left, top), whole));
}

void TYarroBalloonHint::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = QApplication::palette();
    const QRectF body = FStemDown ? QRectF(0.5, 0.5, width() - 1.0, height() - kStemHeight - 1.0)
                                  : QRectF(0.5, kStemHeight + 0.5, width() - 1.0, height() - kStemHeight - 1.0);
    QPainterPath path;
    path.addRoundedRect(body, kRadius, kRadius);
    QPainterPath stem;
    const qreal x = FStemX;
    if (FStemDown) {
        stem.moveTo(x, height() - 0.5);
        stem.lineTo(x + kStemWidth, body.bottom() - 1);
        stem.lineTo(x, body.bottom() - 1);
    } else {
        // Pointing up and to the left: the stem's slanted side rises from the right.
        stem.moveTo(x, 0.5);
        stem.lineTo(x + kStemWidth, body.top() + 1);
        stem.lineTo(x, body.top() + 1);
    }
    stem.closeSubpath();
    path = path.united(stem);
    painter.setPen(QPen(pal.color(QPalette::ToolTipText), 1));
    painter.setBrush(pal.color(QPalette::ToolTipBase));
    painter.drawPath(path);

    QRect content = body.toRect().adjusted(kPadding, kPadding, -kPadding, -kPadding);
    int headerLeft = content.left();
    QFont bold = font();
    bold.setBold(true);
    const int headerHeight = std::max(FIcon != biNone ? kIconSize : 0, QFontMetrics(bold).height());
    if (FIcon != biNone) {
        const QIcon icon = style()->standardIcon(StandardIcon(FIcon));
        icon.paint(&painter, QRect(headerLeft, content.top() + (headerHeight - kIconSize) / 2, kIconSize, kIconSize));
        headerLeft += kIconSize + 6;
    }
    painter.setPen(pal.color(QPalette::ToolTipText));
    painter.setFont(bold);
    painter.drawText(QRect(headerLeft, content.top(), content.right() - headerLeft + 1, headerHeight),
                     Qt::AlignVCenter | Qt::AlignLeft, FHeader);
    painter.setFont(font());
    painter.drawText(content.adjusted(0, headerHeight + 6, 0, 0), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop,
                     ShownText(FText));
}

bool TYarroBalloonHint::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == FForm && isVisible()) {
        switch (Event->type()) {
        case QEvent::Close:
        case QEvent::Hide:
        case QEvent::Move:
            HideBalloon();
            break;
        case QEvent::Resize:
            if (FAnchor == nullptr || !FForm->rect().contains(FForm->mapFromGlobal(AnchorPoint())))
                HideBalloon();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(Watched, Event);
}
