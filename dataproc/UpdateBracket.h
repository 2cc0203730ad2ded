// The one way to bracket updates: BeginUpdate on construction, and on leaving the scope
// EndUpdate, or CancelUpdate when an error is passing through (which takes back what the
// bracket wrote). Works on anything with that trio: a database, a table, the password box, an
// options store's accessor. Threads: its target's.
#pragma once

#include <exception>

template <class T>
class TUpdateBracket {
public:
    // Raises what Target.BeginUpdate raises.
    explicit TUpdateBracket(T& Target) : FTarget(Target) { FTarget.BeginUpdate(); }
    // EndUpdate's error (a failed flush, after which the change was taken back) passes on,
    // unless another error is already on its way out.
    ~TUpdateBracket() noexcept(false)
    {
        if (std::uncaught_exceptions() > FUncaught)
            FTarget.CancelUpdate();
        else
            FTarget.EndUpdate();
    }
    TUpdateBracket(const TUpdateBracket&) = delete;
    TUpdateBracket& operator=(const TUpdateBracket&) = delete;

private:
    T& FTarget;
    int FUncaught = std::uncaught_exceptions();
};
