// The bytes of a log cut into lines as they are read: large chunks, lines
// handed out in place (only a line split between two chunks is put together),
// and never more than MAX_LINE_BYTES of one line kept, so memory stays flat
// whatever the input's size or shape.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vorlat::flightlog {

// Where a log's bytes come from: a file, a pipe, standard input, a string.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::size_t read(char* buffer, std::size_t size) = 0;  // 0 at the end
    virtual const std::string& name() const = 0;                   // as messages show it
};

// The text a Windows editor may leave: UTF-16 with its byte-order mark, either
// byte order. Read as the one-byte text it holds; the mark itself is dropped.
enum class TextEncoding { OneByte, Utf16LittleEndian, Utf16BigEndian };

// Another source's bytes, turned from UTF-16 into one byte per character when
// they begin with a UTF-16 byte-order mark (a character beyond ASCII becomes
// its UTF-8 bytes, which a log never holds); else handed on as they are.
class DecodingSource : public ByteSource {
public:
    explicit DecodingSource(ByteSource& source) : source_(source) {}
    std::size_t read(char* buffer, std::size_t size) override;
    const std::string& name() const override { return source_.name(); }
    // Known after the first read.
    TextEncoding encoding() const { return encoding_; }

private:
    void sniff();
    bool readUnits();

    ByteSource& source_;
    bool sniffed_ = false;
    TextEncoding encoding_ = TextEncoding::OneByte;
    std::string pending_;  // bytes read and not decoded: the first two of a plain file, or half a UTF-16 unit
    std::string decoded_;  // decoded, handed on from handedOn_
    std::size_t handedOn_ = 0;
};

// A log line is under a hundred bytes; a longer one than this is skipped unread.
inline constexpr std::size_t MAX_LINE_BYTES = 64 * 1024;
inline constexpr std::size_t CHUNK_BYTES = 4 * 1024 * 1024;

struct Line {
    std::string_view text;  // without "\n" or "\r\n"; of a longer line only the first MAX_LINE_BYTES
    std::size_t length;     // of the whole line, its line end not counted
    bool complete;          // ended by "\n"; false for bytes at the end with no "\n" after them
    bool crlf;              // ended by "\r\n"
    bool restIsNul;         // of an incomplete line: every byte past `text` is NUL (or there is none)
};

class LineSplitter {
public:
    explicit LineSplitter(ByteSource& source, std::size_t chunkBytes = CHUNK_BYTES);
    // The next line, valid until the next call; false at the end of the bytes.
    bool next(Line& line);
    std::uint64_t bytesRead() const { return bytesRead_; }

private:
    bool refill();
    void carry(const char* data, std::size_t size);
    Line carried(bool complete) const;

    ByteSource& source_;
    std::size_t chunkBytes_;
    std::unique_ptr<char[]> buffer_;
    std::size_t size_ = 0, at_ = 0;
    std::uint64_t bytesRead_ = 0;
    // A line begun in an earlier chunk: its first bytes, its length so far, its last byte.
    std::string carry_;
    std::size_t carryLength_ = 0;
    char carryLast_ = 0;
    bool carryRestIsNul_ = true;
};

}  // namespace vorlat::flightlog
