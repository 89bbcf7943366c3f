// The image view window (dialog template 135): one downloaded image at full or double size.
// Its object lives as long as the main window; its window is made on first use.
#pragma once

#include <QDialog>
#include <array>
#include <functional>

#include "zentdesk.h"

namespace zentdesk {

struct DialogTemplate;
class MainWindow;
class PaintLayer;

namespace viewid {
inline constexpr int kReturn = 1;
inline constexpr int kArea = 1016;
inline constexpr int kX1 = 1017;
inline constexpr int kX2 = 1018;
inline constexpr int kSave = 1021;
inline constexpr int kApply = 1022;
inline constexpr int kRedBar = 1023;  // 1023 to 1026: red, green, blue, luminance
inline constexpr int kGreenBar = 1024;
inline constexpr int kBlueBar = 1025;
inline constexpr int kLumaBar = 1026;
inline constexpr int kRedValue = 1027;  // 1027 to 1030: the bars' values
inline constexpr int kHint = 1048;
inline constexpr int kSizeLabel = 1053;
}  // namespace viewid

const DialogTemplate& imageViewTemplate();

// The hint of a control of the hint table, or nullptr.
const char* hintFor(int controlId);

class ImageViewWindow : public QDialog {
    Q_OBJECT
  public:
    explicit ImageViewWindow(MainWindow* owner);
    ~ImageViewWindow() override;

    // Opens image `imageNumber` (double-click on a thumbnail): creates the window on first use,
    // shows it, loads its color controls and shows the image.
    void openImage(int imageNumber);

    // The bitmap allocation of "SAVE" (empty: the driver's); tests replace it.
    PackedBitmap::Allocator allocateImage;

    bool created() const { return created_; }
    QWidget* control(int id) const;
    PaintLayer* paintLayer() const { return layer_; }

    // Commands.
    void zoomIn();   // "X2"
    void zoomOut();  // "X1"
    void apply();
    void save();
    void returnToMain();

    int viewImage() const;
    int viewEntry() const;
    bool zoomed() const { return zoomed_ != 0; }
    bool drawingOff() const { return drawingOff_ != 0; }
    bool hookInstalled() const { return hookInstalled_; }
    const Rect& x1Rect() const { return x1Rect_; }
    const Rect& x2Rect() const { return x2Rect_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    struct HintArea {
        int id;
        Rect rect;
    };

    void createWindow();
    void loadColorControls(int imageNumber);
    void showImage(int imageNumber);
    void scrolled(int barId, int action);
    void setBar(int barId, int value);
    void repaintImageArea();
    void paintImage();
    void setHint(const char* hint);
    void setSizeLabel(bool doubled);
    void installHook();
    void removeHook();
    void enable(int id, bool on);

    Session& session() const;

    MainWindow* owner_;
    PaintLayer* layer_ = nullptr;
    bool created_ = false;
    bool hookInstalled_ = false;
    int viewWidth_ = 0;
    int viewHeight_ = 0;
    Rect area_{};
    Rect x1Rect_{};
    Rect x2Rect_{};
    int zoomed_ = 0;
    int drawingOff_ = 1;
    std::array<HintArea, 9> hintAreas_{};
};

}  // namespace zentdesk
