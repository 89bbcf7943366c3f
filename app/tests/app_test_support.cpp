#include "app_test_support.h"

#include <QProgressBar>
#include <cstdlib>

namespace zentdesk::testing {

QApplication& application() {
    static int argc = 1;
    static char name[] = "zentdesk_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

void AppTest::SetUp() {
    application();
    platform::installClock(&clock_);
    char pattern[] = "/tmp/zentdesk-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
    desk_ = std::make_unique<Desk>();
    Seams& seams = desk_->seams;
    seams.messageBox = [this](QWidget*, const QString& text, MessageButtons buttons) {
        boxes.push_back(text);
        if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
        if (answers.empty()) return MessageAnswer::No;
        const MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    };
    seams.runModal = [this](QDialog&) {
        ++modalRuns;
        return 0;
    };
    seams.openFile = [this](const std::string& path) { opened.push_back(path); };
    seams.moduleFolder = [this] { return folder.string() + "/"; };
    seams.shown = [this](int id, const QString& shownText) {
        if (id == mainid::kMessage) messages.push_back(shownText);
        if (id == mainid::kProgress) progress.push_back(shownText.toInt());
        if (onShown) onShown(id, shownText);
    };
}

void AppTest::TearDown() {
    window_.reset();
    desk_.reset();
    platform::detachUsbDevice(0);
    camera_.reset();
    platform::installClock(nullptr);
    std::error_code error;
    std::filesystem::remove_all(folder, error);
}

camera::SimCamera& AppTest::plug(const camera::CameraOptions& options) {
    camera_ = std::make_shared<camera::SimCamera>(options);
    platform::attachUsbDevice(0, camera_);
    return *camera_;
}

void AppTest::unplug() {
    platform::detachUsbDevice(0);
}

MainWindow& AppTest::window() {
    if (!window_) {
        window_ = std::make_unique<MainWindow>(*desk_);
        window_->show();
    }
    return *window_;
}

QString AppTest::text(int id) {
    QWidget* w = window().control(id);
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
    if (auto* button = qobject_cast<QPushButton*>(w)) return button->text();
    return {};
}

QImage AppTest::grab() {
    return window().grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void AppTest::click(int id) {
    auto* button = qobject_cast<QPushButton*>(window().control(id));
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isEnabled()) << "button " << id << " is disabled";
    button->click();
}

void AppTest::download(MessageAnswer answer) {
    answers.push_back(answer);
    messages.clear();
    progress.clear();
    boxes.clear();
    click(mainid::kDownload);
}

std::array<uint8_t, 256> AppTest::stillsTable(int count) {
    std::array<uint8_t, 256> table;
    table.fill(0x70);
    for (int i = 0; i < count && i < 256; ++i) table[i] = 0x20;
    return table;
}

}  // namespace zentdesk::testing

// Fontconfig keeps a small cache for the life of the process; it is not ours to free.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}
