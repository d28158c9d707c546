// Pictures of the window: drawn from the SVG files compiled into the program,
// and a picture control that reacts to clicks and hovering.
#pragma once

#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QString>

// Renders ":/pictures/<name>.svg" at the given size in logical pixels for a
// screen of the given pixel ratio (the highest of the desktop's screens when
// not given), so that it is sharp at any scale.
QPixmap KeyvalePicture(const QString& name, const QSize& size, qreal ratio = 0);
// An icon drawn from the SVG at whatever size and scale it is shown.
QIcon KeyvaleIcon(const QString& name);

// The tree's image list, in its fixed order: folder (0), empty (1), record (2).
QList<QIcon> KeyvaleTreeImageList();

void InitKeyvaleResources();

// A picture the user can click, also from the keyboard (Space or Enter when
// it has the focus).
class TPicture : public QLabel {
    Q_OBJECT
  public:
    explicit TPicture(QWidget* parent = nullptr);
    void SetPicture(const QString& name, const QSize& size);
    QString PictureName() const { return pictureName_; }
    void SetClickable(bool clickable);
    bool IsClickable() const { return clickable_; }
    // The click of a mouse, a key or an assistive tool.
    void Click();

  signals:
    void clicked();
    void entered();
    void left();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    QString pictureName_;
    QSize pictureSize_;
    bool clickable_ = false;
};
