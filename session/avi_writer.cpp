#include "avi_writer.h"

#include <cstring>

namespace zentsession {
namespace {

constexpr uint32_t kChunkData = fourCC('0', '0', 'd', 'b');
constexpr uint32_t kHasIndex = 0x10;
// RIFF, hdrl list, avih, strl list, strh, strf (40-byte format) and the movi list header.
constexpr uint32_t kHeaderBytes = 12 + 12 + (8 + 56) + 12 + (8 + 56) + (8 + 40) + 12;

// Little-endian record builder.
class Bytes {
  public:
    void u32(uint32_t v) {
        for (int i = 0; i < 4; ++i) data_.push_back(uint8_t(v >> (8 * i)));
    }
    void u16(uint16_t v) {
        data_.push_back(uint8_t(v));
        data_.push_back(uint8_t(v >> 8));
    }
    const std::vector<uint8_t>& data() const { return data_; }

  private:
    std::vector<uint8_t> data_;
};

}  // namespace

bool AviFile::open(std::FILE* file) {
    release();
    file_ = file;
    if (file_ == nullptr) return false;
    // Room for the headers; they are written last, when the counts are known.
    static constexpr uint8_t zeros[kHeaderBytes] = {};
    if (std::fwrite(zeros, 1, kHeaderBytes, file_) != kHeaderBytes) failed_ = true;
    return true;
}

bool AviFile::createStream(const AviStreamInfo& info) {
    if (file_ == nullptr || streamCreated_ || info.type != kStreamTypeVideo) return false;
    info_ = info;
    streamCreated_ = true;
    return true;
}

bool AviFile::makeCompressedStream(const AviCompressOptions& options) {
    if (!streamCreated_ || options.handler != kHandlerDib) return false;
    info_.handler = options.handler;
    compressed_ = true;
    return true;
}

bool AviFile::setFormat(int32_t position, const BITMAPINFOHEADER& format) {
    if (!compressed_ || formatSet_ || position != 0) return false;
    if (format.biSize != sizeof(BITMAPINFOHEADER) || format.biBitCount != 24 ||
        format.biCompression != 0 || format.biWidth <= 0 || format.biHeight <= 0) {
        return false;
    }
    format_ = format;
    formatSet_ = true;
    return true;
}

bool AviFile::writeChunk(const void* data, uint32_t bytes, uint32_t flags) {
    Bytes head;
    head.u32(kChunkData);
    head.u32(bytes);
    const uint32_t offset = moviBytes_ + 4;
    bool ok = std::fwrite(head.data().data(), 1, 8, file_) == 8;
    if (ok && bytes > 0) ok = std::fwrite(data, 1, bytes, file_) == bytes;
    if (ok && (bytes & 1)) ok = std::fputc(0, file_) != EOF;  // chunks are word aligned
    if (!ok) {
        failed_ = true;
        return false;
    }
    index_.push_back(IndexEntry{flags, offset, bytes});
    moviBytes_ += 8 + bytes + (bytes & 1);
    return true;
}

bool AviFile::write(int32_t position, const void* data, uint32_t bytes, uint32_t flags) {
    if (!formatSet_ || failed_ || position < nextPosition_ || (bytes > 0 && data == nullptr)) {
        return false;
    }
    // Positions nothing was written at hold empty chunks, so that time runs on.
    while (nextPosition_ < position) {
        if (!writeChunk(nullptr, 0, 0)) return false;
        ++nextPosition_;
    }
    if (!writeChunk(data, bytes, flags)) return false;
    ++nextPosition_;
    largestSample_ = std::max(largestSample_, bytes);
    return true;
}

bool AviFile::writeHeaders() {
    // The index.
    Bytes idx;
    idx.u32(fourCC('i', 'd', 'x', '1'));
    idx.u32(static_cast<uint32_t>(16 * index_.size()));
    for (const IndexEntry& e : index_) {
        idx.u32(kChunkData);
        idx.u32(e.flags);
        idx.u32(e.offset);
        idx.u32(e.size);
    }
    if (std::fwrite(idx.data().data(), 1, idx.data().size(), file_) != idx.data().size()) {
        return false;
    }
    const uint32_t fileBytes = kHeaderBytes + moviBytes_ + uint32_t(idx.data().size());

    const uint32_t rate = info_.rate ? info_.rate : 1;
    const uint32_t scale = info_.scale ? info_.scale : 1;
    const uint32_t buffer = std::max(info_.suggestedBufferSize, largestSample_);
    Bytes h;
    h.u32(fourCC('R', 'I', 'F', 'F'));
    h.u32(fileBytes - 8);
    h.u32(fourCC('A', 'V', 'I', ' '));
    h.u32(fourCC('L', 'I', 'S', 'T'));
    h.u32(4 + (8 + 56) + 12 + (8 + 56) + (8 + 40));
    h.u32(fourCC('h', 'd', 'r', 'l'));
    h.u32(fourCC('a', 'v', 'i', 'h'));
    h.u32(56);
    h.u32(static_cast<uint32_t>((1000000ull * scale + rate / 2) / rate));  // microseconds per frame
    h.u32(static_cast<uint32_t>(uint64_t(largestSample_) * rate / scale));  // max bytes per second
    h.u32(0);                                                               // padding granularity
    h.u32(kHasIndex);
    h.u32(uint32_t(nextPosition_));  // total frames
    h.u32(0);                        // initial frames
    h.u32(1);                        // streams
    h.u32(buffer);
    h.u32(uint32_t(format_.biWidth));
    h.u32(uint32_t(format_.biHeight));
    for (int i = 0; i < 4; ++i) h.u32(0);
    h.u32(fourCC('L', 'I', 'S', 'T'));
    h.u32(4 + (8 + 56) + (8 + 40));
    h.u32(fourCC('s', 't', 'r', 'l'));
    h.u32(fourCC('s', 't', 'r', 'h'));
    h.u32(56);
    h.u32(info_.type);
    h.u32(info_.handler);
    h.u32(0);  // flags
    h.u16(0);  // priority
    h.u16(0);  // language
    h.u32(0);  // initial frames
    h.u32(scale);
    h.u32(rate);
    h.u32(0);  // start
    h.u32(uint32_t(nextPosition_));
    h.u32(buffer);
    h.u32(uint32_t(info_.quality));
    h.u32(0);  // sample size: varies
    h.u16(uint16_t(info_.frameLeft));
    h.u16(uint16_t(info_.frameTop));
    h.u16(uint16_t(info_.frameRight));
    h.u16(uint16_t(info_.frameBottom));
    h.u32(fourCC('s', 't', 'r', 'f'));
    h.u32(40);
    h.u32(format_.biSize);
    h.u32(uint32_t(format_.biWidth));
    h.u32(uint32_t(format_.biHeight));
    h.u16(format_.biPlanes);
    h.u16(format_.biBitCount);
    h.u32(format_.biCompression);
    h.u32(format_.biSizeImage);
    h.u32(uint32_t(format_.biXPelsPerMeter));
    h.u32(uint32_t(format_.biYPelsPerMeter));
    h.u32(format_.biClrUsed);
    h.u32(format_.biClrImportant);
    h.u32(fourCC('L', 'I', 'S', 'T'));
    h.u32(4 + moviBytes_);
    h.u32(fourCC('m', 'o', 'v', 'i'));
    if (h.data().size() != kHeaderBytes) return false;
    if (std::fseek(file_, 0, SEEK_SET) != 0) return false;
    return std::fwrite(h.data().data(), 1, kHeaderBytes, file_) == kHeaderBytes;
}

bool AviFile::release() {
    if (file_ == nullptr) return true;
    bool ok = !failed_;
    // A file whose stream never got a format has nothing to describe; it is closed as it is.
    if (formatSet_) ok = writeHeaders() && ok;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    streamCreated_ = compressed_ = formatSet_ = failed_ = false;
    index_.clear();
    nextPosition_ = 0;
    moviBytes_ = 0;
    largestSample_ = 0;
    return ok;
}

}  // namespace zentsession
