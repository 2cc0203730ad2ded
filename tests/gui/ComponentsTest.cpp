// The balloon hint, the link label and the secret edit.
#include "gui/ShellFixture.h"
#include "services/Abort.h"
#include "ui/components/BalloonHint.h"
#include "ui/components/HyperLabel.h"
#include "ui/components/SecretEdit.h"

#include <QDialog>
#include <QSignalSpy>
#include <QVBoxLayout>

namespace {

class BalloonHintTest : public ::testing::Test {
protected:
    BalloonHintTest()
    {
        FForm.resize(300, 200);
        FAnchor = new QLineEdit(&FForm);
        FAnchor->setGeometry(40, 50, 120, 24);
        FBalloon = new TYarroBalloonHint(&FForm);
        FForm.move(100, 100);
        FForm.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&FForm));
    }

    QDialog FForm;
    QLineEdit* FAnchor;
    TYarroBalloonHint* FBalloon;
};

TEST_F(BalloonHintTest, StemTouchesTheMiddleOfTheAnchorsLowerEdge)
{
    FBalloon->ShowBalloon(FAnchor, "提示", biInfo, "第一行\r第二行", 0);
    ASSERT_TRUE(FBalloon->isVisible());
    const QPoint expected = FAnchor->mapToGlobal(QPoint(FAnchor->width() / 2, FAnchor->height()));
    EXPECT_LE((FBalloon->StemTip() - expected).manhattanLength(), 1);
    EXPECT_GT(FBalloon->geometry().right(), expected.x()) << "the balloon extends to the right of its stem";
    EXPECT_GE(FBalloon->y(), expected.y()) << "and hangs below it";
}

TEST_F(BalloonHintTest, HidesAfterItsTimeAndOnRequest)
{
    FBalloon->ShowBalloon(FAnchor, "提示", biWarning, "text", 150);
    EXPECT_TRUE(FBalloon->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([this] { return !FBalloon->isVisible(); }, 3000));

    FBalloon->ShowBalloon(FAnchor, "提示", biNone, "text", 0);
    FBalloon->HideBalloon();
    EXPECT_FALSE(FBalloon->isVisible());
}

TEST_F(BalloonHintTest, HidesWhenItsFormMovesHidesOrShrinksAwayFromTheAnchor)
{
    FBalloon->ShowBalloon(FAnchor, "h", biInfo, "t", 0);
    FForm.resize(280, 190); // the anchor point stays inside
    EXPECT_TRUE(FBalloon->isVisible());
    FForm.resize(100, 60); // it leaves the form
    EXPECT_FALSE(FBalloon->isVisible());

    FForm.resize(300, 200);
    FBalloon->ShowBalloon(FAnchor, "h", biInfo, "t", 0);
    FForm.move(150, 150);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !FBalloon->isVisible(); }, 3000));

    FBalloon->ShowBalloon(FAnchor, "h", biInfo, "t", 0);
    FForm.hide();
    EXPECT_FALSE(FBalloon->isVisible());
}

// An error no command caught: shown with the application title and the stop icon, and the
// program goes on; a silent abort shows nothing.
TEST(GeneralErrorDisplayTest, ShowsUncaughtErrorsAndIgnoresAborts)
{
    ASSERT_NE(dynamic_cast<TZembrixApplication*>(QCoreApplication::instance()), nullptr);
    TMessageRecorder messages;
    QPushButton button;
    QObject::connect(&button, &QPushButton::clicked, [] { throw std::runtime_error("Unable to write to /x/Zembrix.ini"); });
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton);
    ASSERT_EQ(messages.Texts(), QStringList{"Unable to write to /x/Zembrix.ini"});
    EXPECT_EQ(messages.Requests()[0].Icon, QMessageBox::Critical);
    EXPECT_EQ(messages.Requests()[0].Caption, "密码箱");

    QPushButton aborting;
    QObject::connect(&aborting, &QPushButton::clicked, [] { throw EAbort(); });
    aborting.show();
    QTest::mouseClick(&aborting, Qt::LeftButton);
    EXPECT_EQ(messages.Requests().size(), 1u);
}

TEST(HyperLabelTest, HotWhileTheMouseIsOverAndClicks)
{
    QWidget form;
    auto* label = new THyperLabel(&form);
    label->setText("https://www.example.org/");
    label->setGeometry(10, 10, 200, 20);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QSignalSpy clicks(label, &THyperLabel::Click);

    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::blue));
    EXPECT_FALSE(label->font().underline());
    QEnterEvent enter(QPointF(5, 5), QPointF(15, 15), QPointF(15, 15));
    QApplication::sendEvent(label, &enter);
    EXPECT_TRUE(label->Hot());
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_TRUE(label->font().underline());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(label, &leave);
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::blue));

    QTest::mouseClick(label, Qt::LeftButton);
    QTest::mouseClick(label, Qt::RightButton);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor);
}

TEST(SecretEditTest, KeptOutOfPredictionMaskedAndWiped)
{
    TSecretEdit edit;
    EXPECT_TRUE(edit.inputMethodHints().testFlag(Qt::ImhSensitiveData));
    EXPECT_TRUE(edit.inputMethodHints().testFlag(Qt::ImhNoPredictiveText));
    EXPECT_TRUE(edit.inputMethodHints().testFlag(Qt::ImhHiddenText));
    EXPECT_EQ(edit.echoMode(), QLineEdit::Password);
    QTest::keyClicks(&edit, "abc");
    EXPECT_EQ(edit.displayText(), "***");
    EXPECT_TRUE(edit.TextEquals("abc"));
    EXPECT_FALSE(edit.TextEquals("ABC"));
    edit.Wipe();
    EXPECT_EQ(edit.text(), "");
    edit.SetMasked(false);
    EXPECT_FALSE(edit.inputMethodHints().testFlag(Qt::ImhHiddenText));
    EXPECT_TRUE(edit.inputMethodHints().testFlag(Qt::ImhSensitiveData));
}

} // namespace
