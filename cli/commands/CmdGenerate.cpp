// generate [--length N | --min A --max B] [--kinds upper,lower,digit,space,symbol] [--count N]
#include "boxdata/ZembraTypes.h"
#include "cli/CliError.h"
#include "cli/CommandTable.h"
#include "cli/GeneratorOptions.h"
#include "services/GenPwd.h"

#include <iostream>
#include <memory>

namespace {

struct TGenerateOptions {
    int Length = 0;
    int Min = 0;
    int Max = 0;
    std::vector<std::string> Kinds;
    int Count = 1;
};

int RunGenerate(const TGenerateOptions& O, bool LengthGiven, bool RangeGiven)
{
    TPwdGenerator gen;
    if (!O.Kinds.empty())
        gen.SetCharKinds(ParseCharKinds(O.Kinds, "--kinds"));
    if (LengthGiven) {
        gen.SetLenMode(plFixed);
        gen.SetLenFixed(O.Length);
    } else if (RangeGiven) {
        if (O.Min > O.Max)
            RaiseUsage("--min must not be larger than --max");
        gen.SetLenMode(plRange);
        gen.SetLenRangeMax(O.Max);
        gen.SetLenRangeMin(O.Min);
    }
    for (int i = 0; i < O.Count; ++i) {
        TSecretString pwd(gen.Generate());
        std::cout << pwd.str() << '\n';
    }
    return ecSuccess;
}

} // namespace

void AddGenerateCommand(CLI::App& App, TCommandTable& Table)
{
    auto o = std::make_shared<TGenerateOptions>();
    CLI::App* c = App.add_subcommand("generate", "Print random passwords");
    auto* len = c->add_option("--length", o->Length, "Fixed length")->check(CLI::Range(1, 100));
    auto* mn = c->add_option("--min", o->Min, "Shortest length of a range")->check(CLI::Range(1, 100));
    auto* mx = c->add_option("--max", o->Max, "Longest length of a range")->check(CLI::Range(1, 100));
    mn->needs(mx);
    mx->needs(mn);
    len->excludes(mn);
    len->excludes(mx);
    c->add_option("--kinds", o->Kinds, "Character kinds, comma-separated: upper,lower,digit,space,symbol")
        ->delimiter(',');
    c->add_option("--count", o->Count, "How many passwords")->check(CLI::Range(1, 10000));
    c->footer("Default: upper, lower and digit, 5 to 8 characters, as the desktop program's generator.\n"
              "Each character is drawn independently from the chosen kinds with the system's cryptographic source.");
    Table.Add(c, [o, len, mn] { return RunGenerate(*o, len->count() > 0, mn->count() > 0); });
}
