// Makes the desktop know a kind of file and open it with this program, the freedesktop way and
// for the current user only: a MIME type for "*<Ext>" in $XDG_DATA_HOME/mime/packages, a desktop
// entry <AppName> in $XDG_DATA_HOME/applications whose command passes the file as its first
// argument, then update-mime-database and xdg-mime default.
#pragma once

#include <string>

// The MIME type registered for ProgID: "application/x-" + ProgID in lower case.
std::string FileTypeMimeType(const std::string& ProgID);

// True when every step succeeded; false when any failed (files written before stay). With
// Notify, also refreshes the desktop's cache of applications per type when the tool for it is
// installed. IconIndex has no meaning here: the icon is the theme icon named after the program.
bool RegisterFileType(const std::string& Ext, const std::string& ProgID, const std::string& AppName,
                      const std::string& Description, int IconIndex, bool Notify);
