// The window used without a mouse and away from the screen: the manual behind F1, the toolbar
// reached by Tab, and "Copy image" at the screen's pixels or at a size of the user's.
#include "support/temp_config.h"
#include "ui/drawing_area.h"
#include "ui/manual_window.h"
#include "ui/qt_main_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>

namespace gravon {
namespace {

namespace fs = std::filesystem;

QString manual_folder() {
    return QDir(QCoreApplication::applicationDirPath()).filePath("manual");
}

void settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

// Every page of the manual beside the program: each link and picture it names exists, and each
// page can be reached from the contents.
TEST(Manual, EveryPageIsReachedAndEveryLinkAndPictureExists) {
    const QDir dir(manual_folder());
    ASSERT_TRUE(dir.exists("index.html")) << manual_folder().toStdString();
    const QRegularExpression ref(R"re((?:href|src)="([^"#:]+)(?:#[^"]*)?")re");
    std::set<QString> pages, linked = {"index.html"};
    std::string missing;
    for (const QString& page : dir.entryList({"*.html"})) {
        pages.insert(page);
        QFile f(dir.filePath(page));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(f.readAll());
        EXPECT_TRUE(html.contains("<h1>")) << page.toStdString() << " has no heading";
        for (auto m = ref.globalMatch(html); m.hasNext();) {
            const QString target = m.next().captured(1);
            if (!QFileInfo(dir.filePath(target)).isFile())
                missing += page.toStdString() + " -> " + target.toStdString() + "\n";
            if (target.endsWith(".html")) linked.insert(target);
        }
    }
    EXPECT_EQ(missing, "");
    EXPECT_EQ(linked, pages);
}

TEST(Manual, IsFoundBesideTheProgramOrInTheInstalledDocumentation) {
    testing::ttempconfig config;
    const fs::path prefix = config.root / "usr";
    fs::create_directories(prefix / "bin");
    const QString bin = QString::fromStdString((prefix / "bin").string());
    EXPECT_EQ(find_manual(bin), "");
    fs::create_directories(prefix / "share/doc/gravon/manual");
    std::ofstream(prefix / "share/doc/gravon/manual/index.html") << "<h1>x</h1>";
    EXPECT_EQ(find_manual(bin).toStdString(),
              (prefix / "share/doc/gravon/manual/index.html").string());
    EXPECT_EQ(find_manual(QCoreApplication::applicationDirPath()),
              QDir(manual_folder()).filePath("index.html"));
}

class WindowWithoutMouse : public ::testing::Test {
  protected:
    testing::ttempconfig config;
    TMainWindow w;
    std::vector<std::string> messages;

    void SetUp() override {
        w.userinterface().script.message = [this](const std::string& c, const std::string& t,
                                                  tmessagekind) {
            messages.push_back(c + ": " + t);
        };
        w.resize(900, 700);
        w.show();
        w.activate({});
        settle();
    }
};

TEST_F(WindowWithoutMouse, F1OpensTheManualAtItsContentsAndItsLinksLeadOn) {
    QTest::keyClick(&w, Qt::Key_F1);
    settle();
    auto* manual = w.findChild<TManualWindow*>();
    ASSERT_NE(manual, nullptr);
    EXPECT_TRUE(manual->isVisible());
    EXPECT_TRUE(messages.empty());
    QTextBrowser* b = manual->browser();
    EXPECT_EQ(b->documentTitle(), "Gravon manual");
    EXPECT_TRUE(b->toPlainText().contains("Recording a voice range profile"));
    b->setSource(QUrl("gestures.html"));
    EXPECT_TRUE(b->toPlainText().contains("Shift + left drag"));
    EXPECT_EQ(manual->windowTitle(), "Gravon manual: Keyboard and mouse");
}

TEST_F(WindowWithoutMouse, TabReachesTheToolbarWhoseButtonsShowTheFocusAndTakeReturn) {
    w.drawing_area()->view()->setFocus(Qt::TabFocusReason);
    QToolBar* bar = w.tool_bar();
    QToolButton* first = nullptr;
    for (int i = 0; i < 40 && first == nullptr; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (auto* b = qobject_cast<QToolButton*>(QApplication::focusWidget()))
            if (b->parentWidget() == bar) first = b;
    }
    ASSERT_NE(first, nullptr) << "Tab never reached the toolbar";
    // The ring: the focused button looks different from the same button without the focus.
    const QImage focused = first->grab().toImage();
    w.drawing_area()->view()->setFocus(Qt::TabFocusReason);
    settle();
    EXPECT_NE(first->grab().toImage(), focused);
    // Right steps to the next button; Return presses the statistics button.
    first->setFocus(Qt::TabFocusReason);
    QTest::keyClick(first, Qt::Key_Right);
    EXPECT_NE(QApplication::focusWidget(), first);
    auto* stats =
        qobject_cast<QToolButton*>(bar->widgetForAction(w.action(tactionid::showstatistics)));
    ASSERT_NE(stats, nullptr);
    bool shown = false;
    w.hooks.showstatistics = [&] { shown = true; };
    stats->setFocus(Qt::TabFocusReason);
    QTest::keyClick(stats, Qt::Key_Return);
    EXPECT_TRUE(shown);
}

TEST_F(WindowWithoutMouse, CopyImageIsAtTheScreensPixelsOrAtTheSizeAskedFor) {
    TDrawingArea* area = w.drawing_area();
    w.action(tactionid::copyimage)->trigger();
    EXPECT_EQ(QApplication::clipboard()->image().size(), area->pixel_size());

    // A picture twice the size is laid out as the window is: the view lands at twice the place
    // and is twice as large, because the text grows with it. The level axis is as wide as
    // its caption of a calibrated take; the digits alone are hinted too far apart at the two
    // sizes to scale within the margins below.
    for (tpg& pg : w.form().pgs) pg.distance = 0.3;
    const QImage two = area->picture(area->size() * 2);
    ASSERT_EQ(two.size(), area->size() * 2);
    tdrawingmodels one(area->fonts()), twice(scaled_fonts(area->fonts(), 2));
    layout_drawing_models(one, w.form(), area->size(), area->fonts().caption);
    layout_drawing_models(twice, w.form(), area->size() * 2,
                          scaled_fonts(area->fonts(), 2).caption);
    const auto& a = one.layout.view;
    const auto& b = twice.layout.view;
    EXPECT_NEAR(b.left, 2 * a.left, 0.1 * a.left); // the labels, hinted at each size
    EXPECT_NEAR(b.width(), 2 * a.width(), 0.02 * a.width());
    EXPECT_NEAR(b.height(), 2 * a.height(), 0.02 * a.height());

    QTimer::singleShot(0, [] {
        QWidget* d = QApplication::activeModalWidget();
        ASSERT_NE(d, nullptr);
        d->findChild<QSpinBox*>("imagewidth")->setValue(2400);
        QTest::keyClick(d, Qt::Key_Return);
    });
    w.action(tactionid::copyimageatsize)->trigger();
    const QImage asked = QApplication::clipboard()->image();
    EXPECT_EQ(asked.width(), 2400);
    // The window's proportions, unless the user unties them.
    EXPECT_NEAR(asked.height(), 2400.0 * area->height() / area->width(), 1.0);
}

} // namespace
} // namespace gravon
