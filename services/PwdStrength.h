// How hard a password is to guess: the entropy in bits that the zxcvbn estimator gives it (it
// knows common passwords, words, keyboard runs, repeats, sequences and dates), and one of five
// levels for people to read. The desktop program shows it under password fields; the
// command-line tool can use the same judgement.
#pragma once

#include <string>

enum TPwdStrengthLevel {
    psNone,       // no password
    psVeryWeak,   // below 28 bits: guessed online in little time
    psWeak,       // below 40 bits
    psFair,       // below 60 bits
    psStrong,     // below 80 bits
    psVeryStrong  // 80 bits and more
};

struct TPwdStrength {
    double Bits = 0;
    TPwdStrengthLevel Level = psNone;
};

// The estimate for a UTF-8 password; the estimator keeps nothing of it. Raises nothing.
TPwdStrength EstimatePwdStrength(const std::string& Password);

// The level for an entropy: psNone only for an empty password.
TPwdStrengthLevel PwdStrengthLevel(double Bits, bool Empty);

// The estimator's score 0 to 4 by the guesses an entropy stands for (2^Bits): below 10^3, 10^6,
// 10^8, 10^10 guesses, and above.
int PwdGuessScore(double Bits);

// The level's word: "很弱", "弱", "一般", "强", "很强"; "" for psNone.
const char* PwdStrengthWord(TPwdStrengthLevel Level);
