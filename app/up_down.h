// An up-down control: two arrow buttons that step a position within a range and write it into
// their buddy edit box as "%d".
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace zentdesk {

class UpDown : public QWidget {
    Q_OBJECT
  public:
    explicit UpDown(QWidget* parent = nullptr);

    void setBuddy(QLineEdit* buddy);
    void setRange(int low, int high);
    void setPosition(int position);  // clamped into the range; shown in the buddy
    int position() const { return position_; }
    int minimum() const { return low_; }
    int maximum() const { return high_; }

    // Steps as a click on an arrow does and reports the move.
    void stepBy(int delta);

  signals:
    void moved(int position);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void buddyEdited();

    QToolButton* up_;
    QToolButton* down_;
    QLineEdit* buddy_ = nullptr;
    int low_ = 0;
    int high_ = 0;
    int position_ = 0;
};

}  // namespace zentdesk
