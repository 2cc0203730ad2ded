#include "storage/NorkError.h"


namespace {

std::string Substitute(const char* Text, std::string_view Arg)
{
    std::string out(Text);
    const std::size_t at = out.find('%');
    if (at != std::string::npos && at + 1 < out.size())
        out.replace(at, 2, Arg);
    return out;
}

} // namespace

std::string NorkFormat(const TNorkMessage& Msg, std::string_view Arg)
{
    return Substitute(Msg.Text, Arg);
}

std::string NorkFormat(const TNorkMessage& Msg, int64_t Arg)
{
    return Substitute(Msg.Text, std::to_string(Arg));
}

void RaiseNorkError(const TNorkMessage& Msg)
{
    throw ENorkError(Msg.Text);
}

void RaiseNorkError(const TNorkMessage& Msg, std::string_view Arg)
{
    throw ENorkError(NorkFormat(Msg, Arg));
}

void RaiseNorkError(const TNorkMessage& Msg, int64_t Arg)
{
    throw ENorkError(NorkFormat(Msg, Arg));
}

void RaiseFileCorrupt()
{
    throw ENorkFileCorrupt(SNorkFileCorrupt.Text);
}
