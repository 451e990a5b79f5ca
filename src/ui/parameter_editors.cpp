#include "ui/parameter_editors.h"

#include "ui/qt_text.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace gravon {

namespace {

QHBoxLayout* ok_cancel(QDialog* d, const char* cancelcaption, QPushButton*& okbutton,
                       QPushButton*& cancelbutton) {
    okbutton = new QPushButton("&Ok");
    okbutton->setObjectName("okbutton");
    okbutton->setDefault(true);
    cancelbutton = new QPushButton(cancelcaption);
    cancelbutton->setObjectName("cancelbutton");
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(okbutton);
    row->addWidget(cancelbutton);
    return row;
}

} // namespace

TForm9::TForm9(tadvancedpage& page, std::function<void()> changed, QWidget* parent)
    : QDialog(parent), fpage(page), fchanged(std::move(changed)) {
    setObjectName("Form9");
    nameedit = new QLineEdit;
    nameedit->setObjectName("nameedit");
    displaycombo = new QComboBox;
    displaycombo->setObjectName("displaycombo");
    auto* g = new QGridLayout(this);
    g->addWidget(new QLabel("stdpg parameter name"), 0, 0);
    g->addWidget(new QLabel("Map to display parameter"), 0, 2);
    g->addWidget(nameedit, 1, 0);
    g->addWidget(new QLabel("->"), 1, 1);
    g->addWidget(displaycombo, 1, 2);
    QPushButton *okbutton, *cancelbutton;
    g->addLayout(ok_cancel(this, "Cancel", okbutton, cancelbutton), 2, 0, 1, 3);
    connect(okbutton, &QPushButton::clicked, this, &TForm9::ok);
    connect(cancelbutton, &QPushButton::clicked, this, &TForm9::cancel);
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
    if (isadding) {
        paramno = std::int32_t(fpage.stdpgparams.size()) - 1;
        isadding = false;
    }
    if (fchanged) fchanged();
    close();
}

void TForm9::cancel() {
    close();
}

TForm10::TForm10(tadvancedpage& page, std::function<void()> changed, QWidget* parent)
    : QDialog(parent), fpage(page), fchanged(std::move(changed)) {
    setObjectName("Form10");
    nameedit = new QLineEdit;
    nameedit->setObjectName("nameedit");
    unitedit = new QLineEdit;
    unitedit->setObjectName("unitedit");
    auto* g = new QGridLayout(this);
    g->addWidget(new QLabel("Display name"), 0, 0);
    g->addWidget(nameedit, 0, 1);
    g->addWidget(new QLabel("Unit"), 1, 0);
    g->addWidget(unitedit, 1, 1);
    QPushButton *okbutton, *cancelbutton;
    g->addLayout(ok_cancel(this, "&Cancel", okbutton, cancelbutton), 2, 0, 1, 2);
    connect(okbutton, &QPushButton::clicked, this, &TForm10::ok);
    connect(cancelbutton, &QPushButton::clicked, this, &TForm10::cancel);
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
    if (isadding) {
        paramno = std::int32_t(fpage.displayparams.size()) - 1;
        isadding = false;
    }
    if (fchanged) fchanged();
    close();
}

void TForm10::cancel() {
    close();
}

} // namespace gravon
