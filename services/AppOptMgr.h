// The application's one options store: "Zembrix.ini", section "Options", with the options the
// program reads and their defaults. Values come back from the file as text; use the store's
// ReadInteger / ReadBoolean / ReadText, which convert and name the option when they cannot.
#pragma once

#include "services/OptionsMgr.h"

class TPwdGenerator;

// Option names, in the order InitItems adds them.
namespace AppOpt {
inline constexpr const char* AutoOpenMode = "AutoOpenMode";
inline constexpr const char* AutoOpenThisFile = "AutoOpenThisFile";
inline constexpr const char* SaveWinSize = "SaveWinSize";
inline constexpr const char* EscToMin = "EscToMin";
inline constexpr const char* CreateBackup = "CreateBackup";
inline constexpr const char* BackupFolder = "BackupFolder";
inline constexpr const char* MaxBackupSize = "MaxBackupSize";
inline constexpr const char* MinLock = "MinLock";
inline constexpr const char* MaskPassword = "MaskPassword";
inline constexpr const char* ClearClipboard = "ClearClipboard";
inline constexpr const char* AutoLock = "AutoLock";
inline constexpr const char* AutoLockMinutes = "AutoLockMinutes";
inline constexpr const char* GenPwdCharKinds = "GenPwdCharKinds";
inline constexpr const char* GenPwdLenMode = "GenPwdLenMode";
inline constexpr const char* GenPwdLenRangeMin = "GenPwdLenRangeMin";
inline constexpr const char* GenPwdLenRangeMax = "GenPwdLenRangeMax";
inline constexpr const char* GenPwdLenFixed = "GenPwdLenFixed";
inline constexpr const char* LastFile = "LastFile";
inline constexpr const char* ShowNotice = "ShowNotice";
inline constexpr const char* PromptMinToTray = "PromptMinToTray";
inline constexpr const char* WinLeft = "WinLeft";
inline constexpr const char* WinTop = "WinTop";
inline constexpr const char* WinRight = "WinRight";
inline constexpr const char* WinBottom = "WinBottom";
inline constexpr const char* ContentWidth = "ContentWidth";
} // namespace AppOpt

// AutoOpenMode values: which file the login proposes when none is given on the command line.
enum TAutoOpenMode { aoThisFile = 0, aoLastFile = 1, aoNone = 2 };

class TAppOptionsMgr : public TOptionsManager {
public:
    // FileName: the program's folder + "Zembrix.ini" when that folder is writable, else
    // $XDG_CONFIG_HOME/Zembrix/Zembrix.ini.
    TAppOptionsMgr();

protected:
    // Clears the store and adds the 25 options with their defaults, none modified.
    void InitItems() override;
};

// Configures Generator from the options GenPwdCharKinds, GenPwdLenMode, GenPwdLenRangeMin,
// GenPwdLenRangeMax and GenPwdLenFixed, in that order (so a minimum above the maximum ends with
// both at the maximum). Raises EOptionConvertError for a value that is not a number.
void ApplyGenPwdOptions(const TOptionsManager& Options, TPwdGenerator& Generator);
