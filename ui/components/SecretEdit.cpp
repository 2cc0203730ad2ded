#include "ui/components/SecretEdit.h"

#include "dataproc/Wipe.h"

TSecretEdit::TSecretEdit(QWidget* Parent, bool Masked) : QLineEdit(Parent)
{
    setInputMethodHints(Qt::ImhSensitiveData | Qt::ImhNoPredictiveText | Qt::ImhNoAutoUppercase);
    // The mask character is a style hint; "*" is what every dialog of the program shows.
    setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    SetMasked(Masked);
}

TSecretEdit::~TSecretEdit()
{
    Wipe();
}

void TSecretEdit::SetMasked(bool Value)
{
    setEchoMode(Value ? QLineEdit::Password : QLineEdit::Normal);
    if (Value)
        setInputMethodHints(inputMethodHints() | Qt::ImhHiddenText);
    else
        setInputMethodHints(inputMethodHints() & ~Qt::ImhHiddenText);
}

void TSecretEdit::Wipe()
{
    // Hold the edit's buffer, let the edit drop it, then overwrite it while this copy is its
    // only owner.
    QString held = text();
    clear();
    WipeQString(held);
}

std::string TSecretEdit::TextUtf8() const
{
    QByteArray bytes = text().toUtf8();
    std::string result(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    SecureZero(bytes.data(), static_cast<std::size_t>(bytes.size()));
    return result;
}

bool TSecretEdit::TextEquals(const std::string& Utf8) const
{
    std::string typed = TextUtf8();
    const bool equal = typed == Utf8;
    WipeString(typed);
    return equal;
}

void WipeQString(QString& Text)
{
    if (Text.isEmpty())
        return;
    if (!Text.isDetached()) {
        Text.clear();
        return;
    }
    SecureZero(Text.data(), static_cast<std::size_t>(Text.size()) * sizeof(QChar));
    Text.clear();
}
