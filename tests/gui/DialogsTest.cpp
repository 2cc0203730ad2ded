// Message boxes, the empty-field message, the folder picker.
#include "services/Abort.h"
#include "services/TempDir.h"
#include "services/qt/BrowseFolder.h"
#include "services/qt/EmptyFieldError.h"
#include "services/qt/MessageBox.h"
#include "gui/ModalHelpers.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <functional>

namespace {

TEST(MessageBoxTest, RealBoxCarriesTheTitleAndDefaultsToNo)
{
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool defaultIsNo = false;
    WhenModalShown([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        caption = box->windowTitle();
        text = box->text();
        icon = box->icon();
        defaultIsNo = box->defaultButton() == box->button(QMessageBox::No);
        QTest::keyClick(box, Qt::Key_Return); // the default button
    });
    EXPECT_FALSE(AskConfirmation(nullptr, "删除吗？"));
    EXPECT_EQ(caption, "密码箱");
    EXPECT_EQ(text, "删除吗？");
    EXPECT_EQ(icon, QMessageBox::Question);
    EXPECT_TRUE(defaultIsNo);

    WhenModalShown([](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(QMessageBox::Yes)->click(); });
    EXPECT_TRUE(AskConfirmation(nullptr, "删除吗？"));
}

class AnsweredBoxes : public ::testing::Test {
protected:
    AnsweredBoxes()
    {
        FPrevious = SetMessageBoxHandler([this](const TMessageBoxRequest& r) {
            FRequests.push_back(r);
            return QMessageBox::Ok;
        });
    }
    ~AnsweredBoxes() override { SetMessageBoxHandler(FPrevious); }

    std::vector<TMessageBoxRequest> FRequests;
    TMessageBoxHandler FPrevious;
};

TEST_F(AnsweredBoxes, IconsOfTheStandardMessages)
{
    ShowInformation(nullptr, "a");
    ShowWarning(nullptr, "b");
    ShowError(nullptr, "c");
    ASSERT_EQ(FRequests.size(), 3u);
    EXPECT_EQ(FRequests[0].Icon, QMessageBox::Information);
    EXPECT_EQ(FRequests[1].Icon, QMessageBox::Warning);
    EXPECT_EQ(FRequests[2].Icon, QMessageBox::Critical);
    for (const auto& r : FRequests) {
        EXPECT_EQ(r.Caption, "密码箱");
        EXPECT_EQ(r.Buttons, QMessageBox::Ok);
    }
}

TEST_F(AnsweredBoxes, EmptyFieldErrorWarnsFocusesAndMayAbort)
{
    QWidget form;
    auto* other = new QLineEdit(&form);
    auto* edit = new QLineEdit(&form);
    auto* layout = new QVBoxLayout(&form);
    layout->addWidget(other);
    layout->addWidget(edit);
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    other->setFocus();

    ShowEmptyFieldError("用户名", edit, false);
    ASSERT_EQ(FRequests.size(), 1u);
    EXPECT_EQ(FRequests[0].Text, "\"用户名\" 为空，请输入！");
    EXPECT_EQ(FRequests[0].Icon, QMessageBox::Warning);
    EXPECT_EQ(FRequests[0].Parent, &form);
    EXPECT_TRUE(edit->hasFocus());

    other->setFocus();
    EXPECT_THROW(ShowEmptyFieldError("密码", edit, true), EAbort);
    EXPECT_EQ(FRequests.size(), 2u);
    EXPECT_TRUE(edit->hasFocus());
    EXPECT_NO_THROW(ShowEmptyFieldError("x", nullptr, false));
}

class BrowseFolderTest : public ::testing::Test {
protected:
    BrowseFolderTest()
    {
        std::filesystem::create_directories(FDir.Path() / "root/inner");
        std::filesystem::create_directories(FDir.Path() / "outside");
    }
    QString Path(const std::string& Name) { return QString::fromStdString(FDir / Name); }

    TTempDir FDir;
};

TEST_F(BrowseFolderTest, ChoosingAndCancelling)
{
    QString title, startDir;
    WhenModalShown([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        startDir = dialog->directory().absolutePath();
        dialog->selectFile(Path("root/inner"));
        static_cast<QDialog*>(dialog)->accept(); // as the Choose button does
    });
    QString folder = Path("root");
    EXPECT_TRUE(BrowseForFolder(nullptr, "请选择备份文件夹", QString(), folder));
    EXPECT_EQ(title, "请选择备份文件夹");
    EXPECT_EQ(startDir, Path("root"));
    EXPECT_EQ(folder, Path("root/inner"));

    WhenModalShown([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_FALSE(BrowseForFolder(nullptr, "t", QString(), folder));
    EXPECT_EQ(folder, Path("root/inner"));
}

TEST_F(BrowseFolderTest, StaysInsideTheRoot)
{
    QString startDir, afterLeaving;
    WhenModalShown([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        startDir = dialog->directory().absolutePath();
        dialog->setDirectory(Path("outside"));
        emit dialog->directoryEntered(Path("outside")); // as when the user walks there
        afterLeaving = dialog->directory().absolutePath();
        dialog->reject();
    });
    QString folder = Path("outside");
    EXPECT_FALSE(BrowseForFolder(nullptr, "t", Path("root"), folder));
    EXPECT_EQ(startDir, Path("root"));
    EXPECT_EQ(afterLeaving, Path("root"));
    EXPECT_EQ(folder, Path("outside"));
}

} // namespace
