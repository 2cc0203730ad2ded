#include "services/AppOptMgr.h"

#include "services/AppFolders.h"
#include "services/GenPwd.h"
#include "services/IniOptAccessor.h"

TAppOptionsMgr::TAppOptionsMgr()
{
    SetAccessorClass(&TIniOptAccessor::Create);
    SetFileName(AppOptionsFileName(ProgramFolder()));
}

void TAppOptionsMgr::InitItems()
{
    using namespace AppOpt;
    Clear();
    Add(AutoOpenMode, int32_t{aoLastFile});
    Add(AutoOpenThisFile, "");
    Add(SaveWinSize, false);
    Add(EscToMin, true);
    Add(CreateBackup, true);
    Add(BackupFolder, "");
    Add(MaxBackupSize, int32_t{10});
    Add(MinLock, true);
    Add(MaskPassword, true);
    Add(ClearClipboard, true);
    Add(AutoLock, false);
    Add(AutoLockMinutes, int32_t{15});
    Add(GenPwdCharKinds, int32_t{7});
    Add(GenPwdLenMode, int32_t{1});
    Add(GenPwdLenRangeMin, int32_t{5});
    Add(GenPwdLenRangeMax, int32_t{8});
    Add(GenPwdLenFixed, int32_t{6});
    Add(LastFile, "");
    Add(ShowNotice, true);
    Add(PromptMinToTray, true);
    Add(WinLeft, int32_t{0});
    Add(WinTop, int32_t{0});
    Add(WinRight, int32_t{0});
    Add(WinBottom, int32_t{0});
    Add(ContentWidth, int32_t{0});
}

void ApplyGenPwdOptions(const TOptionsManager& Options, TPwdGenerator& Generator)
{
    using namespace AppOpt;
    Generator.SetCharKinds(static_cast<TGenPwdCharKinds>(Options.ReadInteger(GenPwdCharKinds)));
    Generator.SetLenMode(Options.ReadInteger(GenPwdLenMode) == plFixed ? plFixed : plRange);
    Generator.SetLenRangeMin(Options.ReadInteger(GenPwdLenRangeMin));
    Generator.SetLenRangeMax(Options.ReadInteger(GenPwdLenRangeMax));
    Generator.SetLenFixed(Options.ReadInteger(GenPwdLenFixed));
}
