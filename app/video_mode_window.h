// The live preview window (dialog template 136), run modally from the main window.
#pragma once

#include <QDialog>
#include <QTimer>
#include <functional>

#include "zentdesk.h"

class QScrollBar;

namespace zentdesk {

struct DialogTemplate;
class PaintLayer;

namespace videoid {
inline constexpr int kExit = 1;
inline constexpr int kFrame = 1016;
inline constexpr int kSave = 1021;
inline constexpr int kPreview = 1028;
inline constexpr int kSize160 = 1030;
inline constexpr int kSize320 = 1031;
inline constexpr int kAutoWhiteBalance = 1034;
inline constexpr int kIsGamma = 1035;
inline constexpr int kGammaEdit = 1036;
inline constexpr int kRedBar = 1037;
inline constexpr int kGreenBar = 1038;
inline constexpr int kBlueBar = 1039;
inline constexpr int kLumaBar = 1040;
inline constexpr int kRedLabel = 1042;
inline constexpr int kLumaLabel = 1044;
inline constexpr int kGreenLabel = 1045;
inline constexpr int kBlueLabel = 1046;
inline constexpr int kStatus = 1047;
}  // namespace videoid

const DialogTemplate& videoModeTemplate();

// A scroll-bar request, named for a horizontal bar (for a vertical one "less" is up).
enum class ScrollRequest { LineLess, LineMore, PageLess, PageMore, Thumb, Other };

// The request a slider action stands for. On an upward bar (the value grows as the thumb rises)
// "less" and "more" swap.
ScrollRequest scrollRequestOf(int action, bool upward = false);

// The new value of a 0..255 bar whose value grows with its position.
int scrolledValue(int value, ScrollRequest request, int thumb);

// The text of a gamma edit as a number, reading at most 19 characters: a leading decimal number
// counts, anything else gives 0.
float gammaFromText(const QString& text);

// A rectangle outlined with the default pen: one black pixel on each of its edges.
void outlineThin(PaintLayer& layer, const Rect& rect);

class VideoModeWindow : public QDialog, private zentsession::Observer {
    Q_OBJECT
  public:
    static constexpr int kTimerId = 10;
    static constexpr int kTimerPeriodMs = 10;

    explicit VideoModeWindow(Desk& desk, QWidget* parent = nullptr);
    ~VideoModeWindow() override;

    QWidget* control(int id) const;
    PaintLayer& paintLayer() const { return *layer_; }

    // Members exchanged with the check boxes and the gamma edit.
    int autoWhiteBalance = 1;
    int gammaOn = 1;
    float gammaValue = zentdrv::kPreviewGamma;

    // The bitmap allocation of "SAVE" (empty: the driver's); tests replace it.
    PackedBitmap::Allocator allocateImage;

    // Commands.
    void preview();
    void timerTick();
    void save();
    void exitWindow();

    bool previewing() const { return previewing_ != 0; }
    bool timerRunning() const { return timer_.isActive(); }
    int timerId() const { return timerId_; }
    int sizeIndex() const { return desk_.session.previewSize(); }
    int previewWidth() const { return desk_.session.previewWidth(); }
    int previewHeight() const { return desk_.session.previewHeight(); }
    int manualRed() const { return manualRed_; }
    int manualGreen() const { return manualGreen_; }
    int manualBlue() const { return manualBlue_; }
    const Rect& previewRect() const { return previewRect_; }

  protected:
    void reject() override;

  private:
    void opening();
    void scrolled(int barId, int action);
    void autoWhiteBalanceClicked();
    void isGammaClicked();
    void gammaEdited();
    void enableManualGains(bool on);
    void setBar(int barId, int value);
    void layoutPreview(int width, int height);
    void drawFrame(const PackedBitmap& frame, int width, int height);
    void setStatus(const QString& text);
    void startTimer10();
    void stopTimer();
    void leavePreview();
    int checkedSizeIndex() const;
    void enable(int id, bool on);

    // What the session's preview reports.
    void message(const std::string& text) override;
    void notice(const std::string& text) override;
    void failed() override;
    void picture(const zentsession::Picture& picture) override;
    void previewResized(int width, int height) override;

    Desk& desk_;
    PaintLayer* layer_ = nullptr;
    QTimer timer_;
    int previewing_ = 0;
    int manualRed_ = zentdrv::kPreviewRedGain;
    int manualGreen_ = zentdrv::kPreviewGreenGain;
    int manualBlue_ = zentdrv::kPreviewBlueGain;
    int timerId_ = 0;
    bool inTick_ = false;
    Rect previewRect_{};
};

}  // namespace zentdesk
