#include "ui/session_dialog.h"

#include "core/reading_passages.h"
#include "phonetogram/speech_profile.h"
#include "ui/ok_cancel_buttons.h"
#include "ui/screen_fit.h"

#include <QComboBox>
#include <QDate>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace gravon {

namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}
std::string ss(const QString& s) {
    return s.trimmed().toStdString();
}

QComboBox* editable_combo(const QStringList& items) {
    auto* c = new QComboBox;
    c->setEditable(true);
    c->addItems(items);
    c->setInsertPolicy(QComboBox::NoInsert);
    return c;
}

void set_combo_text(QComboBox* c, const std::string& text) {
    const int i = c->findText(qs(text), Qt::MatchFixedString);
    if (i >= 0)
        c->setCurrentIndex(i);
    else
        c->setEditText(qs(text));
}

// A date must read as one, ISO with four digits for the year, the one form every page of the
// program shows; an empty field is fine.
bool readable_date(const QString& t, bool withtime) {
    if (t.trimmed().isEmpty()) return true;
    if (withtime) return QDateTime::fromString(t.trimmed(), "yyyy-MM-dd HH:mm").isValid();
    return QDate::fromString(t.trimmed(), "yyyy-MM-dd").isValid();
}

} // namespace

TSessionDialog::TSessionDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("sessiondialog");
    setWindowTitle("Session details");
    auto* form = new QFormLayout;
    fpatient = new QLineEdit;
    fname = new QLineEdit;
    fborn = new QLineEdit;
    fborn->setPlaceholderText("YYYY-MM-DD");
    fsex = editable_combo({"", "Female", "Male", "Other"});
    fclinician = new QLineEdit;
    fdate = new QLineEdit;
    fdate->setPlaceholderText("YYYY-MM-DD hh:mm");
    ftask = editable_combo({"", "Singing profile", speechtask});
    ftask->lineEdit()->setPlaceholderText("Singing profile, speech profile or your own");
    fnotes = new QPlainTextEdit;
    fnotes->setTabChangesFocus(true);
    fprotocol = new QLineEdit;
    fprotocol->setReadOnly(true);
    fprotocol->setPlaceholderText("Recorded freely");
    const std::array<QWidget*, nsessionfields> widgets = {
        fpatient, fname, fborn, fsex, fclinician, fdate, ftask, fnotes, fprotocol};
    for (std::size_t i = 0; i < nsessionfields; ++i) {
        const tsessionfield& f = session_fields()[i];
        widgets[i]->setObjectName(QString("session_") + f.key);
        if (auto* e = qobject_cast<QLineEdit*>(widgets[i])) e->setMaxLength(int(f.maxchars));
        if (auto* c = qobject_cast<QComboBox*>(widgets[i]))
            c->lineEdit()->setMaxLength(int(f.maxchars));
        form->addRow(QString(f.label) + ":", widgets[i]);
    }
    // The passage of a speech take: one of the program's, or the user's own, typed or pasted.
    fpassagechoice = new QComboBox;
    fpassagechoice->setObjectName("session_passagechoice");
    for (const treadingpassage& p : reading_passages()) fpassagechoice->addItem(qs(p.title));
    fpassagechoice->addItem("Your own text");
    fpassage = new QPlainTextEdit;
    fpassage->setObjectName("session_passage");
    fpassage->setTabChangesFocus(true);
    fpassage->setPlaceholderText("The text the patient reads aloud");
    connect(fpassagechoice, &QComboBox::activated, this, [this](int i) {
        if (i < int(reading_passages().size()))
            fpassage->setPlainText(qs(reading_passages()[std::size_t(i)].text));
        else
            fpassage->clear();
        fpassage->setFocus();
    });
    fpassagebox = new QWidget;
    auto* passageform = new QFormLayout(fpassagebox);
    passageform->setContentsMargins(0, 0, 0, 0);
    passageform->addRow("Reading passage:", fpassagechoice);
    passageform->addRow("", fpassage);
    connect(ftask, &QComboBox::currentTextChanged, this, [this] { show_passage_with_task(); });
    fhint = new QLabel;
    fhint->setWordWrap(true);
    auto* buttons = ok_cancel_buttons(*this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(fpassagebox);
    layout->addWidget(fhint);
    layout->addWidget(buttons);
    // Wide enough for a name and a line of notes in the dialog's own font.
    fname->setMinimumWidth(fontMetrics().horizontalAdvance(QString(40, QChar('n'))));
}

void TSessionDialog::set_record(const tsessionrecord& r, bool atrecord) {
    fpatient->setText(qs(r.patient));
    fname->setText(qs(r.name));
    fborn->setText(qs(r.born));
    set_combo_text(fsex, r.sex);
    fclinician->setText(qs(r.clinician));
    fdate->setText(qs(r.date));
    fdate->setReadOnly(atrecord);
    set_combo_text(ftask, r.task);
    fnotes->setPlainText(qs(r.notes));
    fprotocol->setText(qs(r.protocol));
    fprotocol->setCursorPosition(0);
    show_passage_with_task();
    fhint->setText(atrecord ? "The take records when you click OK; its start gives the date "
                              "and time. Cancel does not record."
                            : "Saved with the phonetogram and the sound, and printed on the "
                              "report.");
    adjustSize();
    fit_on_screen(*this);
}

void TSessionDialog::set_passage(const std::string& text) {
    const std::string shown = text.empty() ? reading_passages().front().text : text;
    int choice = int(reading_passages().size());
    for (std::size_t i = 0; i < reading_passages().size(); ++i)
        if (reading_passages()[i].text == shown) choice = int(i);
    fpassagechoice->setCurrentIndex(choice);
    fpassage->setPlainText(qs(shown));
    show_passage_with_task();
}

std::string TSessionDialog::passage() const {
    const std::string text = ss(fpassage->toPlainText());
    return text == reading_passages().front().text ? std::string() : text;
}

void TSessionDialog::show_passage_with_task() {
    const bool speech = is_speech_task(ss(ftask->currentText()));
    if (fpassagebox->isHidden() != speech) return;
    fpassagebox->setVisible(speech);
    if (isVisible()) {
        adjustSize();
        fit_on_screen(*this);
    }
}

tsessionrecord TSessionDialog::record() const {
    tsessionrecord r;
    r.patient = ss(fpatient->text());
    r.name = ss(fname->text());
    r.born = ss(fborn->text());
    r.sex = ss(fsex->currentText());
    r.clinician = ss(fclinician->text());
    r.date = ss(fdate->text());
    r.task = ss(ftask->currentText());
    // Notes keep their lines; only the ends are trimmed.
    r.notes = ss(fnotes->toPlainText());
    r.protocol = ss(fprotocol->text());
    return r;
}

void TSessionDialog::accept() {
    QString why;
    if (!readable_date(fborn->text(), false))
        why = "Date of birth: please write it as YYYY-MM-DD, for example 1980-04-23.";
    else if (const QDate born = QDate::fromString(fborn->text().trimmed(), Qt::ISODate);
             born.isValid() && born > QDate::currentDate())
        why = "Date of birth: it lies in the future.";
    else if (!readable_date(fdate->text(), true))
        why = "Date and time: please write them as YYYY-MM-DD hh:mm, for example "
              "2026-12-09 14:30.";
    else if (const std::string p = session_problem(record()); !p.empty())
        why = qs(p);
    if (!why.isEmpty()) {
        QMessageBox::warning(this, "Session details", why);
        return;
    }
    QDialog::accept();
}

} // namespace gravon
