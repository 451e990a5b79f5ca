// The options dialog over a headless main window: apply order and failures, cancel, reset,
// and the grid of additional targets.
#include "core/test_form.h"
#include "ui/options_dialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <filesystem>
#include <gtest/gtest.h>

namespace gravon {
namespace {

using testing::ttestform;

struct OptionsDialog : ::testing::Test {
    ttestform t;
    TForm5 dialog{t.form};

    OptionsDialog() { dialog.FormShow(); }
    template <typename T> T* child(const char* name) {
        T* w = dialog.findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QLineEdit* edit(const char* name) { return child<QLineEdit>(name); }
    QTableWidget* grid() { return child<QTableWidget>("targetsgrid"); }
    QString cell(int row, int col) { return grid()->item(row, col)->text(); }
};

TEST_F(OptionsDialog, ApplyCopiesEveryPageAndMovesTheTargetToTheDefault) {
    t.form.set_f0target(300.0); // a dragged target
    child<QCheckBox>("showphonetogram0")->setChecked(false);
    child<QCheckBox>("showstatsr")->setChecked(true);
    edit("slopeedit")->setText("-9.5");
    edit("npartialsedit")->setText("12");
    edit("f0targetedit")->setText("220");
    edit("noiseleveledit")->setText("-30");
    ASSERT_TRUE(dialog.apply_options());
    const toptions& o = t.form.options;
    EXPECT_FALSE(t.form.pgs[0].visible);
    EXPECT_TRUE(o.showstatsr);
    EXPECT_EQ(o.keyboardslope, -9.5);
    EXPECT_EQ(o.keyboardnpartials, 12);
    EXPECT_EQ(o.defaultf0target, 220.0);
    EXPECT_EQ(o.f0target, 220.0);
    EXPECT_EQ(o.noiselevel, -30.0);
    EXPECT_TRUE(t.ui.messages.empty());
}

TEST_F(OptionsDialog, AFieldThatIsNotANumberStopsTheApplyThere) {
    child<QCheckBox>("showlegend")->setChecked(false);
    edit("slopeedit")->setText("-9.5");
    edit("keyboardleveledit")->setText("loud");
    edit("noiseleveledit")->setText("-30");
    EXPECT_FALSE(dialog.apply_options());
    ASSERT_EQ(t.ui.messages.size(), 1u);
    EXPECT_EQ(t.ui.messages[0].text, "'loud' is not a valid floating point value");
    EXPECT_EQ(dialog.focusWidget(), edit("keyboardleveledit"));
    // The fields before it are taken over, those after it are not.
    EXPECT_FALSE(t.form.options.showlegend);
    EXPECT_EQ(t.form.options.keyboardslope, -9.5);
    EXPECT_EQ(t.form.options.noiselevel, -20.0);

    // "&Ok" leaves the dialog open; the number of harmonics wants an integer.
    dialog.show(); // shows the fields again
    edit("npartialsedit")->setText("2.5");
    dialog.ok();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(t.ui.messages.back().text, "'2.5' is not a valid integer value");
    dialog.cancel();
}

TEST_F(OptionsDialog, ABadGridCellStopsTheApplyAtThatCell) {
    grid()->item(2, 2)->setText("x");
    EXPECT_FALSE(dialog.apply_options());
    EXPECT_EQ(grid()->currentRow(), 2);
    EXPECT_EQ(grid()->currentColumn(), 2);
    EXPECT_EQ(t.ui.messages.back().text, "'x' is not a valid floating point value");
    // Targets before the cell are read; the noise page after it is not.
    EXPECT_EQ(t.form.options.targets.size(), 4u);
    EXPECT_EQ(t.form.options.targets[2].f0, 220.0);
}

TEST_F(OptionsDialog, CancelLeavesTheFieldsAndTheNextShowingShowsThemAgain) {
    edit("slopeedit")->setText("1");
    child<QCheckBox>("showlegend")->setChecked(false);
    dialog.cancel();
    EXPECT_EQ(t.form.options.keyboardslope, -6.0);
    dialog.FormShow();
    EXPECT_EQ(edit("slopeedit")->text(), "-6");
    EXPECT_TRUE(child<QCheckBox>("showlegend")->isChecked());
}

TEST_F(OptionsDialog, ResetAsksAndResetsAtOnceOnlyOnOk) {
    t.form.options.keyboardslope = 3.0;
    t.ui.answer = tanswer::cancel;
    dialog.reset_all_options();
    ASSERT_EQ(t.ui.questions.size(), 1u);
    EXPECT_EQ(t.ui.questions[0], "Do you want to reset ALL options to default?");
    EXPECT_EQ(t.form.options.keyboardslope, 3.0);
    t.ui.answer = tanswer::ok;
    dialog.reset_all_options();
    EXPECT_EQ(t.form.options.keyboardslope, -6.0);
    EXPECT_EQ(edit("slopeedit")->text(), "-6");
}

TEST_F(OptionsDialog, ApplyAndSaveWritesTheOptionsFileOnlyOnceTheApplyWentThrough) {
    const std::filesystem::path file = t.config.identity_folder() / "GravonSettings.qubfile";
    std::filesystem::remove(file);
    auto* applysave = child<QPushButton>("applysavebutton");
    edit("slopeedit")->setText("steep");
    applysave->click();
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(t.ui.messages.back().text, "'steep' is not a valid floating point value");
    edit("slopeedit")->setText("-9.5");
    applysave->click();
    ASSERT_TRUE(std::filesystem::exists(file));
    t.form.options.keyboardslope = 0.0;
    t.form.open_settings("", false);
    EXPECT_EQ(t.form.options.keyboardslope, -9.5);
}

TEST_F(OptionsDialog, TargetGridButtons) {
    auto* del = child<QPushButton>("deletetargetbutton");
    auto* up = child<QPushButton>("targetupbutton");
    auto* down = child<QPushButton>("targetdownbutton");
    ASSERT_EQ(grid()->rowCount(), 4);
    EXPECT_EQ(cell(0, 1), "110");
    EXPECT_EQ(cell(0, 2), "70");

    // Row 1 is current: it cannot move up.
    EXPECT_EQ(del->text(), "Delete target 1");
    EXPECT_FALSE(up->isEnabled());
    EXPECT_TRUE(down->isEnabled());
    dialog.target_up();
    EXPECT_EQ(cell(0, 2), "70");

    // Down swaps the values, not the numbers, and follows the row.
    dialog.target_down();
    EXPECT_EQ(cell(0, 2), "80");
    EXPECT_EQ(cell(1, 2), "70");
    EXPECT_EQ(cell(1, 0), "2");
    EXPECT_EQ(up->text(), "Move target 2 up");
    EXPECT_EQ(down->text(), "Move target 2 down");

    // Delete on a middle row renumbers the rest.
    dialog.delete_target();
    ASSERT_EQ(grid()->rowCount(), 3);
    EXPECT_EQ(cell(1, 0), "2");
    EXPECT_EQ(cell(1, 1), "220");
    EXPECT_EQ(cell(2, 0), "3");

    // Add takes the default-position edits and keeps the current row; the last row cannot
    // move down.
    edit("f0targetedit")->setText("440");
    dialog.add_target();
    ASSERT_EQ(grid()->rowCount(), 4);
    EXPECT_EQ(cell(3, 0), "4");
    EXPECT_EQ(cell(3, 1), "440");
    EXPECT_EQ(grid()->currentRow(), 1);
    grid()->setCurrentCell(3, 1);
    EXPECT_FALSE(down->isEnabled());
    dialog.delete_target();
    EXPECT_EQ(grid()->currentRow(), 2); // the new last

    // An empty grid leaves nothing selected and an empty list.
    while (grid()->rowCount() > 0) dialog.delete_target();
    EXPECT_EQ(del->text(), "Delete target");
    EXPECT_FALSE(del->isEnabled());
    EXPECT_EQ(up->text(), "Move target");
    ASSERT_TRUE(dialog.apply_options());
    EXPECT_TRUE(t.form.options.targets.empty());
}

} // namespace
} // namespace gravon
