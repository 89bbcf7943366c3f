// The main window at start-up, its thumbnail pages, the digit counter, the mouse over the
// thumbnails and the shut-down.
#include <QMouseEvent>
#include <QProgressBar>
#include <set>

#include "app_test_support.h"
#include "digit_bitmap.h"
#include "image_view_window.h"

namespace zentdesk::testing {
namespace {

using namespace mainid;

class ThumbnailPagesTest : public AppTest {
  protected:
    // Reads the counter off the screen: "F042" (final series) or "R042" (running series).
    QString counterOnScreen() {
        const QImage screen = grab();
        const CounterGeometry& g = window().state().counter;
        const QImage digits = makeDigitBitmap().convertToFormat(QImage::Format_RGB32);
        QString result;
        bool running = false;
        for (int i = 0; i < 3; ++i) {
            const QImage cell =
                screen.copy(g.left + i * g.digitWidth, g.top, g.digitWidth, g.digitHeight);
            long best = -1;
            int bestDigit = 0;
            for (int series = 0; series < 2; ++series) {
                for (int d = 0; d <= 9; ++d) {
                    const int top = series ? runningDigitTop(d) : finalDigitTop(d);
                    const QImage glyph = digits.copy(0, top, kDigitBitmapWidth, kDigitCellHeight)
                                             .scaled(g.digitWidth, g.digitHeight);
                    long sad = 0;
                    for (int y = 0; y < g.digitHeight; ++y) {
                        for (int x = 0; x < g.digitWidth; ++x) {
                            const QRgb a = cell.pixel(x, y), b = glyph.pixel(x, y);
                            sad += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                                   std::abs(qBlue(a) - qBlue(b));
                        }
                    }
                    if (best < 0 || sad < best) best = sad, bestDigit = d, running = series;
                }
            }
            result += QString::number(bestDigit);
        }
        return (running ? "R" : "F") + result;
    }

    QPoint centre(int slot) {
        const Rect& r = window().state().frameRects[slot];
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    void mouse(QEvent::Type type, QPoint at) {
        QMouseEvent event(type, at, window().mapToGlobal(at),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&window(), &event);
    }
    // Colour of the outline drawn around a slot (top edge, a little right of the corner).
    QRgb outlineColour(const QImage& screen, int slot) {
        const Rect& r = window().state().frameRects[slot];
        return screen.pixel(r.left + 8, r.top - 1) & 0xFFFFFF;
    }
    // The slot's thumbnail as the window should show it, compared with the screen.
    // `outlined`: the slot carries an outline, which covers the thumbnail's top row and left
    // column.
    int thumbnailMismatches(const QImage& screen, int slot, int imageNumber,
                            bool outlined = false) {
        MainWindowState& s = window().state();
        const SessionState& shared = session().state();
        PackedBitmap thumb;
        EXPECT_TRUE(thumb.allocate(s.frameWidth, s.frameHeight));
        const int w = s.frameWidth - 4, h = s.frameHeight - 4;
        ToRescaleImg(shared.slotImages[slot].rows(), thumb.rows(), shared.imageWidth[imageNumber],
                     shared.imageHeight[imageNumber], w, h);
        const Rect& r = s.frameRects[slot];
        int mismatches = 0;
        const int first = outlined ? 1 : 0;
        for (int y = first; y < h; ++y) {
            const BYTE* row = thumb.row(h - 1 - y);
            for (int x = first; x < w; ++x) {
                mismatches += screen.pixel(r.left + 1 + x, r.top + 1 + y) !=
                              qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
            }
        }
        thumb.release();
        return mismatches;
    }
    bool slotLooksEmpty(const QImage& screen, int slot) {
        const QPoint c = centre(slot);
        return screen.pixel(c) == window().palette().color(QPalette::Window).rgb();
    }
};

TEST_F(ThumbnailPagesTest, StartUpLayoutAndEnabling) {
    MainWindow& w = window();
    EXPECT_EQ(w.windowTitle(), "Duovue");
    EXPECT_EQ(w.size(), QSize(710, 531));  // 473 x 327 dialog units
    EXPECT_EQ(text(kDownload), "DownLoad");
    EXPECT_EQ(text(kFirstNumberLabel + 14), "15");
    EXPECT_EQ(text(kMessage),
              "Please plug the USB cable into Duovue and PC to download the images.");
    EXPECT_EQ(text(kDscCount), "0");
    EXPECT_EQ(text(kClipCount), "V8 = 0");
    EXPECT_EQ(text(kResolution), "Static");
    EXPECT_EQ(control<QProgressBar>(w, kProgress)->maximum(), 8);

    const MainWindowState& s = w.state();
    const SessionState& shared = session().state();
    // Frame 1015 at (7, 17) dialog units, 71 x 49; frame 1017 is one unit wider.
    EXPECT_EQ(w.control(kFirstFrame)->geometry(), QRect(11, 28, 106, 79));
    EXPECT_EQ(w.control(kFirstFrame + 2)->geometry().width(), 108);
    EXPECT_EQ(s.frameWidth, 107);
    EXPECT_EQ(s.frameHeight, 80);
    for (const PackedBitmap& slot : shared.slotImages) EXPECT_TRUE(slot);
    EXPECT_EQ(shared.thumbImage.header()->biHeight, s.frameHeight);

    for (int id : {kDownload, kVideoMode, kExit}) EXPECT_TRUE(enabled(id)) << id;
    for (int id : {kErase, kPlay, kNext, kPrevious}) EXPECT_FALSE(enabled(id)) << id;
    EXPECT_EQ(counterOnScreen(), "F000");

    // Before any download the thumbnail area ignores the mouse.
    mouse(QEvent::MouseMove, centre(0));
    mouse(QEvent::MouseButtonDblClick, centre(0));
    EXPECT_EQ(s.hoverSlot, -1);
    EXPECT_EQ(s.selectedSlot, -1);
    EXPECT_TRUE(messages.empty());

    click(kVideoMode);
    EXPECT_EQ(modalRuns, 1);
}

TEST_F(ThumbnailPagesTest, ShutDownFreesEachBufferOnce) {
    MainWindow& w = window();
    click(kExit);
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_EQ(w.endCaptureCalls(), 1);
    const SessionState& shared = session().state();
    for (const PackedBitmap& slot : shared.slotImages) EXPECT_EQ(slot.handle(), nullptr);
    EXPECT_EQ(shared.workImage.handle(), nullptr);
    EXPECT_EQ(shared.thumbImage.handle(), nullptr);
    EXPECT_EQ(shared.displayImage.handle(), nullptr);
    closeWindow();  // the destruction releases again, harmlessly
}

TEST_F(ThumbnailPagesTest, CounterRunsDuringTheDownloadAndRestsOnTheCount) {
    plug();
    cam().overrideImageTable(stillsTable(7));
    window();
    QString midway;
    int colouredPixels = 0;
    std::set<int> grayLevels;
    onShown = [&](int id, const QString& shown) {
        if (id != kFirstCaption + 2 || shown != "160x120") return;
        midway = counterOnScreen();
        // The third frame's gray thumbnail is on the screen as it arrives.
        const QImage screen = grab();
        const Rect& r = window().state().frameRects[2];
        for (int y = r.top + 2; y < r.bottom - 4; ++y) {
            for (int x = r.left + 2; x < r.right - 4; ++x) {
                const QRgb p = screen.pixel(x, y);
                if (qRed(p) == qGreen(p) && qGreen(p) == qBlue(p)) {
                    grayLevels.insert(qRed(p));
                } else {
                    ++colouredPixels;
                }
            }
        }
    };
    download();
    EXPECT_EQ(midway, "R003");
    EXPECT_GT(grayLevels.size(), 20u);  // a picture, not the empty frame
    EXPECT_EQ(colouredPixels, 0);
    EXPECT_EQ(text(kFirstCaption + 2), "DSC : 160x120");  // then in color
    EXPECT_EQ(counterOnScreen(), "F007");
}

TEST_F(ThumbnailPagesTest, Paging) {
    plug();
    for (int frames : {7, 14, 15, 30, 107}) {
        SCOPED_TRACE(frames);
        cam().overrideImageTable(stillsTable(frames));
        download();
        const MainWindowState& s = window().state();
        const SessionState& shared = session().state();
        ASSERT_EQ(shared.dscCount, frames);
        EXPECT_NE(std::find(messages.begin(), messages.end(),
                            frames < 15 ? "Display all Color images"
                                        : "Display the first 15 Color images"),
                  messages.end());
        const int pages = (frames + 14) / 15 + (frames % 15 == 0 ? 1 : 0);
        for (int page = 0; page < pages; ++page) {
            SCOPED_TRACE(page);
            if (page > 0) click(kNext);
            EXPECT_EQ(shared.pageIndex, page);
            const QImage screen = grab();
            for (int slot = 0; slot < 15; ++slot) {
                const int n = page * 15 + slot;
                if (n < frames) {
                    EXPECT_EQ(text(kFirstNumberLabel + slot), QString::number(n + 1));
                    EXPECT_EQ(text(kFirstCaption + slot), "DSC : 160x120");
                    EXPECT_EQ(thumbnailMismatches(screen, slot, n, slot == s.selectedSlot), 0)
                        << "slot " << slot;
                } else {
                    EXPECT_EQ(text(kFirstNumberLabel + slot), "");
                    EXPECT_EQ(text(kFirstCaption + slot), "");
                    if (slot != 0) {
                        EXPECT_TRUE(slotLooksEmpty(screen, slot)) << "slot " << slot;
                    }
                }
            }
            EXPECT_EQ(enabled(kNext), page + 1 < pages);
            EXPECT_EQ(enabled(kPrevious), page > 0);
            if (page > 0) {
                EXPECT_EQ(outlineColour(screen, 0), kSelectionColor);
            }
            EXPECT_EQ(counterOnScreen(), QStringLiteral("F%1").arg(frames, 3, 10, QChar('0')));
        }
        for (int page = pages - 1; page > 0; --page) click(kPrevious);
        EXPECT_EQ(shared.pageIndex, 0);
        EXPECT_FALSE(enabled(kPrevious));
        EXPECT_EQ(enabled(kNext), frames >= 15);
    }
}

TEST_F(ThumbnailPagesTest, HoverAndSelectionOutlines) {
    plug();
    cam().overrideImageTable(stillsTable(17));
    download();
    const MainWindowState& s = window().state();

    mouse(QEvent::MouseMove, centre(1));
    EXPECT_EQ(s.hoverSlot, 1);
    EXPECT_EQ(messages.back(), "Please double clicks to see its original size");
    EXPECT_EQ(outlineColour(grab(), 1), kHoverColor);

    mouse(QEvent::MouseMove, centre(2));
    QImage screen = grab();
    EXPECT_EQ(outlineColour(screen, 2), kHoverColor);
    EXPECT_NE(outlineColour(screen, 1), kHoverColor);  // erased
    EXPECT_EQ(thumbnailMismatches(screen, 1, 1), 0);   // and the thumbnail is whole again

    mouse(QEvent::MouseButtonDblClick, centre(3));
    EXPECT_EQ(s.selectedSlot, 3);
    mouse(QEvent::MouseMove, centre(4));
    screen = grab();
    EXPECT_EQ(outlineColour(screen, 3), kSelectionColor);
    EXPECT_EQ(outlineColour(screen, 4), kHoverColor);

    // On the last page an empty slot still shows the hover outline but cannot be selected.
    click(kNext);
    EXPECT_EQ(s.selectedSlot, 0);
    mouse(QEvent::MouseMove, centre(9));
    mouse(QEvent::MouseButtonDblClick, centre(9));
    EXPECT_EQ(s.selectedSlot, 0);
    screen = grab();
    EXPECT_EQ(outlineColour(screen, 9), kHoverColor);
    EXPECT_EQ(outlineColour(screen, 0), kSelectionColor);
}

}  // namespace
}  // namespace zentdesk::testing
