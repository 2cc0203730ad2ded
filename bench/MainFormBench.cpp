// bench_mainform: the main window on a box of 10,000 web entries, offscreen, in one run: the box
// opened and its first folder shown, a folder of 5,000 entries selected, that list sorted by a
// column full of equal titles, a first search over the whole box with its results shown (the
// window reads every entry's texts then), and a second search for another text whose first hit
// lies in the folder shown; beside it, a search whose first hit lies in the other folder, which
// lists its 5,000 entries again (no target: that is the listing's figure). Each step
// is timed until the window has drawn the result; the figures are the median of several runs,
// beside the box's open time alone. Exits 1 when a step misses its target.
#include "app/AppObjects.h"
#include "app/SysDM.h"
#include "boxdata/DbFileMgr.h"
#include "services/AppOptMgr.h"
#include "ui/main/FolderTreeModel.h"
#include "ui/main/MainFrm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kEntries = 10000;
constexpr int kRuns = 5;
constexpr int32_t kWebCategory = 1;
constexpr int32_t kMailFolder = 4;
const char* const kPassword = "bench password";

// Half of the entries in the web category (the folder shown first), half in 电子邮件. Titles
// repeat every 100 entries, so sorting by title has many ties.
void MakeBox(const std::string& FileName)
{
    if (!DbFileMgr.CreateDatabase(FileName, kPassword, true, false, "", ""))
        std::exit(2);
    DbFileMgr.OpenDatabase(FileName, kPassword);
    DbFileMgr.BeginUpdate();
    for (int i = 0; i < kEntries; ++i) {
        TZmbNetItem item;
        item.FolderID = i % 2 == 0 ? kWebCategory : kMailFolder;
        item.Caption = "网站 " + std::to_string(i % 100);
        item.UserName = "user" + std::to_string(i) + "@example.com";
        item.Password = "pw-" + std::to_string(i * 7919 % 100003);
        item.Hyperlink = "https://www.example.com/login/" + std::to_string(i);
        item.Comments = "备注：第 " + std::to_string(i) + " 个账号，每年更换一次密码。";
        item.SortCode = (i / 2 + 1) * 10;
        int32_t id = 0;
        DbFileMgr.AddNetItem(item, id);
    }
    DbFileMgr.EndUpdate();
    DbFileMgr.CloseDatabase();
}

// Lets the window handle what waits and draw itself now.
void Settle(QWidget& Window)
{
    QCoreApplication::processEvents();
    Window.repaint();
    QCoreApplication::processEvents();
}

double Median(std::vector<double> Values)
{
    std::sort(Values.begin(), Values.end());
    return Values[Values.size() / 2];
}

struct TFigure {
    const char* What;
    std::vector<double> Ms;
    double Target; // 0: none
};

double TimeMs(const std::function<void()>& Step)
{
    QElapsedTimer timer;
    timer.start();
    Step();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const fs::path dir = fs::temp_directory_path() / ("zmb-bench-mainform-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string box = (dir / "bench.zmb").string();
    int status = 0;
    {
        TProcessObjects objects;
        AppOptionsMgr().SetFileName((dir / "Zembrix.ini").string());
        TSysDataModule dataModule;
        AppOptionsMgr().SetValues(AppOpt::BackupFolder, (dir / "Backup").string());
        MakeBox(box);

        TFigure open{"box opened alone (OpenDatabase)", {}, 0};
        TFigure shown{"first folder shown after the password is accepted (5,000 entries)", {}, 300};
        TFigure listed{"folder of 5,000 entries selected and listed", {}, 150};
        TFigure sorted{"that list sorted by title (50 titles, 100 entries each)", {}, 100};
        TFigure searched{"first search of the whole box, results shown", {}, 200};
        TFigure searchedAgain{"second search (another text), results shown", {}, 10};
        TFigure searchedElsewhere{"a search whose first hit lists the other folder", {}, 0};
        int hits = 0;
        for (int run = 0; run < kRuns; ++run) {
            open.Ms.push_back(TimeMs([&] { DbFileMgr.OpenDatabase(box, kPassword); }));
            DbFileMgr.CloseDatabase();

            std::unique_ptr<TMainForm> form;
            shown.Ms.push_back(TimeMs([&] {
                DbFileMgr.OpenDatabase(box, kPassword);
                form = std::make_unique<TMainForm>();
                form->show();
                Settle(*form);
            }));
            auto* tree = form->findChild<QTreeView*>(QStringLiteral("TreeView"));
            auto* list = form->findChild<QTreeView*>(QStringLiteral("ListView"));
            auto* model = static_cast<TFolderTreeModel*>(tree->model());
            if (list->model()->rowCount() != kEntries / 2) {
                std::fprintf(stderr, "the first folder lists %d entries\n", list->model()->rowCount());
                return 2;
            }
            listed.Ms.push_back(TimeMs([&] {
                tree->setCurrentIndex(model->IndexOf(model->FindNode(kMailFolder)));
                Settle(*form);
            }));
            sorted.Ms.push_back(TimeMs([&] {
                emit list->header()->sectionClicked(0);
                Settle(*form);
            }));
            auto* search = form->findChild<QLineEdit*>(QStringLiteral("SearchBox"));
            search->setText(QStringLiteral("user1"));
            searched.Ms.push_back(TimeMs([&] {
                emit search->returnPressed();
                Settle(*form);
            }));
            hits = form->findChild<QTreeView*>(QStringLiteral("SearchResultListView"))->model()->rowCount();
            search->setText(QStringLiteral("user3"));
            searchedAgain.Ms.push_back(TimeMs([&] {
                emit search->returnPressed();
                Settle(*form);
            }));
            const int hitsAgain =
                form->findChild<QTreeView*>(QStringLiteral("SearchResultListView"))->model()->rowCount();
            if (hitsAgain != hits) {
                std::fprintf(stderr, "the second search finds %d entries, the first %d\n", hitsAgain, hits);
                return 2;
            }
            search->setText(QStringLiteral("user2"));
            searchedElsewhere.Ms.push_back(TimeMs([&] {
                emit search->returnPressed();
                Settle(*form);
            }));
            form.reset();
            DbFileMgr.CloseDatabase();
        }

        std::printf("box: %d web entries (%d in the first folder, %d in another), %.1f MB, %d runs; "
                    "each search finds %d entries\n",
                    kEntries, kEntries / 2, kEntries / 2, static_cast<double>(fs::file_size(box)) / 1048576.0, kRuns,
                    hits);
        for (const TFigure* f : {&open, &shown, &listed, &sorted, &searched, &searchedAgain, &searchedElsewhere}) {
            const double median = Median(f->Ms);
            const double best = *std::min_element(f->Ms.begin(), f->Ms.end());
            std::printf("%-68s median %7.1f ms  best %7.1f ms", f->What, median, best);
            if (f->Target > 0) {
                const bool met = median <= f->Target;
                std::printf("  target <= %.0f ms: %s", f->Target, met ? "met" : "MISSED");
                if (!met)
                    status = 1;
            }
            std::printf("\n");
        }
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return status;
}
