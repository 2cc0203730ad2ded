// A picture drawn from an SVG drawing (a resource of the program or a file), stretched over the
// whole widget and drawn afresh at every size and scaling, so it is never blurred.
#pragma once

#include <QWidget>

class QSvgRenderer;

class TSvgImage : public QWidget {
    Q_OBJECT
public:
    TSvgImage(const QString& FileName, QWidget* Parent = nullptr);

    void SetFileName(const QString& FileName);
    // False when the drawing could not be read.
    bool Valid() const;

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    QSvgRenderer* FRenderer;
};
