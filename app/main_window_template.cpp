// Dialog template 129: the main window, 473 x 327 dialog units.
#include <array>

#include "main_window_template.h"

namespace zentdesk {
namespace {

using K = ControlKind;

constexpr int kColumnX[5] = {7, 84, 161, 238, 315};
constexpr int kRowY[3] = {17, 103, 189};

constexpr const char* kNumbers[15] = {"1", "2",  "3",  "4",  "5",  "6",  "7", "8",
                                      "9", "10", "11", "12", "13", "14", "15"};

constexpr const char* kPlugText =
    "Please plug the USB cable into Duovue and PC to download the images.";

constexpr int kControlCount = 21 + 3 * 15;

constexpr std::array<ControlSpec, kControlCount> buildControls() {
    std::array<ControlSpec, kControlCount> c{};
    int i = 0;
    // Group boxes and fixed texts first, so the controls inside lie above them.
    c[i++] = {kStaticId, K::GroupBox, "DSC Image #", 395, 52, 71, 28};
    c[i++] = {kStaticId, K::GroupBox, "Message", 7, 251, 459, 32};
    c[i++] = {kStaticId, K::GroupBox, "V8", 7, 299, 300, 27};
    c[i++] = {kStaticId, K::GroupBox, "Resolution", 312, 299, 73, 27};
    c[i++] = {kStaticId, K::Label, "Total V8 # =", 13, 311, 50, 10};
    c[i++] = {kStaticId, K::Label, "Play V8 No.=", 106, 311, 50, 10};

    c[i++] = {mainid::kDownload, K::DefaultPushButton, "DownLoad", 395, 92, 71, 16};
    c[i++] = {mainid::kNext, K::PushButton, "Next 15 images", 395, 114, 71, 16};
    c[i++] = {mainid::kPrevious, K::PushButton, "Pre 15 images", 395, 136, 71, 16};
    c[i++] = {mainid::kVideoMode, K::PushButton, "Video mode", 395, 158, 71, 16};
    c[i++] = {mainid::kErase, K::PushButton, "Erase", 395, 180, 71, 16};
    c[i++] = {mainid::kExit, K::PushButton, "EXIT", 395, 222, 71, 16};

    for (int s = 0; s < 15; ++s) {
        const int x = kColumnX[s % 5];
        const int y = kRowY[s / 5];
        const int width = (s == 2) ? 72 : 71;
        c[i++] = {mainid::kFirstFrame + s, K::BlackFrame, "", x, y, width, 49};
    }
    c[i++] = {mainid::kCounter, K::SunkenBlackFrame, "", 399, 17, 63, 28};
    c[i++] = {mainid::kDscCount, K::CentredLabel, "0", 401, 64, 59, 10};
    c[i++] = {mainid::kMessage, K::Label, kPlugText, 13, 260, 447, 20};
    c[i++] = {mainid::kProgress, K::ProgressBar, "", 7, 286, 378, 11};
    c[i++] = {mainid::kClipCount, K::Label, "V8 = 0", 64, 311, 38, 10};
    c[i++] = {mainid::kClipNumberEdit, K::NumberEdit, "", 158, 310, 34, 12};
    c[i++] = {mainid::kClipUpDown, K::UpDown, "", 192, 310, 11, 12};
    c[i++] = {mainid::kPlay, K::PushButton, "Play", 210, 310, 50, 12};
    c[i++] = {mainid::kResolution, K::CentredLabel, "Static", 318, 311, 61, 10};

    for (int s = 0; s < 15; ++s) {
        const int x = kColumnX[s % 5];
        const int y = kRowY[s / 5];
        const int width = (s == 2) ? 72 : 71;
        c[i++] = {
            mainid::kFirstNumberLabel + s, K::SunkenCentredLabel, kNumbers[s], x, y - 11, width, 9};
        c[i++] = {mainid::kFirstCaption + s, K::SunkenCentredLabel, "", x, y + 51, width, 9};
    }
    if (i != kControlCount) throw "control count";
    return c;
}

constexpr std::array<ControlSpec, kControlCount> kControls = buildControls();

}  // namespace

const DialogTemplate& mainWindowTemplate() {
    static const DialogTemplate dialog{129, "Duovue", 473, 327, true, kControls};
    return dialog;
}

}  // namespace zentdesk
