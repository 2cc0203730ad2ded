// What the main window's drags carry: a folder from the tree, or the selected entries of the
// list. Only drags of this process are taken: another program (or another copy of this one)
// cannot drop anything into the window.
#pragma once

#include "boxdata/ZembraTypes.h"

#include <QString>

#include <cstdint>
#include <optional>

class QMimeData;

inline const QString kFolderDragFormat = QStringLiteral("application/x-zembrix-folder");
inline const QString kEntriesDragFormat = QStringLiteral("application/x-zembrix-entries");

// A new drag of the folder FolderID (the caller owns it).
QMimeData* NewFolderDrag(int32_t FolderID);
// A new drag of the selected entries of kind Kind (the caller owns it).
QMimeData* NewEntriesDrag(TZembraType Kind);

// The folder a drag of this process carries; none for any other drag.
std::optional<int32_t> DraggedFolder(const QMimeData* Data);
// The kind of the entries a drag of this process carries; none for any other drag.
std::optional<TZembraType> DraggedEntries(const QMimeData* Data);
