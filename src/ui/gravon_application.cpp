#include "ui/gravon_application.h"

#include <QMetaObject>
#include <cstdio>
#include <exception>

namespace gravon {

TGravonApplication::TGravonApplication(int& argc, char** argv) : QApplication(argc, argv) {
    installEventFilter(&ffitter);
}

TGravonApplication* TGravonApplication::instance() {
    return qobject_cast<TGravonApplication*>(QCoreApplication::instance());
}

bool TGravonApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        report(e.what());
    } catch (...) {
        report("An unknown error occurred.");
    }
    return false;
}

void TGravonApplication::report(const std::string& text) {
    if (text == fshowing) return;
    // Not here: the handler that failed may have been a paint or a sound buffer's, inside
    // which no modal loop may run.
    QMetaObject::invokeMethod(
        this,
        [this, text] {
            if (text == fshowing) return;
            fshowing = text;
            if (onfailure)
                onfailure(text);
            else
                std::fprintf(stderr, "gravon: %s\n", text.c_str());
            fshowing.clear();
        },
        Qt::QueuedConnection);
}

} // namespace gravon
