// A balloon-shaped hint for a control: a header with an icon, a text, and a stem whose tip sits
// at the middle of the control's lower edge. The balloon hangs below the tip and extends to the
// right of it, its stem pointing up and to the left; near a screen edge it moves so that it
// stays on the screen. It hides itself after its time, on request, and when its form closes or
// hides, moves, or is resized so that the tip leaves the form.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

class QTimer;

enum TBalloonIconKind { biNone, biInfo, biWarning, biError };

class TYarroBalloonHint : public QWidget {
    Q_OBJECT
public:
    // Form: the window whose controls the balloon points at; the balloon goes with it.
    explicit TYarroBalloonHint(QWidget* Form);

    // Shows the balloon at Anchor for VisibleTime milliseconds (0: until hidden). A "\r" in
    // Text breaks the line.
    void ShowBalloon(QWidget* Anchor, const QString& Header, TBalloonIconKind Icon, const QString& Text,
                     int VisibleTime);
    void HideBalloon();

    QString Header() const { return FHeader; }
    QString Text() const { return FText; }
    TBalloonIconKind IconKind() const { return FIcon; }
    QWidget* Anchor() const { return FAnchor; }
    // The stem's tip, in global coordinates.
    QPoint StemTip() const;

protected:
    void paintEvent(QPaintEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    // The global point the stem touches: the middle of the anchor's lower edge.
    QPoint AnchorPoint() const;
    void Place();
    QSize BodySize() const;

    QWidget* FForm;
    QPointer<QWidget> FAnchor;
    QTimer* FTimer;
    QString FHeader;
    QString FText;
    TBalloonIconKind FIcon = biNone;
    int FStemX = 0;           // the tip's distance from the balloon's left edge
    bool FStemDown = false;   // true when the balloon had to go above its anchor
};
