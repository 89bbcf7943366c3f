// A small RIFF AVI 1.0 writer: one uncompressed ("DIB ") video stream, samples written at stream
// positions with empty chunks filling the positions in between, and an idx1 index. The calls
// follow the order of the platform's AVI file interface: open, create the stream, make the
// compressed stream, set the format, write samples, release.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform.h"

namespace zentsession {

constexpr uint32_t fourCC(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
           uint32_t(uint8_t(d)) << 24;
}

inline constexpr uint32_t kStreamTypeVideo = fourCC('v', 'i', 'd', 's');
inline constexpr uint32_t kHandlerDib = fourCC('D', 'I', 'B', ' ');
inline constexpr uint32_t kCompressValid = 8;  // the options record is filled in
inline constexpr uint32_t kKeyFrame = 0x10;    // index flag of a key frame

struct AviStreamInfo {
    uint32_t type = 0;
    uint32_t handler = 0;
    uint32_t scale = 0;
    uint32_t rate = 0;
    uint32_t suggestedBufferSize = 0;
    int32_t quality = 0;
    int32_t frameLeft = 0, frameTop = 0, frameRight = 0, frameBottom = 0;
};

struct AviCompressOptions {
    uint32_t type = 0;
    uint32_t handler = 0;
    uint32_t keyFrameEvery = 0;
    uint32_t quality = 0;
    uint32_t bytesPerSecond = 0;
    uint32_t flags = 0;
};

class AviFile {
  public:
    AviFile() = default;
    AviFile(const AviFile&) = delete;
    AviFile& operator=(const AviFile&) = delete;
    ~AviFile() { release(); }

    // Takes over a file opened for writing (it is closed by release); false for null.
    bool open(std::FILE* file);
    bool createStream(const AviStreamInfo& info);
    // Only uncompressed bitmaps ("DIB ") are supported.
    bool makeCompressedStream(const AviCompressOptions& options);
    // The stream format: a 24-bit BITMAPINFOHEADER, set once at position 0.
    bool setFormat(int32_t position, const BITMAPINFOHEADER& format);
    // One sample at `position`; positions only move forward.
    bool write(int32_t position, const void* data, uint32_t bytes, uint32_t flags);
    // Writes the headers and the index and closes the file; false when that failed.
    bool release();

    bool isOpen() const { return file_ != nullptr; }

  private:
    struct IndexEntry {
        uint32_t flags;
        uint32_t offset;  // from the "movi" list type
        uint32_t size;
    };
    bool writeChunk(const void* data, uint32_t bytes, uint32_t flags);
    bool writeHeaders();

    std::FILE* file_ = nullptr;
    bool streamCreated_ = false;
    bool compressed_ = false;
    bool formatSet_ = false;
    bool failed_ = false;
    AviStreamInfo info_{};
    BITMAPINFOHEADER format_{};
    std::vector<IndexEntry> index_;
    int32_t nextPosition_ = 0;
    uint32_t moviBytes_ = 0;  // bytes after the "movi" list type
    uint32_t largestSample_ = 0;
};

}  // namespace zentsession
