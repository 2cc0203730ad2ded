#include "ui/components/SvgImage.h"

#include <QPainter>
#include <QSvgRenderer>

TSvgImage::TSvgImage(const QString& FileName, QWidget* Parent) : QWidget(Parent), FRenderer(new QSvgRenderer(this))
{
    SetFileName(FileName);
}

void TSvgImage::SetFileName(const QString& FileName)
{
    FRenderer->load(FileName);
    update();
}

bool TSvgImage::Valid() const
{
    return FRenderer->isValid();
}

void TSvgImage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    FRenderer->render(&painter, QRectF(rect()));
}
