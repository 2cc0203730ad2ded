// The folder tree as the tree view sees it. Each node carries a copy of its folder record and
// the picture chosen when it was made; siblings stand in the order of their records' sort codes
// (equal codes keep the order they have). Level 0 is the box itself ("密码箱", folder id 0), level
// 1 the category folders, deeper levels the user's folders; only those can be renamed in place
// and dragged.
#pragma once

#include "boxdata/ZembraTypes.h"

#include <QAbstractItemModel>
#include <QIcon>
#include <QString>

#include <memory>
#include <vector>

struct TFolderNode {
    TZembraFolder Folder; // the node's own copy of the record
    QString Caption;      // the text shown (a new name in full, until the tree is built anew)
    QString ImageName;    // "AppIcon", "Category" or "Folder"
    TFolderNode* Parent = nullptr;
    std::vector<std::unique_ptr<TFolderNode>> Children;

    // 0 for the box's node.
    int Level() const;
    // The position among its siblings.
    int Row() const;
    TFolderNode* PrevSibling() const;
    TFolderNode* NextSibling() const;
    TFolderNode* LastChild() const { return Children.empty() ? nullptr : Children.back().get(); }
};

class TFolderTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit TFolderTreeModel(QObject* Parent = nullptr);
    ~TFolderTreeModel() override;

    // Removes every node.
    void Clear();
    // The box's node, or null while the tree is empty.
    TFolderNode* Root() const;
    // AddFolderNode: a node for Folder under Parent (top level when null), placed among its
    // siblings by sort code; its picture is "Category" for a record without parent, else
    // "Folder".
    TFolderNode* AddNode(TFolderNode* Parent, const TZembraFolder& Folder);
    // Removes Node with its subtree.
    void RemoveNode(TFolderNode* Node);
    // Puts Node at Row among NewParent's children (Row counted before Node leaves its place).
    void MoveNode(TFolderNode* Node, TFolderNode* NewParent, int Row);
    // Puts Parent's children in the order of their sort codes (stable).
    void SortChildren(TFolderNode* Parent);
    void SetImage(TFolderNode* Node, const QString& ImageName);
    void SetCaption(TFolderNode* Node, const QString& Caption);

    // The first node, in tree order from the top, whose record has FolderID; null for none.
    TFolderNode* FindNode(int32_t FolderID) const;
    QModelIndex IndexOf(const TFolderNode* Node) const;
    TFolderNode* NodeOf(const QModelIndex& Index) const;

    QModelIndex index(int Row, int Column, const QModelIndex& Parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& Child) const override;
    int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& Parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    // An edit of a caption is handed to OnEdited (TreeViewEdited), which decides what is kept.
    bool setData(const QModelIndex& Index, const QVariant& Value, int Role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& Index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& Indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }

signals:
    // The user finished editing Node's caption with Text.
    void NodeEdited(TFolderNode* Node, const QString& Text);

private:
    TFolderNode* FindIn(TFolderNode* Node, int32_t FolderID) const;
    // Puts Parent's children in Order (their pointers), keeping the view's indexes right.
    void Reorder(TFolderNode* Parent, const std::vector<TFolderNode*>& Order);

    TFolderNode FTop; // the invisible parent of the box's node
};
