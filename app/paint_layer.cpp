#include "paint_layer.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

namespace zentdesk {

PaintLayer::PaintLayer(QWidget* window) : QWidget(window) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    canvas_ = QImage(window->size(), QImage::Format_ARGB32_Premultiplied);
    canvas_.fill(Qt::transparent);
    clip_ = canvas_.rect();
    setGeometry(window->rect());
    raise();
    window->installEventFilter(this);
}

bool PaintLayer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() && event->type() == QEvent::Resize) {
        const QSize size = parentWidget()->size();
        if (size != canvas_.size()) {
            QImage grown(size, QImage::Format_ARGB32_Premultiplied);
            grown.fill(Qt::transparent);
            QPainter painter(&grown);
            painter.drawImage(0, 0, canvas_);
            painter.end();
            canvas_ = grown;
            if (batchDepth_ == 0) clip_ = canvas_.rect();
        }
        setGeometry(parentWidget()->rect());
        raise();
    }
    return QWidget::eventFilter(watched, event);
}

QRect PaintLayer::clipped(const QRect& area) const {
    return area & clip_ & canvas_.rect();
}

void PaintLayer::drawBitmap(int x, int y, int width, int rows, const PackedBitmap& image) {
    width = std::min(width, image.width());
    rows = std::min(rows, image.height());
    if (!image || width <= 0 || rows <= 0) return;
    const QRect area = clipped(QRect(x, y, width, rows));
    if (area.isEmpty()) return;
    for (int line = area.top(); line <= area.bottom(); ++line) {
        const BYTE* source = image.row(rows - 1 - (line - y)) + 3 * (area.left() - x);
        auto* target = reinterpret_cast<QRgb*>(canvas_.scanLine(line)) + area.left();
        for (int i = 0; i < area.width(); ++i, source += 3) {
            target[i] = 0xFF000000u | (QRgb(source[2]) << 16) | (QRgb(source[1]) << 8) | source[0];
        }
    }
    show(area);
}

void PaintLayer::stretchImage(const QImage& source, const QRect& sourceArea, const QRect& target) {
    const QRect area = clipped(target);
    if (area.isEmpty() || sourceArea.isEmpty() || !source.rect().contains(sourceArea)) return;
    if (source.format() != QImage::Format_ARGB32_Premultiplied &&
        source.format() != QImage::Format_RGB32) {
        return;  // callers keep their images in the canvas's own pixel layout
    }
    // Nearest source pixel of every target pixel, in integer steps.
    const int dx = area.left() - target.left();
    for (int line = area.top(); line <= area.bottom(); ++line) {
        const int row =
            sourceArea.top() + (line - target.top()) * sourceArea.height() / target.height();
        const auto* from =
            reinterpret_cast<const QRgb*>(source.constScanLine(row)) + sourceArea.left();
        auto* to = reinterpret_cast<QRgb*>(canvas_.scanLine(line)) + area.left();
        for (int i = 0; i < area.width(); ++i) {
            to[i] = 0xFF000000u | from[(dx + i) * sourceArea.width() / target.width()];
        }
    }
    show(area);
}

void PaintLayer::outline(const Rect& rect, QRgb color) {
    const QRgb pixel = 0xFF000000u | color;
    // The pen is centred on the path, one pixel to each side.
    const QRect edges[] = {
        QRect(QPoint(rect.left - 1, rect.top - 1), QPoint(rect.right + 1, rect.top + 1)),
        QRect(QPoint(rect.right - 1, rect.top - 1), QPoint(rect.right + 1, rect.bottom + 1)),
        QRect(QPoint(rect.left - 1, rect.bottom - 1), QPoint(rect.right + 1, rect.bottom + 1)),
        QRect(QPoint(rect.left - 1, rect.top - 1), QPoint(rect.left + 1, rect.bottom + 1)),
    };
    QRect all;
    for (const QRect& edge : edges) {
        const QRect area = clipped(edge);
        for (int line = area.top(); line <= area.bottom() && !area.isEmpty(); ++line) {
            auto* to = reinterpret_cast<QRgb*>(canvas_.scanLine(line)) + area.left();
            std::fill(to, to + area.width(), pixel);
        }
        all |= area;
    }
    show(all);
}

void PaintLayer::erase(const QRect& area) {
    const QRect part = clipped(area);
    if (part.isEmpty()) return;
    for (int line = part.top(); line <= part.bottom(); ++line) {
        auto* to = reinterpret_cast<QRgb*>(canvas_.scanLine(line)) + part.left();
        std::fill(to, to + part.width(), QRgb(0));
    }
    show(part);
}

void PaintLayer::beginBatch(const QRect& clip) {
    if (batchDepth_++ == 0) {
        clip_ = clip & canvas_.rect();
        pending_ = QRect();
    }
}

void PaintLayer::endBatch() {
    if (batchDepth_ == 0 || --batchDepth_ > 0) return;
    clip_ = canvas_.rect();
    const QRect area = pending_;
    pending_ = QRect();
    show(area);
}

void PaintLayer::show(const QRect& area) {
    if (area.isEmpty()) return;
    if (batchDepth_ > 0) {
        pending_ |= area;
        return;
    }
    if (isVisible()) repaint(area);
}

void PaintLayer::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(event->rect(), canvas_, event->rect());
}

}  // namespace zentdesk
