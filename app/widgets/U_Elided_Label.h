// A label for a path or a file name: it asks for its whole text's width but
// gives way when the window is narrower, and then shows the text shortened
// in the middle ("/home/…/Passwords") instead of pushing the page wider.
// text() stays the whole text, and so does what screen readers read.
#pragma once

#include <QLabel>

class TElidedLabel : public QLabel {
    Q_OBJECT
  public:
    explicit TElidedLabel(QWidget* parent = nullptr);
    QSize minimumSizeHint() const override;
    // What the label shows at its present width.
    QString ShownText() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
};
