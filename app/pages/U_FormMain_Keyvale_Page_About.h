// The About program page: the built-in user manual, scrolled one fixed step
// per wheel notch whatever the desktop's lines per notch.
#pragma once

#include <QWidget>

class QLabel;
class QScrollArea;

class TPageAbout : public QWidget {
    Q_OBJECT
  public:
    // How far one wheel notch (or one arrow key) moves the manual.
    static constexpr int ManualScrollStep = 150;

    explicit TPageAbout(QWidget* parent = nullptr);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QScrollArea* sScrollBox_Manual = nullptr;
    QLabel* image_Manual = nullptr;
};
