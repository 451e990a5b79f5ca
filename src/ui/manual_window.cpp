#include "ui/manual_window.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace gravon {

QStringList manual_candidates(const QString& programfolder) {
    const QDir dir(programfolder);
    return {dir.filePath("manual/index.html"),
            QDir::cleanPath(dir.filePath("../share/doc/gravon/manual/index.html"))};
}

QString find_manual(const QString& programfolder) {
    for (const QString& c : manual_candidates(programfolder))
        if (QFileInfo(c).isFile()) return c;
    return {};
}

TManualWindow::TManualWindow(QWidget* parent) : QDialog(parent) {
    setObjectName("manualwindow");
    setWindowTitle("Gravon manual");
    // A window of its own beside the main window, not in front of it.
    setWindowFlag(Qt::Window);
    setModal(false);
    fbrowser = new QTextBrowser;
    fbrowser->setObjectName("manualbrowser");
    // Links to the web are the browser's; pages of the manual stay here.
    fbrowser->setOpenExternalLinks(true);
    auto* back = new QPushButton("Back");
    auto* forward = new QPushButton("Forward");
    auto* contents = new QPushButton("Contents");
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(back, &QPushButton::clicked, fbrowser, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, fbrowser, &QTextBrowser::forward);
    connect(contents, &QPushButton::clicked, fbrowser, &QTextBrowser::home);
    connect(fbrowser, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(fbrowser, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
    connect(fbrowser, &QTextBrowser::sourceChanged, this, [this] {
        const QString t = fbrowser->documentTitle();
        setWindowTitle(t.isEmpty() ? QString("Gravon manual") : "Gravon manual: " + t);
    });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addWidget(contents);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(fbrowser, 1);
    // Wide enough for the pictures at their size; the window fitter keeps it on the screen.
    const QFontMetrics m(font());
    resize(m.horizontalAdvance(QString(90, 'n')), m.lineSpacing() * 45);
}

bool TManualWindow::open(const QString& path) {
    if (!QFileInfo(path).isReadable()) return false;
    fbrowser->setSource(QUrl::fromLocalFile(path));
    return !fbrowser->document()->isEmpty();
}

} // namespace gravon
