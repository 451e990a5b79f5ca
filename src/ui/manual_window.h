// The user manual: HTML pages installed with the program, shown in a window of their own so
// that it reads the same offline and on every desktop.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QTextBrowser;

namespace gravon {

// Where the manual's first page may lie: beside the program in the build tree, then in the
// installed documentation folder.
QStringList manual_candidates(const QString& programfolder);
// The first page of the manual, or "" when none of the candidates exists.
QString find_manual(const QString& programfolder);

class TManualWindow : public QDialog {
    Q_OBJECT
  public:
    explicit TManualWindow(QWidget* parent = nullptr);
    // Shows the page (a file path); false when it cannot be read.
    bool open(const QString& path);
    QTextBrowser* browser() const { return fbrowser; }

  private:
    QTextBrowser* fbrowser;
};

} // namespace gravon
