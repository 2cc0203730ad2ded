// The about box: the program's name and version, its maker, release date, e-mail address and
// home page (both links).
#pragma once

#include "app/BaseFrm.h"

class QLabel;
class QPushButton;
class THyperLabel;
class TSvgImage;

class TAboutForm : public TBaseForm {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* Parent = nullptr);

private:
    void EmailHyperLabelClick();
    void WebsiteHyperLabelClick();

    TSvgImage* LogoImage;
    QLabel* SoftNameLabel;
    QLabel* VersionLabel;
    THyperLabel* EmailHyperLabel;
    THyperLabel* WebsiteHyperLabel;
    QPushButton* OkButton;
};

// Runs the about box. Raises nothing of its own.
void ShowAboutForm();
