// The process-wide objects of the desktop program. TProcessObjects creates them in a fixed order
// (password generator, file icons, application options) and releases them in the reverse order.
// The algorithm registries and the password box DbFileMgr are static objects of their libraries:
// they exist before these and outlive them, so the box is closed last.
#pragma once

#include <memory>

class TPwdGenerator;
class TSysImageList;
class TAppOptionsMgr;

class TProcessObjects {
public:
    // Raises std::logic_error when a set already exists.
    TProcessObjects();
    ~TProcessObjects();
    TProcessObjects(const TProcessObjects&) = delete;
    TProcessObjects& operator=(const TProcessObjects&) = delete;

private:
    std::unique_ptr<TPwdGenerator> FPwdGenerator;
    std::unique_ptr<TSysImageList> FSysImageList;
    std::unique_ptr<TAppOptionsMgr> FAppOptionsMgr;
};

// The one instance of each; raise std::logic_error while no TProcessObjects lives.
TPwdGenerator& PwdGenerator();
TSysImageList& SysImageList();
TAppOptionsMgr& AppOptionsMgr();
