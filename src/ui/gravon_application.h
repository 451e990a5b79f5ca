// The application object of the desktop program. Every event the program handles passes
// through it, so it is the one place where a failure that escaped a handler is stopped before
// it reaches Qt's event loop (which cannot unwind: a modal dialog whose loop an exception left
// would crash at its next button). The failure is shown as a message box once the event is
// handled, and the window goes on. It also brings every window it shows inside the screen.
#pragma once

#include "ui/screen_fit.h"

#include <QApplication>
#include <functional>
#include <string>

namespace gravon {

class TGravonApplication : public QApplication {
    Q_OBJECT
  public:
    TGravonApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows a failure to the user. The main window sets it to its own message box; without
    // it the text goes to standard error.
    std::function<void(const std::string& text)> onfailure;

    // The application object when it is this class (tests may run on a plain QApplication).
    static TGravonApplication* instance();

  private:
    void report(const std::string& text);
    // The failure being shown: the same failure from the events that arrive meanwhile (a
    // paint that fails each time) is not shown again.
    std::string fshowing;
    twindowfitter ffitter;
};

} // namespace gravon
