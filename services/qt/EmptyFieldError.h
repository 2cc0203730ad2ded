// The standard message for a required input left empty.
#pragma once

#include <QString>

class QWidget;

// Warns that FieldName is empty ("FieldName" 为空，请输入！), then puts the focus on Edit when one
// is given; with AbortAfter, ends the current command silently (raises EAbort).
void ShowEmptyFieldError(const QString& FieldName, QWidget* Edit, bool AbortAfter);
