#include "cli/GeneratorOptions.h"

#include "cli/CliError.h"
#include "services/AppOptMgr.h"

TGenPwdCharKinds ParseCharKinds(const std::vector<std::string>& Names, const std::string& Option)
{
    TGenPwdCharKinds kinds = 0;
    for (const std::string& name : Names) {
        if (name == "upper")
            kinds |= CharKindBit(pcUpperCase);
        else if (name == "lower")
            kinds |= CharKindBit(pcLowerCase);
        else if (name == "digit")
            kinds |= CharKindBit(pcNumber);
        else if (name == "space")
            kinds |= CharKindBit(pcSpace);
        else if (name == "symbol")
            kinds |= CharKindBit(pcSpecial);
        else
            RaiseUsage(Option + ": unknown kind '" + name + "' (upper, lower, digit, space, symbol)");
    }
    return kinds;
}

TPwdGenerator ConfiguredGenerator()
{
    TPwdGenerator gen;
    try {
        TAppOptionsMgr options;
        options.Load();
        ApplyGenPwdOptions(options, gen);
    } catch (const std::exception&) {
        // An options file that cannot be read leaves the defaults, as in the desktop program.
        gen = TPwdGenerator();
    }
    return gen;
}
