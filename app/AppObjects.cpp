#include "app/AppObjects.h"

#include "services/AppOptMgr.h"
#include "services/GenPwd.h"
#include "services/qt/SysImgList.h"

#include <stdexcept>

namespace {

TProcessObjects* Current = nullptr;
TPwdGenerator* CurrentPwdGenerator = nullptr;
TSysImageList* CurrentSysImageList = nullptr;
TAppOptionsMgr* CurrentAppOptionsMgr = nullptr;

template <typename T>
T& Existing(T* Object, const char* Name)
{
    if (Object == nullptr)
        throw std::logic_error(std::string(Name) + " is used outside the program's lifetime");
    return *Object;
}

} // namespace

TProcessObjects::TProcessObjects()
{
    if (Current != nullptr)
        throw std::logic_error("The process-wide objects already exist");
    FPwdGenerator = std::make_unique<TPwdGenerator>();
    FSysImageList = std::make_unique<TSysImageList>();
    FAppOptionsMgr = std::make_unique<TAppOptionsMgr>();
    CurrentPwdGenerator = FPwdGenerator.get();
    CurrentSysImageList = FSysImageList.get();
    CurrentAppOptionsMgr = FAppOptionsMgr.get();
    Current = this;
}

TProcessObjects::~TProcessObjects()
{
    Current = nullptr;
    CurrentAppOptionsMgr = nullptr;
    FAppOptionsMgr.reset();
    CurrentSysImageList = nullptr;
    FSysImageList.reset();
    CurrentPwdGenerator = nullptr;
    FPwdGenerator.reset();
}

TPwdGenerator& PwdGenerator()
{
    return Existing(CurrentPwdGenerator, "PwdGenerator");
}

TSysImageList& SysImageList()
{
    return Existing(CurrentSysImageList, "SysImageList");
}

TAppOptionsMgr& AppOptionsMgr()
{
    return Existing(CurrentAppOptionsMgr, "AppOptionsMgr");
}
