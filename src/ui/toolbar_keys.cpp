#include "ui/toolbar_keys.h"

#include <QEvent>
#include <QKeyEvent>
#include <QObject>
#include <QToolBar>
#include <QToolButton>
#include <vector>

namespace gravon {

namespace {

class ttoolbarkeys : public QObject {
  public:
    explicit ttoolbarkeys(QToolBar& bar) : QObject(&bar), fbar(bar) {}

    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != QEvent::KeyPress) return false;
        auto* button = qobject_cast<QToolButton*>(watched);
        if (button == nullptr) return false;
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (button->isEnabled()) button->click();
            return true;
        }
        if (key == Qt::Key_Left || key == Qt::Key_Right) {
            step(button, key == Qt::Key_Right ? 1 : -1);
            return true;
        }
        return false;
    }

  private:
    // To the next button that can take the focus, wrapping at the ends.
    void step(QToolButton* from, int direction) {
        std::vector<QToolButton*> buttons;
        for (QAction* a : fbar.actions())
            if (auto* b = qobject_cast<QToolButton*>(fbar.widgetForAction(a)))
                if (b->isVisible() && b->isEnabled()) buttons.push_back(b);
        const auto n = static_cast<std::ptrdiff_t>(buttons.size());
        if (n == 0) return;
        std::ptrdiff_t i = 0;
        while (i < n && buttons[std::size_t(i)] != from) ++i;
        if (i == n) i = direction > 0 ? -1 : 0;
        buttons[std::size_t(((i + direction) % n + n) % n)]->setFocus(Qt::TabFocusReason);
    }

    QToolBar& fbar;
};

} // namespace

void let_keyboard_reach(QToolBar& toolbar) {
    auto* keys = new ttoolbarkeys(toolbar); // owned by the toolbar
    for (QAction* a : toolbar.actions()) {
        auto* b = qobject_cast<QToolButton*>(toolbar.widgetForAction(a));
        if (b == nullptr) continue;
        b->setFocusPolicy(Qt::TabFocus);
        b->installEventFilter(keys);
    }
}

} // namespace gravon
