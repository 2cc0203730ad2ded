#include "ui/components/HyperLabel.h"

#include <QMouseEvent>

THyperLabel::THyperLabel(QWidget* Parent) : QLabel(Parent)
{
    setCursor(Qt::PointingHandCursor);
    QFont f = font();
    f.setFamilies({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
    f.setPixelSize(11);
    setFont(f);
    SetHot(false);
}

void THyperLabel::SetHot(bool Value)
{
    FHot = Value;
    QFont f = font();
    f.setUnderline(Value);
    setFont(f);
    QPalette p = palette();
    p.setColor(QPalette::WindowText, Value ? QColor(Qt::red) : QColor(Qt::blue));
    setPalette(p);
}

void THyperLabel::enterEvent(QEnterEvent* Event)
{
    SetHot(true);
    QLabel::enterEvent(Event);
}

void THyperLabel::leaveEvent(QEvent* Event)
{
    SetHot(false);
    QLabel::leaveEvent(Event);
}

void THyperLabel::mousePressEvent(QMouseEvent* Event)
{
    FPressed = Event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(Event);
}

void THyperLabel::mouseReleaseEvent(QMouseEvent* Event)
{
    const bool click = FPressed && Event->button() == Qt::LeftButton && rect().contains(Event->position().toPoint());
    FPressed = false;
    QLabel::mouseReleaseEvent(Event);
    if (click)
        emit Click();
}
