// What the main window's tests share: a box made by the data layer with entries of every kind,
// the real window on it with a clock the test moves, backups kept in the test's own folder, and
// helpers that find the window's controls and read what its views show.
#pragma once

#include "gui/BoxEntries.h"
#include "gui/ShellFixture.h"
#include "services/AppOptMgr.h"
#include "ui/components/TrayIcon.h"
#include "ui/main/FolderTreeModel.h"
#include "ui/main/MainFrm.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>

#include <memory>

class TMainFormFixture : public TShellFixture {
protected:
    TMainFormFixture()
    {
        // Never beside the test program, and no notification area unless a test gives one.
        AppOptionsMgr().SetValues(AppOpt::BackupFolder, FDir / "Backup");
        TYarroTrayIcon::OverrideAvailable(false);
    }
    ~TMainFormFixture() override
    {
        FForm.reset();
        TYarroTrayIcon::OverrideAvailable(std::nullopt);
    }

    // A box with the default folders, password "secret".
    std::string NewFilledBox(const std::string& Name = "box.zmb") { return NewBox(Name, "secret"); }
    // The same, open in DbFileMgr (to fill it before the window comes).
    std::string NewOpenBox(const std::string& Name = "box.zmb")
    {
        const std::string box = NewFilledBox(Name);
        DbFileMgr.OpenDatabase(box, "secret");
        return box;
    }

    // Opens File (when no box is open yet) and creates the window on it.
    void OpenForm(const std::string& File, const std::string& Password = "secret")
    {
        if (!DbFileMgr.IsOpen())
            DbFileMgr.OpenDatabase(File, Password);
        FForm = std::make_unique<TMainForm>(nullptr, [this] { return FClock; });
        FForm->show();
        QApplication::setActiveWindow(FForm.get());
        EXPECT_TRUE(QTest::qWaitForWindowExposed(FForm.get()));
    }

    // Text into a form's edit at once (QTest types only ASCII).
    static void Put(QWidget* Form, const char* Name, const QString& Text) { Child<QLineEdit>(Form, Name)->setText(Text); }

    // Window shortcuts work only in the active window.
    void Activate() const { QApplication::setActiveWindow(FForm.get()); }
    void KeyToWindow(Qt::Key Key) const
    {
        Activate();
        QTest::keyClick(FForm.get(), Key);
    }

    QTreeView* Tree() const { return Child<QTreeView>(FForm.get(), "TreeView"); }
    QTreeView* List() const { return Child<QTreeView>(FForm.get(), "ListView"); }
    TFolderTreeModel* FolderModel() const { return static_cast<TFolderTreeModel*>(Tree()->model()); }
    QAction* Action(const char* Name) const
    {
        auto* action = FForm->findChild<QAction*>(QString::fromLatin1(Name));
        EXPECT_NE(action, nullptr) << Name;
        return action;
    }

    // The node whose record has FolderID.
    TFolderNode* Node(int32_t FolderID) const
    {
        TFolderNode* node = FolderModel()->FindNode(FolderID);
        EXPECT_NE(node, nullptr) << FolderID;
        return node;
    }
    TFolderNode* SelectedNode() const { return FolderModel()->NodeOf(Tree()->currentIndex()); }
    void SelectFolder(int32_t FolderID) const { Tree()->setCurrentIndex(FolderModel()->IndexOf(Node(FolderID))); }
    // The captions of Parent's children as shown, in order.
    QStringList ChildCaptions(int32_t ParentID) const
    {
        QStringList captions;
        for (const auto& child : Node(ParentID)->Children)
            captions << child->Caption;
        return captions;
    }
    // Sort codes of Parent's children in the store, in the store's order of sort codes.
    static std::vector<std::pair<std::string, int32_t>> StoredChildren(int32_t ParentID)
    {
        TZembraFolders folders;
        DbFileMgr.GetFolderList(ParentID, folders);
        std::stable_sort(folders.begin(), folders.end(),
                         [](const TZembraFolder& a, const TZembraFolder& b) { return a.SortCode < b.SortCode; });
        std::vector<std::pair<std::string, int32_t>> result;
        for (const auto& f : folders)
            result.emplace_back(f.Name, f.SortCode);
        return result;
    }

    // What the list shows in Column, row by row.
    QStringList ListColumn(int Column) const
    {
        QStringList texts;
        const QAbstractItemModel* model = List()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            texts << model->index(row, Column).data().toString();
        return texts;
    }
    std::vector<int> ListSelectedRows() const
    {
        std::vector<int> rows;
        for (const QModelIndex& index : List()->selectionModel()->selectedRows())
            rows.push_back(index.row());
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    void SelectListRows(std::initializer_list<int> Rows) const
    {
        QItemSelectionModel* selection = List()->selectionModel();
        selection->clearSelection();
        for (int row : Rows)
            selection->select(List()->model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        if (Rows.size() > 0)
            selection->setCurrentIndex(List()->model()->index(*Rows.begin(), 0), QItemSelectionModel::NoUpdate);
    }
    QString Status() const { return Child<QLabel>(FForm.get(), "StatusLabel")->text(); }

    uint32_t FClock = 1000000;
    std::unique_ptr<TMainForm> FForm;
};
