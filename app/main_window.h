// The main window (dialog template 129): download, thumbnail pages, V8 clips, erase.
#pragma once

#include <QDialog>
#include <QImage>

#include "zentdesk.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace zentdesk {

class ImageViewWindow;
class PaintLayer;
class UpDown;

inline constexpr QRgb kHoverColor = 0x0000FF;      // blue
inline constexpr QRgb kSelectionColor = 0xFF8000;  // orange

class MainWindow : public QDialog {
    Q_OBJECT
  public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    MainWindowState& state() const { return zentdesk::windowState(); }
    QWidget* control(int id) const;
    PaintLayer& paintLayer() const { return *layer_; }
    ImageViewWindow* imageView() const { return imageView_; }

    // Commands (the buttons).
    void download();
    void erase();
    void nextPage();
    void previousPage();
    void videoMode();
    void play();
    void clipNumberMoved(int position);

    // Thumbnail pages.
    void showPage();
    void drawDigitCounter(int value);
    void drawThumbnail(int slot, ImageBuffer& source, int width, int height);
    void paintThumbnailArea();
    // Erases the rectangle and runs the window's painting for it at once.
    void repaintRect(const Rect& rect);
    void repaintArea(const QRect& area);
    void repaintWholeWindow();

    // Mouse over the thumbnail area (client coordinates).
    void hoverAt(int x, int y);
    void doubleClickAt(int x, int y);

    // Writes clip `clip` of ClipTable as an AVI file: 1 when written completely, else 0.
    int exportClip(int clip);
    // "%sDuovue_V8%d.AVI" in the library's folder.
    std::string clipPath(int clipNumber) const;

    // Buffers released and EndCapture calls made so far by the shut-down.
    int endCaptureCalls() const { return endCaptureCalls_; }

    void setMessage(const QString& text);

    void accept() override;
    void reject() override;

  protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void startUp();
    void release();
    void enable(int id, bool on);
    void setLabel(int id, const QString& text);
    void step();
    void setProgress(int position);
    void downloadFailed();
    int clipScan();
    void writeClips();
    void forgetClips();
    void setSlotCaption(int slot, const QString& text);
    int slotAt(int x, int y) const;
    QRect grownFrame(int slot) const;
    void outlineSlot(int slot, QRgb color);

    PaintLayer* layer_ = nullptr;
    ImageViewWindow* imageView_ = nullptr;
    QProgressBar* progress_ = nullptr;
    UpDown* upDown_ = nullptr;
    QImage digits_;
    int endCaptureCalls_ = 0;
};

}  // namespace zentdesk
