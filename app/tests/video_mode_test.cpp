// The video-mode window against the simulated camera: opening state, the preview road with its
// status texts, frames on the screen, white balance, the size switch, the scroll bars, the gamma
// edit, a camera that vanishes, and "SAVE".
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <array>
#include <cstdio>

#include "app_test_support.h"
#include "host_checks.h"
#include "paint_layer.h"
#include "save.h"
#include "video_mode_window.h"

namespace zentdesk::testing {
namespace {

using namespace videoid;

// What a shell command printed, without trailing line ends and blanks.
std::string capture(const std::string& command) {
    std::string out = camera::commandOutput(command);
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

struct Sums {
    long long r = 0, g = 0, b = 0;
};

// Channel sums of the top-left w x h picture held bottom-up in `image`.
Sums channelSums(const PackedBitmap& image, int w, int h) {
    Sums s;
    for (int row = 0; row < h; ++row)
        for (int x = 0; x < w; ++x) {
            const BYTE* p = image.row(row) + 3 * x;
            s.b += p[0];
            s.g += p[1];
            s.r += p[2];
        }
    return s;
}

class VideoModeTest : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        plug();
        window();
        video = std::make_unique<VideoModeWindow>(desk());
        video->show();
        onShown = [this](int id, const QString& shown) {
            if (id != kStatus) return;
            statuses.push_back(shown);
            // What the camera had been asked when the text reached the screen.
            modesAtStatus.push_back(cam().counters().modesProgrammed);
        };
    }
    void TearDown() override {
        video.reset();
        SetSaveDIBChooser(nullptr, nullptr);
        AppTest::TearDown();
    }
    template <class T>
    T* get(int id) {
        return qobject_cast<T*>(video->control(id));
    }
    void press(int id) {
        auto* button = get<QAbstractButton>(id);
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(button->isEnabled()) << id;
        button->click();
    }
    QString label(int id) { return get<QLabel>(id)->text(); }
    void startPreview() {
        statuses.clear();
        press(kPreview);
        ASSERT_TRUE(video->previewing());
    }
    const SessionState& s() { return session().state(); }

    std::unique_ptr<VideoModeWindow> video;
    std::vector<QString> statuses;
    std::vector<uint64_t> modesAtStatus;
};

TEST_F(VideoModeTest, OpeningState) {
    EXPECT_EQ(video->windowTitle(), "Video mode");
    EXPECT_TRUE(get<QRadioButton>(kSize320)->isChecked());
    EXPECT_FALSE(get<QRadioButton>(kSize160)->isChecked());
    EXPECT_TRUE(get<QCheckBox>(kAutoWhiteBalance)->isChecked());
    EXPECT_TRUE(get<QCheckBox>(kIsGamma)->isChecked());
    EXPECT_EQ(get<QLineEdit>(kGammaEdit)->text(), "0.8");
    EXPECT_TRUE(get<QLineEdit>(kGammaEdit)->isEnabled());
    const std::array<std::pair<int, int>, 4> bars = {
        {{kRedBar, 27}, {kGreenBar, 32}, {kBlueBar, 49}, {kLumaBar, 36}}};
    for (const auto& [id, value] : bars) {
        EXPECT_EQ(get<QScrollBar>(id)->value(), value);
        EXPECT_EQ(get<QScrollBar>(id)->maximum(), 255);
        EXPECT_EQ(get<QScrollBar>(id)->isEnabled(), id == kLumaBar);
    }
    EXPECT_EQ(label(kRedLabel), "R = 27");
    EXPECT_EQ(label(kGreenLabel), "G = 32");
    EXPECT_EQ(label(kBlueLabel), "B = 49");
    EXPECT_EQ(label(kLumaLabel), "Y = 36");
    EXPECT_FALSE(get<QLabel>(kRedLabel)->isEnabled());
    EXPECT_TRUE(get<QLabel>(kLumaLabel)->isEnabled());

    const ColorSettings& c = s().colorSettings;
    EXPECT_EQ(c.redGain, 27);
    EXPECT_EQ(c.greenGain, 32);
    EXPECT_EQ(c.blueGain, 49);
    EXPECT_EQ(c.lumaGain, 36);
    EXPECT_EQ(c.awbMode, 2);
    EXPECT_FLOAT_EQ(c.gamma1, 1.0f);
    EXPECT_FLOAT_EQ(c.gamma2, 0.8f);
    EXPECT_EQ(c.lumaGammaOn, 0);
    EXPECT_EQ(c.gamma2On, 1);
    EXPECT_EQ(s().paintEnabled, 0);
    EXPECT_FALSE(video->previewing());
    EXPECT_TRUE(get<QPushButton>(kSave)->isEnabled());
    EXPECT_TRUE(get<QPushButton>(kExit)->isEnabled());
}

TEST_F(VideoModeTest, PreviewShowsLiveFramesCentredAndUpright) {
    startPreview();
    const std::vector<QString> expected = {"", "Waiting .... while checking the camera",
                                           "Capturing the FPN", "Previewing the images"};
    EXPECT_EQ(statuses, expected);
    // Each text is out before the camera step it announces.
    EXPECT_EQ(modesAtStatus[1], 0u);
    EXPECT_EQ(modesAtStatus[2], 1u);
    EXPECT_TRUE(video->timerRunning());
    EXPECT_EQ(video->timerId(), 10);
    EXPECT_FALSE(get<QPushButton>(kSave)->isEnabled());
    EXPECT_FALSE(get<QPushButton>(kExit)->isEnabled());
    EXPECT_EQ(cam().mode(), 1);
    EXPECT_EQ(s().hwInterface.level, 120);
    EXPECT_EQ(s().paintEnabled, 1);

    video->timerTick();
    const Sums first = channelSums(s().displayImage, 320, 240);
    EXPECT_GT(first.r + first.g + first.b, 320LL * 240 * 3 * 20);  // a lit picture arrived
    for (int i = 0; i < 5; ++i) video->timerTick();
    const Sums later = channelSums(s().displayImage, 320, 240);
    EXPECT_NE(first.r + first.g + first.b, later.r + later.g + later.b);  // the scene moves

    // Centred in the preview area, outlined, and the grab shows displayImage row for row.
    const Rect& r = video->previewRect();
    const QRect area = video->control(kFrame)->geometry();
    EXPECT_EQ(r.right - r.left, 321);
    EXPECT_EQ(r.bottom - r.top, 241);
    EXPECT_LE(std::abs((r.left + r.right) - (2 * area.left() + area.width() - 1)), 2);
    EXPECT_LE(std::abs((r.top + r.bottom) - (2 * area.top() + area.height() - 1)), 2);
    const QImage shot = video->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shot.pixel(r.left, r.top + 50) & 0xFFFFFF, 0u);
    for (int y = 0; y < 240; y += 13) {
        for (int x = 0; x < 320; x += 17) {
            const BYTE* p = s().displayImage.row(239 - y) + 3 * x;
            ASSERT_EQ(shot.pixel(r.left + 1 + x, r.top + 1 + y), qRgb(p[2], p[1], p[0]))
                << x << "," << y;
        }
    }
    // Upright: each flat region of the scene is nearest in colour to its own true colour.
    const auto regions = cam().lastLiveScene().regions(320, 240);
    for (const camera::Region& region : regions) {
        long long sum[3] = {};
        int count = 0;
        for (int y = region.y + 8; y < region.y + region.height - 8; y += 4)
            for (int x = region.x + 8; x < region.x + region.width - 8; x += 4, ++count) {
                const QRgb c = shot.pixel(r.left + 1 + x, r.top + 1 + y);
                sum[0] += qRed(c);
                sum[1] += qGreen(c);
                sum[2] += qBlue(c);
            }
        const camera::Region* nearest = nullptr;
        long long best = -1;
        for (const camera::Region& other : regions) {
            const long long dr = sum[0] / count - other.colour.r;
            const long long dg = sum[1] / count - other.colour.g;
            const long long db = sum[2] / count - other.colour.b;
            const long long d = dr * dr + dg * dg + db * db;
            if (best < 0 || d < best) best = d, nearest = &other;
        }
        EXPECT_EQ(nearest->name, region.name);
    }

    statuses.clear();
    press(kPreview);
    EXPECT_EQ(statuses, std::vector<QString>{"Stop previewing"});
    EXPECT_FALSE(video->timerRunning());
    EXPECT_TRUE(get<QPushButton>(kSave)->isEnabled());
    EXPECT_TRUE(get<QPushButton>(kExit)->isEnabled());
    EXPECT_EQ(s().paintEnabled, 1);
}

TEST_F(VideoModeTest, AutoWhiteBalancePullsTheCastTowardGrey) {
    // Manual gains of 1.0 show the camera's red cast.
    press(kAutoWhiteBalance);
    for (int id : {kRedBar, kGreenBar, kBlueBar}) {
        get<QScrollBar>(id)->setSliderPosition(32);
    }
    EXPECT_EQ(s().colorSettings.awbMode, 0);
    EXPECT_EQ(s().colorSettings.redGain, 32);
    startPreview();
    video->timerTick();
    const Sums cast = channelSums(s().displayImage, 320, 240);
    ASSERT_GT(cast.r, cast.b * 5 / 4);

    press(kAutoWhiteBalance);
    EXPECT_EQ(s().colorSettings.awbMode, 2);
    EXPECT_EQ(s().colorSettings.redGain, 36);
    EXPECT_FALSE(get<QScrollBar>(kRedBar)->isEnabled());
    for (int i = 0; i < 8; ++i) video->timerTick();
    const Sums balanced = channelSums(s().displayImage, 320, 240);
    const double before = double(cast.r) / double(cast.b);
    const double after = double(balanced.r) / double(balanced.b);
    EXPECT_LT(std::abs(after - 1.0), std::abs(before - 1.0) / 2) << before << " -> " << after;
}

TEST_F(VideoModeTest, SizeSwitchWhilePreviewingRecapturesTheNoiseFrame) {
    startPreview();
    video->timerTick();
    const Rect large = video->previewRect();
    statuses.clear();
    get<QRadioButton>(kSize160)->click();
    video->timerTick();
    EXPECT_EQ(statuses, (std::vector<QString>{"Re-Capturing the FPN", "Previewing the images"}));
    EXPECT_TRUE(video->previewing());
    EXPECT_EQ(cam().mode(), 0);
    EXPECT_EQ(video->previewWidth(), 160);
    const Rect& small = video->previewRect();
    EXPECT_EQ(small.right - small.left, 161);
    EXPECT_EQ(small.bottom - small.top, 121);
    // Shrunk about the same centre.
    EXPECT_LE(std::abs((small.left + small.right) - (large.left + large.right)), 2);
    EXPECT_LE(std::abs((small.top + small.bottom) - (large.top + large.bottom)), 2);

    statuses.clear();
    for (int i = 0; i < 3; ++i) video->timerTick();
    EXPECT_TRUE(statuses.empty());
    EXPECT_TRUE(boxes.empty());
    const Sums frame = channelSums(s().displayImage, 160, 120);
    EXPECT_GT(frame.r + frame.g + frame.b, 160LL * 120 * 3 * 20);
    // The old, larger outline is gone from the screen.
    const QImage shot = video->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_NE(shot.pixel(large.left, large.top + 20) & 0xFFFFFF, 0u);
}

TEST_F(VideoModeTest, ScrollBarsStepAndClampAtTheirEdges) {
    EXPECT_EQ(scrolledValue(250, ScrollRequest::PageMore, 0), 255);
    EXPECT_EQ(scrolledValue(246, ScrollRequest::PageMore, 0), 254);
    EXPECT_EQ(scrolledValue(8, ScrollRequest::PageLess, 0), 0);
    EXPECT_EQ(scrolledValue(9, ScrollRequest::PageLess, 0), 1);
    EXPECT_EQ(scrolledValue(255, ScrollRequest::LineMore, 0), 255);
    EXPECT_EQ(scrolledValue(0, ScrollRequest::LineLess, 0), 0);
    EXPECT_EQ(scrolledValue(40, ScrollRequest::Thumb, 77), 77);
    EXPECT_EQ(scrolledValue(40, ScrollRequest::Other, 77), 40);

    // Through the luminance bar (enabled while white balance is on).
    QScrollBar* bar = get<QScrollBar>(kLumaBar);
    bar->setSliderPosition(250);
    EXPECT_EQ(s().colorSettings.lumaGain, 250);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(bar->value(), 255);
    EXPECT_EQ(label(kLumaLabel), "Y = 255");
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(bar->value(), 255);
    bar->setSliderPosition(8);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(bar->value(), 0);
    bar->setSliderPosition(9);
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(bar->value(), 1);
    EXPECT_EQ(s().colorSettings.lumaGain, 1);
    EXPECT_EQ(label(kLumaLabel), "Y = 1");

    // Any bar's request puts the manual gains into the record, white balance or not.
    EXPECT_EQ(s().colorSettings.awbMode, 2);
    EXPECT_EQ(s().colorSettings.redGain, 27);
    EXPECT_EQ(s().colorSettings.greenGain, 32);
    EXPECT_EQ(s().colorSettings.blueGain, 49);

    press(kAutoWhiteBalance);
    QScrollBar* blue = get<QScrollBar>(kBlueBar);
    blue->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(video->manualBlue(), 57);
    EXPECT_EQ(s().colorSettings.blueGain, 57);
    EXPECT_EQ(label(kBlueLabel), "B = 57");
}

TEST_F(VideoModeTest, GammaEditAndExit) {
    QLineEdit* edit = get<QLineEdit>(kGammaEdit);
    edit->setText("");
    EXPECT_FLOAT_EQ(s().colorSettings.gamma2, 0.0f);
    edit->setText("1.25");
    EXPECT_FLOAT_EQ(s().colorSettings.gamma2, 1.25f);
    edit->setText("abc");
    EXPECT_FLOAT_EQ(s().colorSettings.gamma2, 0.0f);
    edit->setText(" 2.5x");
    EXPECT_FLOAT_EQ(s().colorSettings.gamma2, 2.5f);
    // Only 19 characters are read, however long the text.
    edit->setText(QString(20000, QChar('1')));
    EXPECT_FLOAT_EQ(s().colorSettings.gamma2, 1111111111111111111.0f);
    EXPECT_FLOAT_EQ(gammaFromText(QString("1.5") + QString(100, '7')), 1.5777777777777777f);

    press(kIsGamma);
    EXPECT_EQ(s().colorSettings.gamma2On, 0);
    EXPECT_FALSE(edit->isEnabled());
    press(kIsGamma);
    EXPECT_TRUE(edit->isEnabled());

    edit->setText("abc");
    press(kExit);
    EXPECT_EQ(boxes, std::vector<QString>{"Please enter a number."});
    EXPECT_TRUE(video->isVisible());
    edit->setText("");
    press(kExit);
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(video->isVisible());

    edit->setText(" 1.5 ");
    press(kExit);
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_FALSE(video->isVisible());
    EXPECT_EQ(video->result(), QDialog::Accepted);
    EXPECT_FLOAT_EQ(video->gammaValue, 1.5f);
    EXPECT_EQ(s().paintEnabled, 1);
}

TEST_F(VideoModeTest, CameraMissingOrVanishing) {
    unplug();
    press(kPreview);
    EXPECT_EQ(boxes, std::vector<QString>{kNotFound});
    EXPECT_FALSE(video->previewing());
    EXPECT_FALSE(video->timerRunning());
    EXPECT_EQ(statuses.back(), "");
    EXPECT_TRUE(get<QPushButton>(kSave)->isEnabled());

    plug();
    boxes.clear();
    startPreview();
    video->timerTick();
    cam().vanish();
    video->timerTick();
    EXPECT_EQ(boxes, std::vector<QString>{kNotFound});
    EXPECT_FALSE(video->previewing());
    EXPECT_FALSE(video->timerRunning());
    EXPECT_EQ(label(kStatus), "");
    EXPECT_TRUE(get<QPushButton>(kExit)->isEnabled());
    video->timerTick();  // a late tick after the stop does nothing
    EXPECT_EQ(boxes.size(), 1u);

    // The camera is back: the next preview works.
    cam().plugIn();
    boxes.clear();
    startPreview();
    EXPECT_EQ(statuses.back(), "Previewing the images");
    video->timerTick();
    EXPECT_TRUE(video->previewing());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(VideoModeTest, SaveWritesTheFrameUpright) {
    startPreview();
    video->timerTick();
    press(kPreview);

    const std::string path = (folder / "frame.bmp").string();
    SetSaveDIBChooser(
        [](char* out, int capacity, void* context) {
            std::snprintf(out, capacity, "%s", static_cast<std::string*>(context)->c_str());
            return 1;
        },
        const_cast<std::string*>(&path));
    desk().seams.saveDib = [](HGLOBAL bitmap) { return SaveDIB(bitmap); };

    // No memory for the copy: nothing happens.
    video->allocateImage = [](int, int, int) -> HGLOBAL { return nullptr; };
    press(kSave);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(boxes.empty());

    video->allocateImage = GetImgHandle;
    press(kSave);
    ASSERT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(capture("identify -format '%w %h %[bit-depth] %[channels]' " + path),
              "320 240 8 srgb");
    // The top-left pixel of the file is the top line of the picture (the last memory row).
    const BYTE* top = s().displayImage.row(239) + 3 * 5;
    const BYTE* bottom = s().displayImage.row(0) + 3 * 5;
    const auto pixel = [&](int x, int y) {
        return capture("identify -format '%[fx:int(255*p{" + std::to_string(x) + "," +
                       std::to_string(y) + "}.r)] %[fx:int(255*p{" + std::to_string(x) + "," +
                       std::to_string(y) + "}.b)]' " + path);
    };
    EXPECT_EQ(pixel(5, 0), std::to_string(top[2]) + " " + std::to_string(top[0]));
    EXPECT_EQ(pixel(5, 239), std::to_string(bottom[2]) + " " + std::to_string(bottom[0]));
}

}  // namespace
}  // namespace zentdesk::testing
