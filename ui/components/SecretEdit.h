// A one-line edit for secrets (passwords, recovery answers). Masked with "*" when asked, kept
// out of input-method prediction, and its text overwritten in memory when it is cleared and when
// the edit goes away.
#pragma once

#include <QLineEdit>

#include <string>

class TSecretEdit : public QLineEdit {
    Q_OBJECT
public:
    // Masked from the start.
    explicit TSecretEdit(QWidget* Parent = nullptr, bool Masked = true);
    ~TSecretEdit() override;

    // Shows every character as "*" (true) or as typed.
    void SetMasked(bool Value);
    bool Masked() const { return echoMode() == QLineEdit::Password; }

    // Empties the edit and overwrites the characters it held.
    void Wipe();

    // The text as UTF-8 (the form the password box takes); the caller wipes it.
    std::string TextUtf8() const;
    // Whether the text equals Utf8 exactly, letter case included; no copy is left behind.
    bool TextEquals(const std::string& Utf8) const;
};

// Overwrites the characters of Text (when no other string shares them) and empties it.
void WipeQString(QString& Text);
