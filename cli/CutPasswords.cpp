#include "cli/CutPasswords.h"

#include "cli/Output.h"
#include "cli/transfer/TransferData.h"

namespace {

const std::string kPrefix = std::string(kLabelPassword) + ": ";

// Calls Body(line, ends with a line break) for every line of Text.
template <class TFn>
void ForEachLine(std::string_view Text, TFn&& Body)
{
    std::size_t pos = 0;
    while (pos < Text.size()) {
        const std::size_t end = Text.find('\n', pos);
        if (end == std::string_view::npos) {
            Body(Text.substr(pos), false);
            return;
        }
        Body(Text.substr(pos, end - pos), true);
        pos = end + 1;
    }
}

bool IsCutPassword(std::string_view Line)
{
    return Line.substr(0, kPrefix.size()) == kPrefix;
}

} // namespace

std::string MaskCutPasswords(std::string_view Comments)
{
    std::string out;
    out.reserve(Comments.size());
    ForEachLine(Comments, [&](std::string_view Line, bool Break) {
        if (IsCutPassword(Line)) {
            std::string_view value = Line.substr(kPrefix.size());
            const bool cr = !value.empty() && value.back() == '\r';
            if (cr)
                value.remove_suffix(1);
            out += kPrefix + MaskPassword(value) + (cr ? "\r" : "");
        } else {
            out += Line;
        }
        if (Break)
            out += '\n';
    });
    return out;
}

std::string WithoutCutPasswords(std::string_view Comments)
{
    std::string out;
    out.reserve(Comments.size());
    ForEachLine(Comments, [&](std::string_view Line, bool Break) {
        if (IsCutPassword(Line))
            return;
        out += Line;
        if (Break)
            out += '\n';
    });
    return out;
}

std::string ShownComments(std::string_view Comments, bool ShowPasswords)
{
    return ShowPasswords ? std::string(Comments) : MaskCutPasswords(Comments);
}
