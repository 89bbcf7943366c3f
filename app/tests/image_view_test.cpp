// The image view window over a downloaded default store: X1 and X2 with their labels, the
// upward bars with live re-conversion, "Apply" and its thumbnail, "SAVE", and the hint line.
#include <QMouseEvent>
#include <QScrollBar>

#include "app_test_support.h"
#include "image_view_window.h"
#include "paint_layer.h"
#include "save.h"

namespace zentdesk::testing {
namespace {

using namespace viewid;

long long redSum(const QImage& image, const QRect& area) {
    long long sum = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) sum += qRed(image.pixel(x, y));
    return sum;
}

int chooseTestPath(char* out, int capacity, void* context) {
    std::snprintf(out, capacity, "%s", static_cast<std::string*>(context)->c_str());
    return 1;
}

class ImageViewTest : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        plug();
        download(MessageAnswer::No);
        ASSERT_EQ(session().state().downloaded, 1);
        ASSERT_GE(session().state().dscCount, 16);
        boxes.clear();
    }
    void TearDown() override {
        SetSaveDIBChooser(nullptr, nullptr);
        AppTest::TearDown();
    }
    // Double-click on the thumbnail of `slot` of the page shown.
    ImageViewWindow& open(int slot) {
        const Rect& r = window().state().frameRects[slot];
        window().doubleClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        return *window().imageView();
    }
    // First image of page 0 with the given width.
    int imageOfWidth(int width) {
        for (int n = 0; n < kSlotCount; ++n)
            if (session().state().imageWidth[n] == width) return n;
        return -1;
    }
    ImageViewWindow& view() { return *window().imageView(); }
    QString viewText(int id) { return qobject_cast<QLabel*>(view().control(id))->text(); }
    bool viewEnabled(int id) { return view().control(id)->isEnabled(); }
    QScrollBar* bar(int id) { return qobject_cast<QScrollBar*>(view().control(id)); }
    void viewClick(int id) {
        auto* button = qobject_cast<QPushButton*>(view().control(id));
        ASSERT_TRUE(button != nullptr && button->isEnabled()) << id;
        button->click();
    }
    void moveMouse(QWidget* target, QPoint at) {
        QMouseEvent move(QEvent::MouseMove, QPointF(at), target->mapToGlobal(QPointF(at)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
    }
    QImage grabView() { return view().grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

TEST_F(ImageViewTest, SizesAndZoomAtBothImageSizes) {
    const int large = imageOfWidth(320);
    const int small = imageOfWidth(160);
    ASSERT_GE(large, 0);
    ASSERT_GE(small, 0);
    EXPECT_FALSE(view().created());

    ImageViewWindow& v = open(small);
    EXPECT_TRUE(v.created());
    EXPECT_TRUE(v.isVisible());
    EXPECT_EQ(v.windowTitle(), "Display this Image with Original Size");
    EXPECT_EQ(v.viewImage(), small);
    EXPECT_EQ(viewText(kSizeLabel), "160x120");
    EXPECT_FALSE(viewEnabled(kX1));
    EXPECT_TRUE(viewEnabled(kX2));
    // The image lies centred in the area, drawn from workImage, upright.
    const Rect& x1 = v.x1Rect();
    EXPECT_EQ(x1.right - x1.left, 160);
    const QRect area = v.control(kArea)->geometry();
    EXPECT_LE(std::abs((x1.left + x1.right) - (2 * area.left() + area.width())), 2);
    QImage shot = grabView();
    const PackedBitmap& work = session().state().workImage;
    for (int y = 1; y < 120; y += 11)
        for (int x = 1; x < 160; x += 13) {
            const BYTE* p = work.row(119 - y) + 3 * x;
            ASSERT_EQ(shot.pixel(x1.left + x, x1.top + y), qRgb(p[2], p[1], p[0]));
        }
    // The colour settings of the image are in force, white balance off.
    const ColorSettings& c = session().state().colorSettings;
    EXPECT_EQ(c.redGain, session().state().imageColor[small].redGain);
    EXPECT_EQ(c.awbMode, 0);
    EXPECT_EQ(viewText(kRedValue), QString::number(c.redGain));
    EXPECT_EQ(bar(kRedBar)->value(), 255 - c.redGain);

    viewClick(kX2);
    EXPECT_TRUE(v.zoomed());
    EXPECT_EQ(viewText(kSizeLabel), "320x240");
    EXPECT_TRUE(viewEnabled(kX1));
    EXPECT_FALSE(viewEnabled(kX2));
    const Rect& x2 = v.x2Rect();
    EXPECT_EQ(x2.right - x2.left, 320);
    shot = grabView();
    const PackedBitmap& display = session().state().displayImage;
    for (int y = 2; y < 240; y += 23) {
        const BYTE* p = display.row(239 - y) + 3 * 100;
        ASSERT_EQ(shot.pixel(x2.left + 100, x2.top + y), qRgb(p[2], p[1], p[0]));
    }
    viewClick(kX1);
    EXPECT_EQ(viewText(kSizeLabel), "160x120");
    EXPECT_FALSE(v.zoomed());

    // Opening another image while at X2 comes back at X1.
    viewClick(kX2);
    open(large);
    EXPECT_FALSE(v.zoomed());
    EXPECT_EQ(viewText(kSizeLabel), "320x240");
    EXPECT_FALSE(viewEnabled(kX1));
    viewClick(kX2);
    EXPECT_EQ(viewText(kSizeLabel), "640x480");
    EXPECT_EQ(v.x2Rect().right - v.x2Rect().left, 640);
}

TEST_F(ImageViewTest, UpwardBarsReconvertTheImage) {
    ImageViewWindow& v = open(imageOfWidth(320));
    QScrollBar* red = bar(kRedBar);
    const PackedBitmap& work = session().state().workImage;
    const auto workRed = [&] {
        long long sum = 0;
        for (int row = 0; row < 240; row += 3)
            for (int x = 0; x < 320; x += 3) sum += work.row(row)[3 * x + 2];
        return sum;
    };

    red->setSliderPosition(5);  // thumb dragged: 255 - 5
    EXPECT_EQ(session().state().colorSettings.redGain, 250);
    const long long strong = workRed();
    red->triggerAction(QAbstractSlider::SliderPageStepSub);  // page up
    EXPECT_EQ(session().state().colorSettings.redGain, 255);
    EXPECT_EQ(red->value(), 0);  // at the top
    EXPECT_EQ(viewText(kRedValue), "255");
    red->triggerAction(QAbstractSlider::SliderSingleStepSub);  // line up stays
    EXPECT_EQ(session().state().colorSettings.redGain, 255);
    red->setSliderPosition(0);
    EXPECT_EQ(session().state().colorSettings.redGain, 255);

    red->setSliderPosition(255 - 8);
    red->triggerAction(QAbstractSlider::SliderPageStepAdd);  // page down from 8
    EXPECT_EQ(session().state().colorSettings.redGain, 0);
    EXPECT_EQ(red->value(), 255);
    red->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // line down stays at 0
    EXPECT_EQ(session().state().colorSettings.redGain, 0);
    red->setSliderPosition(255 - 9);
    red->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(session().state().colorSettings.redGain, 1);
    EXPECT_EQ(viewText(kRedValue), "1");
    EXPECT_LT(workRed() * 4, strong);  // the picture was converted again with the new gain

    // Luminance goes to its own field; the others stay.
    bar(kLumaBar)->setSliderPosition(255 - 20);
    EXPECT_EQ(session().state().colorSettings.lumaGain, 20);
    EXPECT_EQ(session().state().colorSettings.redGain, 1);
    EXPECT_EQ(viewText(kRedValue + 3), "20");
    (void)v;
}

TEST_F(ImageViewTest, ApplyRefreshesTheThumbnailAndSurvivesPaging) {
    const Rect& r = window().state().frameRects[0];
    const QRect thumb(r.left + 2, r.top + 2, r.right - r.left - 6, r.bottom - r.top - 6);
    const long long before = redSum(grab(), thumb);

    open(0);
    bar(kRedBar)->setSliderPosition(255 - 4);
    EXPECT_EQ(redSum(grab(), thumb), before);  // not applied yet
    viewClick(kApply);
    const ColorSettings& entry = session().state().imageColor[0];
    EXPECT_EQ(entry.redGain, 4);
    EXPECT_EQ(entry.awbMode, 0);
    const long long applied = redSum(grab(), thumb);
    EXPECT_LT(applied * 2, before);

    click(mainid::kNext);
    click(mainid::kPrevious);
    EXPECT_EQ(session().state().pageIndex, 0);
    EXPECT_EQ(session().state().imageColor[0].redGain, 4);
    EXPECT_LT(redSum(grab(), thumb) * 2, before);

    // Applied from another page: the image keeps its settings, the page shown keeps its slots.
    click(mainid::kNext);
    const long long otherPage = redSum(grab(), thumb);
    bar(kRedBar)->setSliderPosition(255 - 200);
    viewClick(kApply);
    EXPECT_EQ(session().state().imageColor[0].redGain, 200);
    EXPECT_EQ(redSum(grab(), thumb), otherPage);
    click(mainid::kPrevious);
    EXPECT_GT(redSum(grab(), thumb), applied * 2);
}

TEST_F(ImageViewTest, SaveAtBothZoomsAndWithoutMemory) {
    std::string path;
    SetSaveDIBChooser(chooseTestPath, &path);
    desk().seams.saveDib = [](HGLOBAL bitmap) { return SaveDIB(bitmap); };
    open(imageOfWidth(160));

    path = (folder / "x1.bmp").string();
    viewClick(kSave);
    QImage x1(QString::fromStdString(path));
    EXPECT_EQ(x1.size(), QSize(160, 120));
    const BYTE* top = session().state().workImage.row(119) + 3 * 30;
    EXPECT_EQ(x1.pixel(30, 0) & 0xFFFFFF, qRgb(top[2], top[1], top[0]) & 0xFFFFFF);

    viewClick(kX2);
    path = (folder / "x2.png").string();
    viewClick(kSave);
    QImage x2(QString::fromStdString(path));
    EXPECT_EQ(x2.size(), QSize(320, 240));
    const BYTE* top2 = session().state().displayImage.row(239) + 3 * 61;
    EXPECT_EQ(x2.pixel(61, 0) & 0xFFFFFF, qRgb(top2[2], top2[1], top2[0]) & 0xFFFFFF);
    EXPECT_TRUE(boxes.empty());

    view().allocateImage = [](int, int, int) -> HGLOBAL { return nullptr; };
    path = (folder / "none.bmp").string();
    viewClick(kSave);
    EXPECT_EQ(boxes, std::vector<QString>{"Allocate memory fails"});
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(ImageViewTest, HintLine) {
    ImageViewWindow& v = open(imageOfWidth(320));
    v.activateWindow();
    QApplication::setActiveWindow(&v);
    ASSERT_TRUE(v.isActiveWindow());
    ASSERT_TRUE(v.hookInstalled());

    // Moves addressed to each control of the table (the application hook).
    const std::pair<int, const char*> table[] = {
        {kReturn, "Return to Main Window"},         {kSave, "Save the image shown on the window"},
        {kApply, "Applying the color information"}, {kRedBar, "Adjusting the R gain"},
        {kGreenBar, "Adjusting the G gain"},        {kBlueBar, "Adjusting the B gain"},
        {kLumaBar, "Adjusting the luminous"},       {kX2, "Display the Twice image size"},
    };
    for (const auto& [id, hint] : table) {
        moveMouse(v.control(id), QPoint(2, 2));
        EXPECT_EQ(viewText(kHint), hint) << id;
    }
    // The background clears it.
    moveMouse(&v, v.control(kArea)->geometry().center());
    EXPECT_EQ(viewText(kHint), "");

    // "X1" is disabled at X1: the window's own moves find it by its rectangle.
    ASSERT_FALSE(viewEnabled(kX1));
    moveMouse(&v, v.control(kX1)->geometry().center());
    EXPECT_EQ(viewText(kHint), "Display the Original image size");
    moveMouse(&v, QPoint(2, 2));
    moveMouse(v.control(kX1), QPoint(3, 3));  // passed on to the window by the button
    EXPECT_EQ(viewText(kHint), "Display the Original image size");
    moveMouse(&v, QPoint(2, 2));
    EXPECT_EQ(viewText(kHint), "");

    // "Return" hides the window and takes the hook away; opening again brings both back.
    viewClick(kReturn);
    EXPECT_FALSE(v.isVisible());
    EXPECT_FALSE(v.hookInstalled());
    EXPECT_TRUE(v.drawingOff());
    open(imageOfWidth(160));
    EXPECT_TRUE(v.isVisible());
    EXPECT_TRUE(v.hookInstalled());
    EXPECT_FALSE(v.drawingOff());
}

}  // namespace
}  // namespace zentdesk::testing
