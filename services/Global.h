// The application's fixed names: shown to the user, written to files or handed to the desktop.
#pragma once

// Caption of every message box and the application title.
inline constexpr const char* kAppTitle = "密码箱";
// The program's name towards the desktop: the desktop entry, icon and per-user folders.
inline constexpr const char* kAppName = "Zembrix";
inline constexpr const char* kOptionsFileName = "Zembrix.ini";
// Password-box files.
inline constexpr const char* kBoxFileExt = ".zmb";
inline constexpr const char* kBoxFileTypeId = "ZembrixFile";
inline constexpr const char* kBoxFileDescription = "密码箱文件";
