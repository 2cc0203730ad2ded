// A plain value that is overwritten with zeros when it goes out of scope, for blocks that hold
// passwords, answers or deciphered bytes. Never raises; any thread.
#pragma once

#include "dataproc/Wipe.h"

#include <type_traits>

template <class T>
struct TWipedValue {
    static_assert(std::is_trivially_copyable_v<T>);
    T Value{};

    TWipedValue() = default;
    TWipedValue(const TWipedValue&) = delete;
    TWipedValue& operator=(const TWipedValue&) = delete;
    ~TWipedValue() { SecureZero(&Value, sizeof(Value)); }
};
