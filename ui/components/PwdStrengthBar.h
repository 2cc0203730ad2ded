// How strong a password is, under its field: a thin bar that fills and changes colour with the
// strength, and a short word ("很弱", "弱", "一般", "强", "很强") with the estimated entropy in bits
// as its tool tip. It follows an edit as the user types.
#pragma once

#include "services/PwdStrength.h"

#include <QWidget>

class QLabel;
class QLineEdit;

class TPwdStrengthBar : public QWidget {
    Q_OBJECT
public:
    explicit TPwdStrengthBar(QWidget* Parent = nullptr);

    // Shows the strength of Edit's text now and after every change of it.
    void Attach(QLineEdit* Edit);
    // Shows the strength of Password; the UTF-8 copy made for the estimate is wiped.
    void SetPassword(const QString& Password);

    TPwdStrengthLevel Level() const { return FStrength.Level; }
    double Bits() const { return FStrength.Bits; }
    // The word shown; "" for an empty password.
    QString Word() const;

    // The bar's colour for a level.
    static QColor LevelColour(TPwdStrengthLevel Level);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    QWidget* FBar;
    QLabel* FWordLabel;
    TPwdStrength FStrength;
};
