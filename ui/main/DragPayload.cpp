#include "ui/main/DragPayload.h"

#include <QCoreApplication>
#include <QMimeData>

namespace {

// "<process id>:<value>": the process id keeps drags of other copies out.
QByteArray Payload(qint64 Value)
{
    return QByteArray::number(QCoreApplication::applicationPid()) + ':' + QByteArray::number(Value);
}

std::optional<qint64> ValueOf(const QMimeData* Data, const QString& Format)
{
    if (Data == nullptr || !Data->hasFormat(Format))
        return std::nullopt;
    const QList<QByteArray> parts = Data->data(Format).split(':');
    bool pidOk = false;
    bool valueOk = false;
    if (parts.size() != 2 || parts[0].toLongLong(&pidOk) != QCoreApplication::applicationPid() || !pidOk)
        return std::nullopt;
    const qint64 value = parts[1].toLongLong(&valueOk);
    if (!valueOk)
        return std::nullopt;
    return value;
}

} // namespace

QMimeData* NewFolderDrag(int32_t FolderID)
{
    auto* data = new QMimeData;
    data->setData(kFolderDragFormat, Payload(FolderID));
    return data;
}

QMimeData* NewEntriesDrag(TZembraType Kind)
{
    auto* data = new QMimeData;
    data->setData(kEntriesDragFormat, Payload(Kind));
    return data;
}

std::optional<int32_t> DraggedFolder(const QMimeData* Data)
{
    const auto value = ValueOf(Data, kFolderDragFormat);
    if (!value || *value < 0 || *value > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(*value);
}

std::optional<TZembraType> DraggedEntries(const QMimeData* Data)
{
    const auto value = ValueOf(Data, kEntriesDragFormat);
    if (!value || *value < ztNetItem || *value > ztCommItem)
        return std::nullopt;
    return static_cast<TZembraType>(*value);
}
