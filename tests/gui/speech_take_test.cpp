// A speech take: the session details offer the reading passage with the task, and the window
// shows the passage large while the take records.
#include "core/reading_passages.h"
#include "support/temp_config.h"
#include "ui/main_actions.h"
#include "ui/qt_main_window.h"
#include "ui/session_dialog.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

namespace gravon {
namespace {

using enum tactionid;

TEST(SpeechTake, ThePassageIsShownWhileASpeechTakeRecords) {
    testing::ttempconfig config;
    TMainWindow w;
    std::string task = "Speech";
    std::vector<std::string> messages;
    w.userinterface().script.message = [&](const std::string& c, const std::string& t,
                                           tmessagekind) { messages.push_back(c + ": " + t); };
    w.userinterface().script.question = [](const std::string&, const std::string&, tbuttons) {
        return tanswer::no;
    };
    w.userinterface().script.session = [&](tsessionrecord& r, bool) {
        r.task = task;
        return true;
    };
    w.activate({});
    auto* panel = w.findChild<QLabel*>("readingpanel");
    ASSERT_NE(panel, nullptr);
    const auto take = [&](const std::string& t) {
        task = t;
        w.action(record)->trigger();
        EXPECT_TRUE(w.form().recording());
        const bool shown = !panel->isHidden();
        const std::string text = panel->text().toStdString();
        w.action(stop)->trigger();
        EXPECT_TRUE(panel->isHidden()) << t << ": hidden once the take stops";
        w.action(newrecording)->trigger();
        return shown ? text : std::string("(hidden)");
    };
    // The program's first passage until the user chooses another; then the user's own.
    EXPECT_EQ(take("Speech"), reading_passages().front().text);
    w.form().options.readingpassage = "Der Nordwind und die Sonne stritten sich.";
    EXPECT_EQ(take("speech profile"), "Der Nordwind und die Sonne stritten sich.");
    EXPECT_EQ(take("Singing profile"), "(hidden)");
    EXPECT_EQ(take(""), "(hidden)");
    EXPECT_TRUE(messages.empty()) << messages.front();
}

TEST(SpeechTake, TheSessionDetailsOfferThePassageWithASpeechTask) {
    TSessionDialog d;
    auto* box = d.findChild<QPlainTextEdit*>("session_passage");
    auto* choice = d.findChild<QComboBox*>("session_passagechoice");
    auto* task = d.findChild<QComboBox*>("session_task");
    ASSERT_TRUE(box && choice && task);
    tsessionrecord r;
    r.task = "Singing profile";
    d.set_record(r, true);
    d.set_passage("");
    EXPECT_FALSE(box->isVisibleTo(&d)) << "no passage for a singing task";
    task->setCurrentText("Speech");
    EXPECT_TRUE(box->isVisibleTo(&d));
    // The program's first passage is the default, kept as no choice at all.
    EXPECT_EQ(box->toPlainText().toStdString(), reading_passages().front().text);
    EXPECT_EQ(d.passage(), "");
    emit choice->activated(1);
    EXPECT_EQ(d.passage(), reading_passages()[1].text);
    emit choice->activated(choice->count() - 1); // "Your own text": an empty page to type on
    EXPECT_EQ(d.passage(), "");
    box->setPlainText("  Ett eget stycke.\n");
    EXPECT_EQ(d.passage(), "Ett eget stycke.");
    // A passage of the user's is shown as theirs when the dialog opens again.
    TSessionDialog again;
    again.set_record(d.record(), false);
    again.set_passage(d.passage());
    EXPECT_EQ(again.findChild<QComboBox*>("session_passagechoice")->currentText(), "Your own text");
    EXPECT_EQ(again.passage(), "Ett eget stycke.");
}

} // namespace
} // namespace gravon
