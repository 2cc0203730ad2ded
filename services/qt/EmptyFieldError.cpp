#include "services/qt/EmptyFieldError.h"

#include "services/Abort.h"
#include "services/qt/MessageBox.h"

#include <QWidget>

void ShowEmptyFieldError(const QString& FieldName, QWidget* Edit, bool AbortAfter)
{
    ShowMessageBox(Edit != nullptr ? Edit->window() : nullptr,
                   QStringLiteral("\"") + FieldName + QStringLiteral("\" 为空，请输入！"), QMessageBox::Warning);
    if (Edit != nullptr)
        Edit->setFocus(Qt::OtherFocusReason);
    if (AbortAfter)
        throw EAbort();
}
