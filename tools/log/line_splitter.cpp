// Lines found with memchr in chunks read straight into one buffer; UTF-16 text
// turned into one byte per character before that.
#include "tools/log/line_splitter.h"

#include <algorithm>
#include <cstring>

namespace vorlat::flightlog {

LineSplitter::LineSplitter(ByteSource& source, std::size_t chunkBytes)
    : source_(source),
      chunkBytes_(std::max<std::size_t>(chunkBytes, 1)),
      // Not zeroed: pages never written are never touched.
      buffer_(std::make_unique_for_overwrite<char[]>(chunkBytes_)) {}

bool LineSplitter::refill() {
    size_ = source_.read(buffer_.get(), chunkBytes_);
    at_ = 0;
    bytesRead_ += size_;
    return size_ != 0;
}

void LineSplitter::carry(const char* data, std::size_t size) {
    if (size == 0) return;
    const std::size_t kept = std::min(size, MAX_LINE_BYTES - carry_.size());
    carry_.append(data, kept);
    if (carryRestIsNul_) carryRestIsNul_ = std::all_of(data + kept, data + size, [](char c) { return c == '\0'; });
    carryLength_ += size;
    carryLast_ = data[size - 1];
}

Line LineSplitter::carried(bool complete) const {
    const bool crlf = complete && carryLast_ == '\r';
    const std::size_t length = carryLength_ - (crlf ? 1 : 0);
    return {.text = std::string_view(carry_).substr(0, length),
            .length = length,
            .complete = complete,
            .crlf = crlf,
            .restIsNul = carryRestIsNul_};
}

bool LineSplitter::next(Line& line) {
    carry_.clear();
    carryLength_ = 0;
    carryRestIsNul_ = true;
    while (true) {
        if (at_ == size_ && !refill()) {
            if (carryLength_ == 0) return false;
            line = carried(false);
            return true;
        }
        const char* start = buffer_.get() + at_;
        const std::size_t available = size_ - at_;
        const auto* newline = static_cast<const char*>(std::memchr(start, '\n', available));
        if (newline == nullptr) {
            carry(start, available);
            at_ = size_;
            continue;
        }
        const auto size = static_cast<std::size_t>(newline - start);
        at_ += size + 1;
        if (carryLength_ != 0) {
            carry(start, size);
            line = carried(true);
            return true;
        }
        const bool crlf = size != 0 && start[size - 1] == '\r';
        const std::size_t length = size - (crlf ? 1 : 0);
        line = {.text = std::string_view(start, std::min(length, MAX_LINE_BYTES)),
                .length = length,
                .complete = true,
                .crlf = crlf,
                .restIsNul = false};
        return true;
    }
}

namespace {

constexpr std::size_t MARK_BYTES = 2;
constexpr std::size_t UNITS_READ = 64 * 1024;

// One UTF-16 unit as UTF-8 (a surrogate too, on its own: a log holds none, and any such byte reads as binary data).
void appendUtf8(std::string& out, unsigned unit) {
    if (unit < 0x80) {
        out += static_cast<char>(unit);
    } else if (unit < 0x800) {
        out += static_cast<char>(0xC0 | (unit >> 6));
        out += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (unit >> 12));
        out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (unit & 0x3F));
    }
}

}  // namespace

// The first two bytes say the encoding: FF FE little-endian, FE FF big-endian.
void DecodingSource::sniff() {
    sniffed_ = true;
    char first[MARK_BYTES];
    while (pending_.size() < MARK_BYTES) {
        const std::size_t got = source_.read(first, MARK_BYTES - pending_.size());
        if (got == 0) return;
        pending_.append(first, got);
    }
    if (pending_ == "\xFF\xFE") encoding_ = TextEncoding::Utf16LittleEndian;
    if (pending_ == "\xFE\xFF") encoding_ = TextEncoding::Utf16BigEndian;
    if (encoding_ != TextEncoding::OneByte) pending_.clear();
}

std::size_t DecodingSource::read(char* buffer, std::size_t size) {
    if (!sniffed_) sniff();
    if (encoding_ == TextEncoding::OneByte && pending_.empty() && handedOn_ == decoded_.size())
        return source_.read(buffer, size);
    while (handedOn_ == decoded_.size()) {
        decoded_.clear();
        handedOn_ = 0;
        if (encoding_ == TextEncoding::OneByte || !readUnits()) {
            // The first bytes of a plain file, or at the end an odd last byte (cut off mid-character).
            decoded_.swap(pending_);
            if (decoded_.empty()) return 0;
        }
    }
    const std::size_t count = std::min(size, decoded_.size() - handedOn_);
    std::memcpy(buffer, decoded_.data() + handedOn_, count);
    handedOn_ += count;
    return count;
}

// Reads more UTF-16 and decodes its whole units; false at the end of the bytes.
bool DecodingSource::readUnits() {
    const std::size_t had = pending_.size();
    pending_.resize(had + UNITS_READ * 2);
    const std::size_t got = source_.read(pending_.data() + had, UNITS_READ * 2);
    pending_.resize(had + got);
    if (got == 0) return false;
    const bool little = encoding_ == TextEncoding::Utf16LittleEndian;
    std::size_t at = 0;
    for (; at + 1 < pending_.size(); at += 2) {
        const auto low = static_cast<unsigned char>(pending_[at + (little ? 0 : 1)]);
        const auto high = static_cast<unsigned char>(pending_[at + (little ? 1 : 0)]);
        appendUtf8(decoded_, low | (high << 8));
    }
    pending_.erase(0, at);
    return true;
}

}  // namespace vorlat::flightlog
