// The drawing surface of a window: a transparent layer over all its controls, holding what the
// window drew (bitmaps, digits, outlines). Every drawing reaches the screen at once, also while a
// command blocks the event loop; erasing a rectangle uncovers the controls beneath.
#pragma once

#include <QImage>
#include <QWidget>

#include "zentdesk.h"

namespace zentdesk {

class PaintLayer : public QWidget {
  public:
    explicit PaintLayer(QWidget* window);

    const QImage& canvas() const { return canvas_; }
    // Where drawings land now: the whole canvas, or the area of the running batch.
    const QRect& clipRect() const { return clip_; }

    // The first `rows` rows of a bottom-up 24-bit bitmap, `width` pixels each, with the picture's
    // top-left pixel at (x, y): memory row rows - 1 is the top line.
    void drawBitmap(int x, int y, int width, int rows, const PackedBitmap& image);

    // Copies the `source` area of a 32-bit image, stretched to `target`.
    void stretchImage(const QImage& source, const QRect& sourceArea, const QRect& target);

    // A solid 3-pixel line along the rectangle: top-left, top-right, bottom-right, bottom-left.
    void outline(const Rect& rect, QRgb color);

    void erase(const QRect& area);

    // Drawings between begin and end are clipped to `clip` and shown together at the end.
    void beginBatch(const QRect& clip);
    void endBatch();

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void show(const QRect& area);
    QRect clipped(const QRect& area) const;

    QImage canvas_;
    QRect clip_;
    QRect pending_;
    int batchDepth_ = 0;
};

}  // namespace zentdesk
