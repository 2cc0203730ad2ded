#include "ui/components/SecretEdit.h"

#include "dataproc/Wipe.h"

TSecretEdit::TSecretEdit(QWidget* Parent, bool Masked) : QLineEdit(Parent)
{
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
    // The echo mode resets the input-method hints, so they are set after it.
    setEchoMode(Value ? QLineEdit::Password : QLineEdit::Normal);
    Qt::InputMethodHints hints = Qt::ImhSensitiveData | Qt::ImhNoPredictiveText | Qt::ImhNoAutoUppercase;
    if (Value)
        hints |= Qt::ImhHiddenText;
    setInputMethodHints(hints);
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
