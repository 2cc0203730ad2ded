#include "cli/ShellDocs.h"

#include "cli/ToolRun.h"

#include <ostream>
#include <vector>

namespace {

std::vector<CLI::App*> Subcommands(CLI::App* App)
{
    return App->get_subcommands([](CLI::App*) { return true; });
}

// Every command in the order the help lists them, with its path of names ("add web").
void Walk(CLI::App* App, const std::string& Path, std::vector<std::pair<std::string, CLI::App*>>& Out)
{
    for (CLI::App* sub : Subcommands(App)) {
        const std::string path = Path.empty() ? sub->get_name() : Path + " " + sub->get_name();
        Out.emplace_back(path, sub);
        Walk(sub, path, Out);
    }
}

std::vector<std::string> OptionNames(const CLI::App* App)
{
    std::vector<std::string> names;
    for (const CLI::Option* o : App->get_options()) {
        for (const std::string& s : o->get_snames())
            names.push_back("-" + s);
        for (const std::string& l : o->get_lnames())
            names.push_back("--" + l);
    }
    return names;
}

std::string Joined(const std::vector<std::string>& Words)
{
    std::string out;
    for (const std::string& w : Words)
        out += (out.empty() ? "" : " ") + w;
    return out;
}

// Text for roff: backslashes doubled, hyphens as minus signs, no line starting with a control
// character.
std::string Roff(const std::string& Text)
{
    std::string out;
    bool lineStart = true;
    for (char c : Text) {
        if (lineStart && (c == '.' || c == '\''))
            out += "\\&";
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
        lineStart = c == '\n';
    }
    return out;
}

// "FILE [FOLDER] [options]" of a command.
std::string Synopsis(const CLI::App* App)
{
    std::string out;
    for (const CLI::Option* o : App->get_options()) {
        if (!o->get_positional())
            continue;
        std::string name = o->get_name();
        if (o->get_items_expected_max() > 1)
            name += "...";
        out += " " + (o->get_required() ? name : "[" + name + "]");
    }
    return out;
}

} // namespace

void PrintBashCompletion(std::ostream& Out, CLI::App& App)
{
    std::vector<std::pair<std::string, CLI::App*>> commands;
    Walk(&App, "", commands);

    Out << "# bash completion for zembrix-cli; written by `zembrix-cli --complete`.\n"
           "_zembrix_cli()\n{\n"
           "    local cur=${COMP_WORDS[COMP_CWORD]} path= word i\n"
           "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
           "        word=${COMP_WORDS[i]}\n"
           "        case \"${path:+$path }$word\" in\n";
    for (const auto& [path, app] : commands)
        Out << "        \"" << path << "\") path=\"${path:+$path }$word\" ;;\n";
    Out << "        esac\n"
           "    done\n"
           "    local words=\n"
           "    case \"$path\" in\n";
    auto subNames = [](CLI::App* A) {
        std::vector<std::string> names;
        for (CLI::App* s : Subcommands(A))
            names.push_back(s->get_name());
        return names;
    };
    std::vector<std::string> top = subNames(&App);
    top.push_back("help");
    Out << "    \"\") words=\"" << Joined(top) << " --help --version\" ;;\n";
    for (const auto& [path, app] : commands) {
        const std::vector<std::string> subs = subNames(app);
        if (!subs.empty())
            Out << "    \"" << path << "\") words=\"" << Joined(subs) << " --help\" ;;\n";
        else
            Out << "    \"" << path << "\") [[ $cur == -* ]] && words=\"" << Joined(OptionNames(app)) << "\" ;;\n";
    }
    Out << "    esac\n"
           "    # Nothing to offer: bash completes file names (complete -o default).\n"
           "    COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
           "}\n"
           "complete -o default -F _zembrix_cli zembrix-cli\n";
}

void PrintManPage(std::ostream& Out, CLI::App& App, const std::string& Version)
{
    std::vector<std::pair<std::string, CLI::App*>> commands;
    Walk(&App, "", commands);

    Out << ".TH ZEMBRIX\\-CLI 1 \"\" \"" << Roff(Version) << "\" \"User Commands\"\n"
        << ".SH NAME\nzembrix\\-cli \\- the Zembrix password box from the command line\n"
        << ".SH SYNOPSIS\n.B zembrix\\-cli\n.I COMMAND\n[\\fIARGUMENTS\\fR] [\\fIOPTIONS\\fR]\n.br\n"
        << ".B zembrix\\-cli help\n[\\fICOMMAND\\fR]\n.br\n.B zembrix\\-cli \\-\\-version\n"
        << ".SH DESCRIPTION\n"
        << Roff("Works on a password box (.zmb) through the same data layer as the desktop program. The login "
                "password is read from the terminal without echo, or from the first line of standard input when "
                "that is not a terminal; passwords never need to appear on the command line. Entries are named "
                "KIND:ID (web, bank or note), by a path of folder names and title such as "
                "\"<网上信息>/电子邮件/工作邮箱\", or by a unique title. `zembrix-cli open FILE` asks for the password "
                "once and reads commands without FILE.")
        << "\n.SH COMMANDS\n";
    for (const auto& [path, app] : commands) {
        if (!Subcommands(app).empty())
            continue;
        Out << ".TP\n\\fBzembrix\\-cli " << Roff(path) << "\\fR" << Roff(Synopsis(app)) << "\n";
        Out << Roff(app->get_description()) << "\n";
        for (const CLI::Option* o : app->get_options()) {
            if (o->get_positional() || o == app->get_help_ptr())
                continue;
            std::string names;
            for (const std::string& s : o->get_snames())
                names += (names.empty() ? "-" : ", -") + s;
            for (const std::string& l : o->get_lnames())
                names += (names.empty() ? "--" : ", --") + l;
            if (o->get_items_expected_max() > 0)
                names += " " + (o->get_type_name().empty() ? std::string("VALUE") : o->get_type_name());
            Out << ".RS\n.TP\n.B " << Roff(names) << "\n" << Roff(o->get_description()) << "\n.RE\n";
        }
    }
    Out << ".SH EXIT STATUS\n" << Roff(kExitCodesHelp) << "\n"
        << ".SH FILES\n" << Roff("Zembrix.ini beside the program (or in ~/.config/Zembrix): AutoLockMinutes sets the idle "
                                 "time after which an open session asks for the password again.")
        << "\n";
}
