// analyze FILE [--json] [--hibp LIST]; estimate [PASSWORD]
#include "cli/BoxSession.h"
#include "cli/BreachList.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/EntryRef.h"
#include "cli/EntryView.h"
#include "cli/FolderTree.h"
#include "cli/Output.h"
#include "cli/PasswordInput.h"
#include "services/PwdStrength.h"

#include <cmath>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>

namespace {

struct TAnalyzeOptions {
    std::string File;
    std::string Hibp;
    bool Json = false;
};

// One entry with a password, as the checks see it.
struct TPasswordEntry {
    TEntryRef Ref;
    int32_t FolderID = 0;
    std::string Title; // a bank entry's bank
    std::string User;  // a bank entry's holder
    TSecretString Password;
};

std::vector<TPasswordEntry> PasswordEntries(TDbFileMgr& Box, const TFolderTree& Tree)
{
    std::vector<TPasswordEntry> out;
    std::vector<int32_t> folders = Tree.AllFolders();
    folders.insert(folders.begin(), TFolderTree::kRootID);
    for (int32_t folder : folders) {
        TZmbNetItems web;
        Box.GetNetItemList(folder, false, web);
        SortBySortCode(web);
        for (const TZmbNetItem& i : web)
            out.push_back({{ztNetItem, i.ID}, folder, i.Caption, i.UserName, i.Password});
        TZmbBankItems bank;
        Box.GetBankItemList(folder, false, bank);
        SortBySortCode(bank);
        for (const TZmbBankItem& i : bank)
            out.push_back({{ztBankItem, i.ID}, folder, i.BankName, i.UserName, i.Password});
    }
    return out;
}

std::string Lower(std::string S)
{
    for (char& c : S)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return S;
}

// "about 10^12" for people; the estimator's guesses are 2^Bits.
std::string GuessesText(double Bits)
{
    return "about 10^" + std::to_string(static_cast<int>(std::floor(Bits * 0.30102999566398120)));
}

// What is wrong with each entry's password, in the order of the checks.
struct TFinding {
    TJson Json;
    std::string Text;
};

int RunAnalyze(const TAnalyzeOptions& O)
{
    std::unique_ptr<TBreachList> breaches;
    if (!O.Hibp.empty())
        breaches = std::make_unique<TBreachList>(O.Hibp); // refused before the password is asked
    TBoxSession session(O.File, opRead);
    const TFolderTree tree(session.Box());
    const std::vector<TPasswordEntry> entries = PasswordEntries(session.Box(), tree);

    std::map<std::string, std::vector<std::size_t>> byPassword;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (!entries[i].Password.str().empty())
            byPassword[entries[i].Password.str()].push_back(i);

    TJson all = TJson::array();
    std::ostringstream text;
    std::size_t flagged = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TPasswordEntry& e = entries[i];
        const std::string& pwd = e.Password.str();
        std::vector<TFinding> found;
        if (pwd.empty()) {
            found.push_back({{{"check", "empty"}}, "empty password"});
        } else {
            const TPwdStrength s = EstimatePwdStrength(pwd);
            if (s.Level <= psWeak) {
                const int score = PwdGuessScore(s.Bits);
                found.push_back({{{"check", "weak"}, {"score", score}, {"bits", std::round(s.Bits * 10) / 10},
                                  {"guesses_log10", std::floor(s.Bits * 0.30102999566398120)}},
                                 "weak (score " + std::to_string(score) + "/4, " + GuessesText(s.Bits) + " guesses)"});
            }
            const std::vector<std::size_t>& same = byPassword[pwd];
            if (same.size() > 1) {
                TJson with = TJson::array();
                std::string names;
                for (std::size_t j : same)
                    if (j != i) {
                        const std::string ref = FormatEntryRef(entries[j].Ref.Kind, entries[j].Ref.ID);
                        with.push_back(ref);
                        names += (names.empty() ? "" : ", ") + ref;
                    }
                found.push_back({{{"check", "reused"}, {"with", with}}, "reused in " + names});
            }
            if (!e.User.empty() && Lower(pwd) == Lower(e.User))
                found.push_back({{{"check", "same-as-user"}}, "the same as the user name"});
            if (!e.Title.empty() && Lower(pwd) == Lower(e.Title))
                found.push_back({{{"check", "same-as-title"}}, "the same as the title"});
            if (breaches) {
                if (const std::optional<int64_t> count = breaches->Count(pwd))
                    found.push_back({{{"check", "breached"}, {"count", *count}},
                                     "in the breached list " + Counted(static_cast<std::size_t>(*count), "time", "times")});
            }
        }
        if (found.empty())
            continue;
        ++flagged;
        const std::string ref = FormatEntryRef(e.Ref.Kind, e.Ref.ID);
        TJson j{{"ref", ref}, {"title", e.Title}, {"folder", FolderRefJson(tree, e.FolderID)}, {"problems", TJson::array()}};
        text << ref << ' ' << OneLine(tree.PathOf(e.FolderID) + "/" + e.Title) << ": ";
        for (std::size_t k = 0; k < found.size(); ++k) {
            j["problems"].push_back(found[k].Json);
            text << (k ? "; " : "") << found[k].Text;
        }
        text << '\n';
        all.push_back(j);
    }
    if (O.Json) {
        PrintJson(std::cout, all);
    } else {
        std::cout << text.str();
        std::cout << Counted(entries.size(), "password", "passwords") << " checked, "
                  << Counted(flagged, "entry needs", "entries need") << " a better one\n";
    }
    return flagged == 0 ? ecSuccess : ecRejected;
}

struct TEstimateOptions {
    std::string Password;
};

int RunEstimate(TEstimateOptions& O, bool Given)
{
    TSecretString password;
    if (Given) {
        std::cerr << "zembrix-cli: warning: a password on the command line is visible to every user in the process "
                     "list and stays in the shell history; leave it out to be asked for it\n";
        password = TSecretString(O.Password);
    } else {
        std::optional<TSecretString> typed = ReadSecretLine("Password to estimate: ");
        if (!typed)
            RaiseUsage("no password given (standard input has ended)");
        password = std::move(*typed);
    }
    const TPwdStrength s = EstimatePwdStrength(password.str());
    if (s.Level == psNone) {
        std::cout << "Strength: none (the password is empty)\n";
        return ecSuccess;
    }
    static const char* const kWords[] = {"", "very weak", "weak", "fair", "strong", "very strong"};
    std::cout << "Strength: " << kWords[s.Level] << " (" << PwdStrengthWord(s.Level) << "), score "
              << PwdGuessScore(s.Bits) << "/4, " << std::round(s.Bits * 10) / 10 << " bits, " << GuessesText(s.Bits)
              << " guesses\n";
    return ecSuccess;
}

} // namespace

void AddAnalyzeCommands(CLI::App& App, TCommandTable& Table)
{
    {
        auto o = std::make_shared<TAnalyzeOptions>();
        CLI::App* c = App.add_subcommand("analyze", "List entries whose passwords are weak, reused, empty or breached");
        c->add_option("FILE", o->File, "The box")->required();
        c->add_option("--hibp", o->Hibp,
                      "Also look every password up in this local list of SHA-1 hashes of breached passwords "
                      "(\"HASH:COUNT\" lines ordered by hash), searched in place");
        c->add_flag("--json", o->Json, "Print JSON");
        c->footer("Weak: below 40 bits by the zxcvbn estimator (score and guesses shown). Also flagged: a password\n"
                  "used by several entries, an empty one, one equal to the user name or the title (a bank entry's\n"
                  "holder or bank). Passwords are never printed. Exit 0 when nothing is found, 1 when something is.");
        Table.Add(c, [o] { return RunAnalyze(*o); }, &o->File);
    }
    {
        auto o = std::make_shared<TEstimateOptions>();
        CLI::App* c = App.add_subcommand("estimate", "Estimate how hard a password is to guess");
        CLI::Option* p = c->add_option("PASSWORD", o->Password,
                                       "The password (better left out: it is then asked without echo, or read "
                                       "from the first line of standard input)");
        Table.Add(c, [o, p] { return RunEstimate(*o, p->count() > 0); });
    }
}
