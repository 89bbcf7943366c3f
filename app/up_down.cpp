#include "up_down.h"

#include <QLineEdit>
#include <QResizeEvent>
#include <QToolButton>
#include <algorithm>

namespace zentdesk {

UpDown::UpDown(QWidget* parent)
    : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    up_->setAutoRepeat(true);
    down_->setAutoRepeat(true);
    connect(up_, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(down_, &QToolButton::clicked, this, [this] { stepBy(-1); });
}

void UpDown::setBuddy(QLineEdit* buddy) {
    buddy_ = buddy;
    if (buddy_ != nullptr) {
        connect(buddy_, &QLineEdit::editingFinished, this, &UpDown::buddyEdited);
    }
}

void UpDown::setRange(int low, int high) {
    low_ = std::min(low, high);
    high_ = std::max(low, high);
}

void UpDown::setPosition(int position) {
    position_ = std::clamp(position, low_, high_);
    if (buddy_ != nullptr) buddy_->setText(QString::number(position_));
}

void UpDown::stepBy(int delta) {
    const int old = position_;
    setPosition(position_ + delta);
    if (position_ != old || delta != 0) emit moved(position_);
}

void UpDown::resizeEvent(QResizeEvent* event) {
    const int w = event->size().width();
    const int h = event->size().height();
    up_->setGeometry(0, 0, w, h / 2);
    down_->setGeometry(0, h / 2, w, h - h / 2);
}

void UpDown::buddyEdited() {
    bool ok = false;
    const int typed = buddy_->text().toInt(&ok);
    setPosition(ok ? typed : position_);
    emit moved(position_);
}

}  // namespace zentdesk
