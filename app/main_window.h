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

class MainWindow : public QDialog, private zentsession::Observer {
    Q_OBJECT
  public:
    explicit MainWindow(Desk& desk, QWidget* parent = nullptr);
    ~MainWindow() override;

    MainWindowState& state() { return state_; }
    const MainWindowState& state() const { return state_; }
    Desk& desk() const { return desk_; }
    Session& session() const { return desk_.session; }
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
    void drawThumbnail(int slot);
    void paintThumbnailArea();
    // Erases the rectangle and runs the window's painting for it at once.
    void repaintRect(const Rect& rect);
    void repaintArea(const QRect& area);
    void repaintWholeWindow();

    // Mouse over the thumbnail area (client coordinates).
    void hoverAt(int x, int y);
    void doubleClickAt(int x, int y);

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
    void setProgress(int position);
    void downloadFailed();
    void forgetClips();
    void setSlotCaption(int slot, const QString& text);
    int slotAt(int x, int y) const;
    QRect grownFrame(int slot) const;
    void outlineSlot(int slot, QRgb color);
    void clearPageLabels();
    void showPageAt(int page);
    void turnPage(int page);

    // What the session's workflows report.
    void message(const std::string& text) override;
    void step() override;
    void progress(zentsession::Stage stage, int done, int total) override;
    bool ask(const std::string& question) override;
    void notice(const std::string& text) override;
    void picture(const zentsession::Picture& picture) override;
    void counter(zentsession::Counter which, int value) override;
    void clipSize(int width, int height) override;

    Desk& desk_;
    MainWindowState state_;

    PaintLayer* layer_ = nullptr;
    ImageViewWindow* imageView_ = nullptr;
    QProgressBar* progress_ = nullptr;
    UpDown* upDown_ = nullptr;
    QImage digits_;
    int endCaptureCalls_ = 0;
};

}  // namespace zentdesk
