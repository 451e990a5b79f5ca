// The text-export dialog: its defaults, the parameter list, the checks before writing, and
// the written file.
#include "core/test_form.h"
#include "ui/text_export_dialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace gravon {
namespace {

using testing::ttestform;

// Answers the save dialog with a fixed name.
struct tsaveinterface : testing::trecordinginterface {
    std::string name;
    int asked = 0;
    std::string save_file_name(const std::string&, const std::string&,
                               const std::string&) override {
        ++asked;
        return name;
    }
};

struct TextExportDialog : ::testing::Test {
    testing::ttempconfig config;
    tsaveinterface ui;
    TForm1 form{ui};
    TForm11 dialog{form};

    TextExportDialog() {
        form.FormActivate({});
        dialog.FormShow();
    }
    template <typename T> T* child(const char* name) { return dialog.findChild<T*>(name); }
    std::string file() const { return (config.root / "files" / "export.txt").string(); }
};

TEST_F(TextExportDialog, DefaultsAndTheParameterListOfTheChosenPhonetogram) {
    const ttextexportchoices c = dialog.choices();
    EXPECT_EQ(c.pgno, -1);
    EXPECT_EQ(c.freqhead, freqheadmidi);
    EXPECT_EQ(c.colsep, colseptab);
    EXPECT_EQ(c.lomidiedit, "24");
    EXPECT_EQ(child<QListWidget>("channelschecklistbox")->count(), 0);
    child<QComboBox>("phonetogramscombo")->setCurrentIndex(0);
    const int n = child<QListWidget>("channelschecklistbox")->count();
    EXPECT_EQ(n, int(text_export_paramnames(form, 0).size()));
    // The recording's unnamed spare layer is neither shown nor ticked.
    auto* list = child<QListWidget>("channelschecklistbox");
    EXPECT_TRUE(list->item(int(pglayerspare))->isHidden());
    dialog.allbuttonClick();
    std::vector<bool> all(std::size_t(n), true);
    all[pglayerspare] = false;
    EXPECT_EQ(dialog.choices().checked, all);
    dialog.nonebuttonClick();
    EXPECT_EQ(dialog.choices().checked, std::vector<bool>(std::size_t(n), false));
}

TEST_F(TextExportDialog, ABadRangeStopsBeforeTheFileDialog) {
    child<QComboBox>("phonetogramscombo")->setCurrentIndex(0);
    child<QLineEdit>("himidiedit")->setText("top");
    EXPECT_FALSE(dialog.exportbuttonClick());
    EXPECT_EQ(ui.asked, 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "'top' is not a valid floating point value");
    EXPECT_EQ(dialog.focusWidget(), child<QLineEdit>("himidiedit"));
}

TEST_F(TextExportDialog, NothingIsWrittenWithoutAPhonetogramAParameterOrAFileName) {
    EXPECT_FALSE(dialog.exportbuttonClick());
    EXPECT_EQ(ui.asked, 0);
    // The defaults tick no parameter: said before the file is asked for.
    child<QComboBox>("phonetogramscombo")->setCurrentIndex(0);
    ui.name = file();
    EXPECT_FALSE(dialog.exportbuttonClick());
    EXPECT_EQ(ui.asked, 0);
    EXPECT_FALSE(std::filesystem::exists(file()));
    child<QListWidget>("channelschecklistbox")->item(0)->setCheckState(Qt::Checked);
    ui.name = "";
    EXPECT_FALSE(dialog.exportbuttonClick());
    EXPECT_EQ(ui.asked, 1);
    EXPECT_FALSE(std::filesystem::exists(file()));
}

TEST_F(TextExportDialog, WritesTheCheckedParameterWithTheChosenHeading) {
    dialog.show();
    child<QComboBox>("phonetogramscombo")->setCurrentIndex(0);
    child<QListWidget>("channelschecklistbox")->item(0)->setCheckState(Qt::Checked);
    child<QRadioButton>("freqheadradio2")->setChecked(true);
    ui.name = file();
    ASSERT_TRUE(dialog.exportbuttonClick());
    EXPECT_FALSE(dialog.isVisible());
    const std::string text = testing::read_text(file());
    EXPECT_EQ(text.rfind("---------\r\n", 0), 0u);
    EXPECT_NE(text.find("dB\\Note\tC1\t"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2 + 1 + 81);
}

TEST_F(TextExportDialog, VisibleRangeComesFromTheKeyboardAndTheLevelAxis) {
    form.advanced.lokey = 36;
    form.advanced.nkeys = 48;
    form.advanced.lolevel = 30.4;
    form.advanced.hilevel = 110.6;
    dialog.Button2Click();
    const ttextexportchoices c = dialog.choices();
    EXPECT_EQ(c.lomidiedit, "36");
    EXPECT_EQ(c.himidiedit, "83");
    EXPECT_EQ(c.loleveledit, "30");
    EXPECT_EQ(c.hileveledit, "111");
}

} // namespace
} // namespace gravon
