// The generator options the tool takes (generate, and add/edit --generate): character kinds by
// name, and the generator as the options file configures it.
#pragma once

#include "services/GenPwd.h"

#include <string>
#include <vector>

// "upper", "lower", "digit", "space", "symbol"; raises a usage error naming Option for another.
TGenPwdCharKinds ParseCharKinds(const std::vector<std::string>& Names, const std::string& Option);

// A generator set up as the desktop program's: from the options file when it can be read, else
// with the generator's defaults.
TPwdGenerator ConfiguredGenerator();
