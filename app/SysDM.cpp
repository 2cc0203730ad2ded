#include "app/SysDM.h"

#include "app/AppObjects.h"
#include "app/Application.h"
#include "boxdata/DbFileMgr.h"
#include "services/AppOptMgr.h"
#include "services/qt/MessageBox.h"

#include <QApplication>
#include <stdexcept>

TSysDataModule* SysDataModule = nullptr;

TSysDataModule::TSysDataModule()
{
    if (SysDataModule != nullptr)
        throw std::logic_error("The data module already exists");
    AppOptionsMgr().Load();
    DbFileMgr.SetMessageProc([](const std::string& Text) {
        ShowMessageBox(QApplication::activeWindow(), QString::fromStdString(Text), QMessageBox::NoIcon);
    });
    SysDataModule = this;
}

TSysDataModule::~TSysDataModule()
{
    SysDataModule = nullptr;
    DbFileMgr.SetMessageProc(nullptr);
    try {
        AppOptionsMgr().Save();
    } catch (const std::exception& e) {
        ShowException(e);
    }
}

TImageCollection& SharedImages()
{
    if (SysDataModule == nullptr)
        throw std::logic_error("The shared images are used without a data module");
    return SysDataModule->ImageCollection();
}
