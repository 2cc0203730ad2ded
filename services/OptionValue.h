// One option's value: empty, a 32-bit integer, a Boolean or a text, with the text form that the
// options file stores and the conversions that readers apply.
#pragma once

#include "dataproc/Exception.h"

#include <cstdint>
#include <string>
#include <variant>

enum TOptionKind { okEmpty, okInteger, okBoolean, okText };

// A value could not be read as the kind its reader asked for.
class EOptionConvertError : public Exception {
public:
    using Exception::Exception;
};

class TOptionValue {
public:
    TOptionValue() = default;
    TOptionValue(int32_t Value) : FData(Value) {}
    TOptionValue(bool Value) : FData(Value) {}
    TOptionValue(std::string Value) : FData(std::move(Value)) {}
    TOptionValue(const char* Value) : FData(std::string(Value)) {}

    TOptionKind Kind() const { return static_cast<TOptionKind>(FData.index()); }
    bool IsEmpty() const { return Kind() == okEmpty; }

    // File form: "" for empty, decimal for integers, "True"/"False" for Booleans, text as it is.
    std::string ToText() const;
    // Empty gives 0; text must be a decimal integer (blanks around it allowed) within 32 bits.
    // Raises EOptionConvertError otherwise.
    int32_t ToInteger() const;
    // Empty gives false, integers are true when not 0; text must be "True" or "False" in any
    // case, or a decimal integer. Raises EOptionConvertError otherwise.
    bool ToBoolean() const;

    // Two values are the same when their file forms are: a value loaded as the text "15" equals
    // the integer 15, so writing back what a reader converted does not mark the option modified.
    bool SameAs(const TOptionValue& Other) const { return ToText() == Other.ToText(); }

    // Same kind and same content.
    bool operator==(const TOptionValue& Other) const { return FData == Other.FData; }

private:
    std::variant<std::monostate, int32_t, bool, std::string> FData;
};
