#include "ui/field_failure.h"

#include "ui/qt_text.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QScrollArea>
#include <QTabWidget>
#include <QTableWidget>
#include <QWidget>

namespace gravon {

namespace {

// Brings the tab that holds w to the front, at every level of nested tabs.
void reveal(QWidget* w) {
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (auto* tabs = qobject_cast<QTabWidget*>(p))
            for (int i = 0; i < tabs->count(); ++i)
                if (tabs->widget(i)->isAncestorOf(w)) tabs->setCurrentIndex(i);
    // A page that scrolls on a small screen scrolls the field into view.
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (auto* area = qobject_cast<QScrollArea*>(p)) area->ensureWidgetVisible(w);
}

} // namespace

bool show_field_failure(QWidget& dialog, tuserinterface& ui, const tapplyresult& r) {
    if (!r) return false;
    if (auto* w = dialog.findChild<QWidget*>(qtext(r->field))) {
        reveal(w);
        w->setFocus();
        if (auto* table = qobject_cast<QTableWidget*>(w); table && r->row >= 0)
            table->setCurrentCell(r->row, r->col);
        else if (auto* edit = qobject_cast<QLineEdit*>(w))
            edit->selectAll();
    }
    ui.tell(message_fact("Error", r->message, tmessagekind::error));
    return true;
}

} // namespace gravon
