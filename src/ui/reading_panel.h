// The reading passage of a speech take, in large type above the phonetogram while the take
// records, so that the patient reads it from the screen and the clinician watches the map
// fill below it.
#pragma once

#include <QLabel>

namespace gravon {

class TForm1;

class TReadingPanel : public QLabel {
    Q_OBJECT
  public:
    explicit TReadingPanel(TForm1& form, QWidget* parent = nullptr);

    // Shown while a take with a speech task records (or pauses), hidden otherwise.
    void refresh();

  private:
    TForm1& fform;
};

} // namespace gravon
