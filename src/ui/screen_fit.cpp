#include "ui/screen_fit.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QWidget>
#include <algorithm>

namespace gravon {

namespace {

QScreen* screen_of(const QWidget& w) {
    if (const QWidget* p = w.parentWidget())
        if (QScreen* s = p->window()->screen()) return s;
    if (QScreen* s = w.screen()) return s;
    return QGuiApplication::primaryScreen();
}

bool is_fitted_window(const QWidget& w) {
    if (!w.isWindow()) return false;
    switch (w.windowType()) {
    case Qt::Window:
    case Qt::Dialog:
    case Qt::Sheet:
    case Qt::Tool:
        return true;
    default:
        return false; // menus, tooltips, popups place themselves
    }
}

bool inside(const QWidget& w) {
    const QScreen* screen = screen_of(w);
    return !screen || screen->availableGeometry().contains(w.frameGeometry());
}

} // namespace

void fit_on_screen(QWidget& window) {
    QScreen* screen = screen_of(window);
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    // Before a window was first mapped its frame is unknown; a parent's frame tells the
    // window manager's margins.
    QMargins frame(window.geometry().left() - window.frameGeometry().left(),
                   window.geometry().top() - window.frameGeometry().top(),
                   window.frameGeometry().right() - window.geometry().right(),
                   window.frameGeometry().bottom() - window.geometry().bottom());
    if (frame.isNull())
        if (const QWidget* p = window.parentWidget()) {
            const QWidget& pw = *p->window();
            frame = QMargins(pw.geometry().left() - pw.frameGeometry().left(),
                             pw.geometry().top() - pw.frameGeometry().top(),
                             pw.frameGeometry().right() - pw.geometry().right(),
                             pw.frameGeometry().bottom() - pw.geometry().bottom());
        }
    // Nor does a window manager tell it before it has framed the window: room for a common
    // title bar and border, so that the frame it adds does not reach past the screen.
    // Qt then places the window itself there, and the window manager frames it around.
    const bool guessed = frame.isNull();
    if (guessed) {
        const int border = 4;
        const int title = window.style()->pixelMetric(QStyle::PM_TitleBarHeight) + border;
        frame = QMargins(border, title, border, border);
    }
    const QSize room(area.width() - frame.left() - frame.right(),
                     area.height() - frame.top() - frame.bottom());
    const QSize least = window.minimumSize().expandedTo(window.minimumSizeHint());
    QSize size = window.size().boundedTo(room).expandedTo(least);
    if (size != window.size()) window.resize(size);
    QRect outer(window.pos(), size.grownBy(frame));
    if (outer.right() > area.right()) outer.moveRight(area.right());
    if (outer.bottom() > area.bottom()) outer.moveBottom(area.bottom());
    if (outer.left() < area.left()) outer.moveLeft(area.left());
    if (outer.top() < area.top()) outer.moveTop(area.top());
    if (outer.topLeft() != window.pos())
        window.move(guessed ? outer.topLeft() + QPoint(frame.left(), frame.top())
                            : outer.topLeft());
}

void keep_title_whole(QWidget& window) {
    // Titles are usually bold; the icon and the buttons take about six title heights.
    QFont f = window.font();
    f.setBold(true);
    const QFontMetrics m(f);
    const int need = m.horizontalAdvance(window.windowTitle()) + 6 * (m.height() + 8);
    if (window.minimumWidth() < need) window.setMinimumWidth(need);
}

bool twindowfitter::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::Show || type == QEvent::Resize) && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (!is_fitted_window(*w)) return QObject::eventFilter(watched, event);
        // A shown window that grows past the screen (its layout filled, a place kept from
        // another scale applied) comes back inside. Moving one partly off the screen is the
        // user's affair.
        if (type == QEvent::Show || (w->isVisible() && type == QEvent::Resize && !inside(*w)))
            fit_on_screen(*w);
    }
    return QObject::eventFilter(watched, event);
}

tscrollpage::tscrollpage(QWidget* page, QWidget* parent) : QScrollArea(parent) {
    setObjectName(page->objectName().isEmpty() ? QString("scrollpage")
                                               : page->objectName() + "_scroll");
    setWidget(page);
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    // The page's own background, not the darker one of a scroll area.
    setBackgroundRole(QPalette::Window);
    viewport()->setBackgroundRole(QPalette::Window);
}

QSize tscrollpage::sizeHint() const {
    const QWidget* page = widget();
    if (!page) return QScrollArea::sizeHint();
    const QMargins m = contentsMargins();
    return page->sizeHint().expandedTo(page->minimumSizeHint()).grownBy(m);
}

QSize tscrollpage::minimumSizeHint() const {
    // Room for a few lines and the scroll bars; the rest scrolls.
    const int line = fontMetrics().height();
    const int bar = verticalScrollBar()->sizeHint().width();
    const QSize least(std::min(12 * line, sizeHint().width()) + bar,
                      std::min(6 * line, sizeHint().height()) + bar);
    return least;
}

} // namespace gravon
