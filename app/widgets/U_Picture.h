// Pictures of the window: drawn from the SVG files compiled into the program,
// and a picture control that reacts to clicks and hovering.
#pragma once

#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QString>

// Renders ":/pictures/<name>.svg" at the given size in logical pixels for a
// screen of the given pixel ratio (the highest of the desktop's screens when
// not given), so that it is sharp at any scale. It is drawn for the given
// background (by default the window colour of the application's palette):
// where the pictures' dark outline would not stand out from it, the picture
// stands on a light plate of its own.
QPixmap KeyvalePicture(const QString& name, const QSize& size, qreal ratio = 0,
                       const QColor& background = QColor());
inline constexpr const char* PictureOutlineColor = "#2c3e50";
inline constexpr const char* PicturePlateColor = "#eef1f5";
bool PictureNeedsPlate(const QColor& background);
// The relative luminance of a colour (0 black … 1 white), as contrast ratios
// are measured.
double RelativeLuminance(const QColor& color);
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
    static constexpr int FocusFrameWidth = 2;
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
    // A clickable picture with the keyboard focus shows it with a frame; a
    // new theme draws the picture again for its window colour.
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    QString pictureName_;
    QSize pictureSize_;
    bool clickable_ = false;
};
