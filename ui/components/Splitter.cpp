#include "ui/components/Splitter.h"

#include <QMouseEvent>
#include <QSplitterHandle>

namespace {

class TYarroSplitterHandle : public QSplitterHandle {
public:
    TYarroSplitterHandle(Qt::Orientation Orientation, TYarroSplitter* Parent)
        : QSplitterHandle(Orientation, Parent), FSplitter(Parent)
    {
    }

protected:
    void mouseDoubleClickEvent(QMouseEvent* Event) override
    {
        if (Event->button() == Qt::LeftButton)
            emit FSplitter->HandleDblClick(FSplitter->indexOf(this));
        QSplitterHandle::mouseDoubleClickEvent(Event);
    }

private:
    TYarroSplitter* FSplitter;
};

} // namespace

TYarroSplitter::TYarroSplitter(Qt::Orientation Orientation, QWidget* Parent) : QSplitter(Orientation, Parent)
{
}

QSplitterHandle* TYarroSplitter::createHandle()
{
    return new TYarroSplitterHandle(orientation(), this);
}
