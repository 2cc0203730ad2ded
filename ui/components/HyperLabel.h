// A text label that acts as a link: blue, red and underlined while the mouse is over it, a hand
// cursor, and a click event.
#pragma once

#include <QLabel>

class THyperLabel : public QLabel {
    Q_OBJECT
public:
    explicit THyperLabel(QWidget* Parent = nullptr);

    bool Hot() const { return FHot; }

signals:
    // A click with the left button released over the label.
    void Click();

protected:
    void enterEvent(QEnterEvent* Event) override;
    void leaveEvent(QEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;

private:
    void SetHot(bool Value);

    bool FHot = false;
    bool FPressed = false;
};
