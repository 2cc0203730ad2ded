// What the editor tests share: an open password box, a stand-in for the main window that stores
// new entries the way the main window does and records what the editors ask of it, and answers
// for the program's file dialogs.
#pragma once

#include "app/AppObjects.h"
#include "boxdata/DbFileMgr.h"
#include "gui/FileDialogAnswers.h"
#include "gui/ShellFixture.h"
#include "services/AppOptMgr.h"
#include "services/GenPwd.h"
#include "services/qt/WindowUtils.h"
#include "ui/dialogs/AttachList.h"
#include "ui/dialogs/EditorHost.h"

#include <QMainWindow>

class TTestMainForm : public QMainWindow, public TEditorHost {
public:
    TTestMainForm()
    {
        resize(500, 400);
        show();
        SetEditorHost(this);
    }
    ~TTestMainForm() override { SetEditorHost(nullptr); }

    // New entries go to the category folder of their kind, with the next sort code.
    bool AddNetItem(TZmbNetItem& Item) override
    {
        if (!Prepare(Item, ztNetItem, DbFileMgr.GetNetMaxSortCode(ztNetItem)))
            return false;
        DbFileMgr.AddNetItem(Item, Item.ID);
        return true;
    }
    bool AddBankItem(TZmbBankItem& Item) override
    {
        if (!Prepare(Item, ztBankItem, DbFileMgr.GetBankMaxSortCode(ztBankItem)))
            return false;
        DbFileMgr.AddBankItem(Item, Item.ID);
        return true;
    }
    bool AddCommItem(TZmbCommItem& Item, TAttachList& AttachList) override
    {
        if (!Prepare(Item, ztCommItem, DbFileMgr.GetCommMaxSortCode(ztCommItem)))
            return false;
        DbFileMgr.AddCommItem(Item, Item.ID);
        AttachList.AddToDb(Item.ID);
        return true;
    }
    bool StayOnTopChecked() const override { return FStayOnTop; }
    void SetStayOnTop(bool Value) override
    {
        FStayOnTop = Value;
        SetWindowTopmost(this, Value);
    }
    void SetTransparent(bool Value) override { setWindowOpacity(Value ? 0.0 : 1.0); }
    void ApplyOptions() override
    {
        ++ApplyCount;
        ApplyGenPwdOptions(AppOptionsMgr(), PwdGenerator());
    }

    bool FStayOnTop = false;
    bool Refuse = false;     // answer false to every addition
    bool RaiseOnAdd = false; // fail every addition with an error
    int ApplyCount = 0;
    int AddCount = 0;

private:
    template <typename TItem>
    bool Prepare(TItem& Item, TZembraType Kind, int32_t MaxSortCode)
    {
        if (RaiseOnAdd)
            throw Exception("磁盘已满");
        if (Refuse)
            return false;
        Item.FolderID = Kind;
        Item.SortCode = MaxSortCode + 10;
        Item.Deleted = false;
        ++AddCount;
        return true;
    }
};

class TEditorFixture : public TShellFixture {
protected:
    TEditorFixture()
    {
        FBox = NewBox("editors.zmb", "secret");
        DbFileMgr.OpenDatabase(FBox, "secret");
    }

    // Makes Form the active window, as a user's click does, so that its keyboard shortcuts work.
    static void MakeActive(QWidget* Form)
    {
        QApplication::setActiveWindow(Form);
        EXPECT_TRUE(QTest::qWaitForWindowActive(Form));
    }

    std::string FBox;
    TTestMainForm FMainForm;
    TFileDialogAnswers FFileDialogs;
};
