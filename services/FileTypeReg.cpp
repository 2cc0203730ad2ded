#include "services/FileTypeReg.h"

#include "dataproc/Exception.h"
#include "dataproc/FileReplacement.h"
#include "services/AppFolders.h"
#include "services/RunCommand.h"

#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool HasControlChar(const std::string& s)
{
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7F)
            return true;
    return false;
}

std::string XmlEscape(const std::string& s)
{
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
    return out;
}

// A desktop entry string value: backslashes doubled, nothing else needs escaping on one line.
std::string DesktopEscape(const std::string& s)
{
    std::string out;
    for (char c : s) {
        if (c == '\\')
            out += "\\\\";
        else
            out += c;
    }
    return out;
}

// One Exec argument: quoted, with ", `, $ and \ escaped inside the quotes and % doubled; the
// whole then escaped once more as a string value.
std::string ExecArgument(const std::string& s)
{
    std::string quoted = "\"";
    for (char c : s) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        if (c == '%')
            quoted += '%';
        quoted += c;
    }
    quoted += '"';
    return DesktopEscape(quoted);
}

// Replaces the file whole, so a reader never sees half of it; others may read it.
bool WriteFileAtomically(const fs::path& Target, const std::string& Content)
{
    TReplaceOptions options;
    options.NewMode = 0644;
    try {
        ReplaceFile(Target.string(), Content.data(), static_cast<int64_t>(Content.size()), options);
    } catch (const EFileError&) {
        return false;
    }
    return true;
}

} // namespace

std::string FileTypeMimeType(const std::string& ProgID)
{
    return "application/x-" + Lower(ProgID);
}

bool RegisterFileType(const std::string& Ext, const std::string& ProgID, const std::string& AppName,
                      const std::string& Description, int /*IconIndex*/, bool Notify)
{
    const std::string program = ProgramPath();
    if (Ext.size() < 2 || Ext[0] != '.' || ProgID.empty() || AppName.empty() || program.empty() ||
        HasControlChar(Ext + ProgID + AppName + Description + program) ||
        Ext.find_first_of("/*?[]") != std::string::npos || ProgID.find('/') != std::string::npos ||
        AppName.find('/') != std::string::npos)
        return false;

    const std::string mimeType = FileTypeMimeType(ProgID);
    const std::string iconName = Lower(AppName);
    const std::string desktopId = Lower(AppName) + ".desktop";
    const fs::path data = DataHome();
    const fs::path mimeFolder = data / "mime";
    const fs::path packages = mimeFolder / "packages";
    const fs::path applications = data / "applications";

    std::error_code ec;
    fs::create_directories(packages, ec);
    if (ec)
        return false;
    fs::create_directories(applications, ec);
    if (ec)
        return false;

    const std::string mimeXml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"" + XmlEscape(mimeType) + "\">\n"
        "    <comment>" + XmlEscape(Description) + "</comment>\n"
        "    <icon name=\"" + XmlEscape(iconName) + "\"/>\n"
        "    <glob pattern=\"*" + XmlEscape(Ext) + "\"/>\n"
        "  </mime-type>\n"
        "</mime-info>\n";
    if (!WriteFileAtomically(packages / (Lower(ProgID) + ".xml"), mimeXml))
        return false;

    const std::string desktopEntry =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=" + DesktopEscape(AppName) + "\n"
        "Comment=" + DesktopEscape(Description) + "\n"
        "Exec=" + ExecArgument(program) + " %f\n"
        "Icon=" + DesktopEscape(iconName) + "\n"
        "Terminal=false\n"
        "MimeType=" + mimeType + ";\n";
    if (!WriteFileAtomically(applications / desktopId, desktopEntry))
        return false;

    if (RunCommand({"update-mime-database", mimeFolder.string()}) != 0)
        return false;
    if (RunCommand({"xdg-mime", "default", desktopId, mimeType}) != 0)
        return false;
    if (Notify && FindInPath("update-desktop-database") &&
        RunCommand({"update-desktop-database", "-q", applications.string()}) != 0)
        return false;
    return true;
}
