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

// The product as the about box and the help menu show it.
inline constexpr const char* kProductName = "Zembrix";
inline constexpr const char* kProductVersion = "1.6.6";
inline constexpr const char* kProductMaker = "Zembrix 开发组";
inline constexpr const char* kProductReleaseDate = "2026-12-10";
inline constexpr const char* kProductEmail = "zembrix@example.org";
inline constexpr const char* kProductWebsite = "https://www.example.org/zembrix/";
