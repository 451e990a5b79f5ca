#include "ui/parameter_editors.h"

#include "ui/qt_text.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace gravon {

TParameterEditor::TParameterEditor(tadvancedpage& page, std::function<void()> changed,
                                   const char* name, QWidget* parent)
    : QDialog(parent), fpage(page), fchanged(std::move(changed)) {
    setObjectName(name);
    nameedit = new QLineEdit;
    nameedit->setObjectName("nameedit");
}

void TParameterEditor::add_buttons(QGridLayout* grid, int row, int columns,
                                   const char* cancelcaption) {
    auto* okbutton = new QPushButton("&Ok");
    okbutton->setObjectName("okbutton");
    okbutton->setDefault(true);
    auto* cancelbutton = new QPushButton(cancelcaption);
    cancelbutton->setObjectName("cancelbutton");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okbutton);
    buttons->addWidget(cancelbutton);
    grid->addLayout(buttons, row, 0, 1, columns);
    connect(okbutton, &QPushButton::clicked, this, &TParameterEditor::ok);
    connect(cancelbutton, &QPushButton::clicked, this, &TParameterEditor::cancel);
}

void TParameterEditor::stored(std::size_t n) {
    if (isadding) {
        paramno = std::int32_t(n) - 1;
        isadding = false;
    }
    if (fchanged) fchanged();
    close();
}

void TParameterEditor::cancel() {
    close();
}

TForm9::TForm9(tadvancedpage& page, std::function<void()> changed, QWidget* parent)
    : TParameterEditor(page, std::move(changed), "Form9", parent) {
    displaycombo = new QComboBox;
    displaycombo->setObjectName("displaycombo");
    auto* g = new QGridLayout(this);
    g->addWidget(new QLabel("stdpg parameter name"), 0, 0);
    g->addWidget(new QLabel("Map to display parameter"), 0, 2);
    g->addWidget(nameedit, 1, 0);
    g->addWidget(new QLabel("->"), 1, 1);
    g->addWidget(displaycombo, 1, 2);
    add_buttons(g, 2, 3, "Cancel");
}

void TForm9::list_display_names(int selected) {
    displaycombo->clear();
    for (const tdisplayparam& d : fpage.displayparams) displaycombo->addItem(qtext(d.name));
    displaycombo->setCurrentIndex(selected < displaycombo->count() ? selected : -1);
}

void TForm9::add_stdpg_parameter() {
    setWindowTitle("Add stdpg parameter");
    list_display_names(0);
    nameedit->clear();
    isadding = true;
    show();
}

void TForm9::edit_stdpg_parameter(int n) {
    setWindowTitle("Edit stdpg parameter");
    if (n < 0 || n >= int(fpage.stdpgparams.size())) return;
    paramno = n;
    const tstdpgparam& m = fpage.stdpgparams[std::size_t(n)];
    list_display_names(m.displaymapping);
    nameedit->setText(qtext(m.name));
    isadding = false;
    show();
}

void TForm9::ok() {
    const std::string name = stdtext(nameedit->text());
    if (!store_mapping(fpage, isadding ? -1 : paramno, name, displaycombo->currentIndex())) return;
    stored(fpage.stdpgparams.size());
}

TForm10::TForm10(tadvancedpage& page, std::function<void()> changed, QWidget* parent)
    : TParameterEditor(page, std::move(changed), "Form10", parent) {
    unitedit = new QLineEdit;
    unitedit->setObjectName("unitedit");
    auto* g = new QGridLayout(this);
    g->addWidget(new QLabel("Display name"), 0, 0);
    g->addWidget(nameedit, 0, 1);
    g->addWidget(new QLabel("Unit"), 1, 0);
    g->addWidget(unitedit, 1, 1);
    add_buttons(g, 2, 2, "&Cancel");
}

void TForm10::add_displayable_parameter() {
    setWindowTitle("Add displayable parameter");
    nameedit->clear();
    unitedit->clear();
    isadding = true;
    show();
}

void TForm10::edit_displayable_parameter(int n) {
    setWindowTitle("Edit displayable parameter");
    if (n < 0 || n >= int(fpage.displayparams.size())) return;
    paramno = n;
    nameedit->setText(qtext(fpage.displayparams[std::size_t(n)].name));
    unitedit->setText(qtext(fpage.displayparams[std::size_t(n)].axisunit));
    isadding = false;
    show();
}

void TForm10::ok() {
    if (!store_display(fpage, isadding ? -1 : paramno, stdtext(nameedit->text()),
                       stdtext(unitedit->text())))
        return;
    stored(fpage.displayparams.size());
}

} // namespace gravon
