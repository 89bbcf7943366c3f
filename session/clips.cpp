// V8 clips as AVI files: each written under a temporary name beside its target and renamed over
// it only when complete.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "avi_writer.h"
#include "image_table.h"
#include "session.h"

namespace zentsession {

namespace {

std::string ordinalText(int clip) {
    static constexpr const char* kSuffix[] = {"st", "nd", "rd"};
    const int number = clip + 1;
    return "Wait ....... while saving the " + std::to_string(number) +
           (clip < 3 ? kSuffix[clip] : "th") + " V8 file";
}

// Creates a new file for writing beside `path`, under a name nothing else has; its name goes to
// `temporary`. Null when no such file can be made.
std::FILE* createTemporary(const std::string& path, std::string& temporary) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = path + "." + std::to_string(getpid()) + "-" + std::to_string(attempt) + ".part";
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            break;
        }
        if (std::FILE* file = fdopen(fd, "wb")) return file;
        ::close(fd);
        std::remove(temporary.c_str());
        break;
    }
    temporary.clear();
    return nullptr;
}

std::string fileName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

}  // namespace

Result Session::exportClip(int clip, const std::string& path, Observer& o) {
    SessionState& s = state_;
    if (clip < 0 || clip >= kTableSize || s.ClipTable[clip].used == 0 || path.empty()) {
        return Result::WriteFailed;
    }
    const ClipRecord& r = s.ClipTable[clip];
    PackedBitmap clipImage;
    if (!clipImage.allocate(r.width, r.height) || !s.workImage) {
        o.notice("error");
        return Result::NoMemory;
    }

    std::string temporary;
    AviFile file;
    if (!file.open(createTemporary(path, temporary))) return Result::WriteFailed;
    const auto discard = [&](Result result) {
        file.release();
        std::remove(temporary.c_str());
        return result;
    };

    const uint32_t frameBytes = uint32_t(r.width) * uint32_t(r.height) * 3;
    AviStreamInfo info;
    info.type = kStreamTypeVideo;
    info.handler = 0;
    info.scale = 1;
    info.rate = 15;
    info.suggestedBufferSize = frameBytes;
    info.quality = -1;
    info.frameRight = r.width;
    info.frameBottom = r.height;
    if (!file.createStream(info)) return discard(Result::WriteFailed);
    AviCompressOptions options;
    options.handler = kHandlerDib;
    options.flags = kCompressValid;
    if (!file.makeCompressedStream(options) || !file.setFormat(0, *clipImage.header())) {
        o.notice("This V8 does not been saved !");
        return discard(Result::WriteFailed);
    }

    const int imageCount = std::min(s.dscCount, kTableSize);
    for (int j = 0; j < r.frameCount; ++j) {
        if (stopRequested()) return discard(Result::Stopped);
        const int e = r.firstEntry + j;
        if (e >= kTableSize) break;
        // The frame's own color settings, kept by its image number.
        const int n = imageNumberOfEntry(s.ImageTableIndex, imageCount, e);
        sendColorSettings(n >= 0 ? s.imageColor[n] : defaultImageColor());
        GetColorImage(s.workImage.rows(), s.workImage.header(), e);
        clipImage.copyFrom(s.workImage, r.width, r.height);
        if (!file.write(8 * j, clipImage.pixels(), frameBytes, kKeyFrame)) {
            return discard(Result::WriteFailed);
        }
    }
    if (!file.release() || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return Result::WriteFailed;
    }
    return Result::Done;
}

void Session::forgetClips(Observer& o) {
    state_.clipCount = 0;
    o.counter(Counter::Clips, 0);
}

Result Session::saveClips(Observer& o, const std::function<std::string(int)>& clipPath) {
    SessionState& s = state_;
    o.message("Wait ....... while making V8 file");
    o.progress(Stage::Clips, 0, s.clipCount);
    int written = 0;
    std::string unsaved;
    for (int l = 0; l < s.clipCount; ++l) {
        o.message(ordinalText(l));
        const std::string path = clipPath ? clipPath(l + 1) : std::string();
        const Result result = exportClip(l, path, o);
        if (result == Result::Stopped) return result;
        if (result == Result::Done) {
            s.writtenClip[written++] = l;
            const ClipRecord& last = s.ClipTable[s.clipCount - 1];
            o.clipSize(last.width, last.height);
        } else {
            unsaved += "\n" + fileName(path);
        }
        o.progress(Stage::Clips, l + 1, s.clipCount);
    }
    s.paintEnabled = 0;
    o.message("V8 files finish saving");
    const std::string failure = "These V8 files could not be saved:" + unsaved;
    if (written == 0) {
        // Nothing can be played: the same state as when no clip was saved.
        forgetClips(o);
        if (!unsaved.empty()) o.notice(failure);
        return unsaved.empty() ? Result::Done : Result::WriteFailed;
    }
    s.clipCount = written;
    o.counter(Counter::Clips, written);
    const ClipRecord& first = s.ClipTable[s.writtenClip[0]];
    o.clipSize(first.width, first.height);
    if (!unsaved.empty()) {
        o.notice(failure);
        return Result::WriteFailed;
    }
    o.notice("All V8 files have been already been saved into your PC");
    return Result::Done;
}

}  // namespace zentsession
