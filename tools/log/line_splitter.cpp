// Lines found with memchr in chunks read straight into one buffer.
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

}  // namespace vorlat::flightlog
