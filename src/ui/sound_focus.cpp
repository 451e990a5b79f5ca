#include "ui/sound_focus.h"

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QPointer>
#include <QWidget>

namespace gravon {

namespace {

class tsoundfocusguard : public QObject {
  public:
    tsoundfocusguard(QWidget& control, QWidget& quiet)
        : QObject(&control), fcontrol(&control), fquiet(&quiet) {
        control.installEventFilter(this);
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
            // After the control's FocusIn: here the move may be undone without running inside
            // Qt's own change of the focus.
            if (now && now == frefused) {
                frefused = nullptr;
                if (fquiet && fquiet->isVisible() && fquiet->isEnabled())
                    fquiet->setFocus(Qt::OtherFocusReason);
                else
                    now->clearFocus();
                return;
            }
            // Left for another widget of the window: coming back later is no longer a return.
            if (now && now != fcontrol && now->window() == fcontrol->window()) fgranted = false;
            flast = now;
        });
    }

    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != QEvent::FocusIn) return false;
        if (watched != fcontrol) return false;
        if (deliberate(static_cast<QFocusEvent*>(e)->reason())) {
            fgranted = true;
            return false;
        }
        frefused = fcontrol;
        return true; // not drawn as focused for the moment it holds the focus
    }

  private:
    bool deliberate(Qt::FocusReason reason) const {
        switch (reason) {
        case Qt::MouseFocusReason:
            return true;
        case Qt::TabFocusReason:
        case Qt::BacktabFocusReason:
            // Qt moves away from a control being disabled or hidden with the reason of Tab; a
            // real Tab or arrow comes from a widget that still takes keys.
            return flast && flast != fcontrol && flast->isEnabled() && flast->isVisible();
        default:
            // A window activated again, a menu or dialog closed: back where the user put it.
            return fgranted;
        }
    }

    QWidget* fcontrol; // the guard's parent
    QPointer<QWidget> fquiet;
    QPointer<QWidget> flast;    // the focus before the change under way
    QPointer<QWidget> frefused; // the control, while a refused FocusIn waits to be undone
    bool fgranted = false;      // the user put the focus on the control, and it stayed there
};

} // namespace

void guard_sound_focus(QWidget& control, QWidget& quiet) {
    new tsoundfocusguard(control, quiet); // owned by the control
}

} // namespace gravon
