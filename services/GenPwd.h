// Random passwords from a chosen set of character kinds, of a fixed length or a length drawn
// from a range. Every character is drawn independently and uniformly from the union of the
// chosen kinds (so a kind's share follows its size, and a chosen kind may not occur); the length
// is uniform over the range. Randomness comes from the operating system's cryptographic source.
#pragma once

#include <cstdint>
#include <string>

enum TGenPwdCharKind : uint8_t {
    pcUpperCase = 0, // A–Z
    pcLowerCase = 1, // a–z
    pcNumber = 2,    // 0–9
    pcSpace = 3,     // the space
    pcSpecial = 4    // the 31 punctuation characters of ASCII except the grave accent
};

// A set of kinds: bit n stands for kind n (the value of the option GenPwdCharKinds).
using TGenPwdCharKinds = uint8_t;

constexpr TGenPwdCharKinds CharKindBit(TGenPwdCharKind Kind) { return static_cast<TGenPwdCharKinds>(1u << Kind); }

enum TGenPwdLenMode { plFixed = 0, plRange = 1 };

// True when character c belongs to the class of Kind.
bool IsCharOfKind(char c, TGenPwdCharKind Kind);

class TPwdGenerator {
public:
    // Letters and digits, 5 to 8 characters.
    TPwdGenerator() = default;

    TGenPwdCharKinds CharKinds() const { return FCharKinds; }
    // Bits above the five kinds are dropped; a set with no kind left stores {pcUpperCase}.
    void SetCharKinds(TGenPwdCharKinds Value);
    TGenPwdLenMode LenMode() const { return FLenMode; }
    void SetLenMode(TGenPwdLenMode Value) { FLenMode = Value; }
    int LenRangeMin() const { return FLenRangeMin; }
    // Raises LenRangeMax to the new minimum when it is smaller.
    void SetLenRangeMin(int Value);
    int LenRangeMax() const { return FLenRangeMax; }
    // Lowers LenRangeMin to the new maximum when it is larger.
    void SetLenRangeMax(int Value);
    int LenFixed() const { return FLenFixed; }
    void SetLenFixed(int Value) { FLenFixed = Value; }

    // A new password of ASCII characters; empty when the length is 0 or less.
    std::string Generate() const;

private:
    TGenPwdCharKinds FCharKinds = CharKindBit(pcUpperCase) | CharKindBit(pcLowerCase) | CharKindBit(pcNumber);
    TGenPwdLenMode FLenMode = plRange;
    int FLenRangeMin = 5;
    int FLenRangeMax = 8;
    int FLenFixed = 6;
};
