// Writing the wire form of a data packet. A hand-written writer: the layout is
// fixed, so values go straight into one pre-sized string through a pointer,
// each after a check that its longest possible form fits.

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_set>

#include "dataset/packet_codec.h"

namespace confcred::dataset {
namespace {

[[noreturn]] void fail(const std::string& what) {
    throw PacketError("data packet cannot be written: " + what);
}

// Longest forms of the values, separator included.
constexpr size_t kMaxNumber = 32;    // shortest round-trip double or int64
constexpr size_t kMaxDateTime = 28;  // "YYYY-MM-DDTHH:MM:SS.mmm" in quotes
size_t maxTextLength(size_t bytes) {
    return bytes * 6 + 3;
}  // each byte as \u00XX

// Length of the well-formed UTF-8 sequence starting at `p`, or 0 when the
// bytes there are not one (stray continuation, overlong form, surrogate,
// beyond U+10FFFF, cut short).
size_t utf8SequenceLength(const unsigned char* p, const unsigned char* end) {
    const unsigned char c = p[0];
    const auto cont = [&](size_t i) { return p + i < end && (p[i] & 0xC0) == 0x80; };
    if (c >= 0xC2 && c <= 0xDF)
        return cont(1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (!cont(1) || !cont(2))
            return 0;
        if (c == 0xE0 && p[1] < 0xA0)
            return 0;  // overlong
        if (c == 0xED && p[1] >= 0xA0)
            return 0;  // surrogate
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (!cont(1) || !cont(2) || !cont(3))
            return 0;
        if (c == 0xF0 && p[1] < 0x90)
            return 0;  // overlong
        if (c == 0xF4 && p[1] >= 0x90)
            return 0;  // beyond U+10FFFF
        return 4;
    }
    return 0;
}

// Marks (high bit of the byte) the bytes of an eight-byte word that need more
// than copying: control characters, quotes, backslashes and non-ASCII bytes.
// The lowest mark is exact; marks above it may be false (borrows), which only
// costs a look at the byte.
uint64_t careMask(uint64_t word) {
    constexpr uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
    const uint64_t quote = word ^ (kOnes * '"');
    const uint64_t backslash = word ^ (kOnes * '\\');
    return (((word - kOnes * 0x20) & ~word) | ((quote - kOnes) & ~quote) |
            ((backslash - kOnes) & ~backslash) | word) &
           kHighs;
}

char* writeEscaped(char* out, unsigned char c) {
    char second = 0;
    switch (c) {
        case '"':
            second = '"';
            break;
        case '\\':
            second = '\\';
            break;
        case '\n':
            second = 'n';
            break;
        case '\r':
            second = 'r';
            break;
        case '\t':
            second = 't';
            break;
        case '\b':
            second = 'b';
            break;
        case '\f':
            second = 'f';
            break;
        default: {
            static constexpr char kHex[] = "0123456789abcdef";
            const char seq[6] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 0xF]};
            std::memcpy(out, seq, sizeof seq);
            return out + sizeof seq;
        }
    }
    out[0] = '\\';
    out[1] = second;
    return out + 2;
}

// Writes `text` as a JSON string; needs maxTextLength(text.size()) bytes.
char* writeString(char* out, std::string_view text) {
    *out++ = '"';
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = p + text.size();
    while (p < end) {
        if constexpr (std::endian::native == std::endian::little) {
            // Eight bytes at once: copy them all, keep those before the first
            // byte that needs care. The last few bytes of a text of eight or
            // more are read as the end of its last eight.
            const auto left = static_cast<size_t>(end - p);
            if (left >= 8 || text.size() >= 8) {
                uint64_t word;
                uint64_t mask;
                if (left >= 8) {
                    std::memcpy(&word, p, 8);
                    mask = careMask(word);
                } else {
                    std::memcpy(&word, end - 8, 8);
                    word >>= 8 * (8 - left);
                    mask = careMask(word) & ((uint64_t{1} << (8 * left)) - 1);
                }
                std::memcpy(out, &word, 8);
                const size_t take = std::min<size_t>(left, 8);
                const size_t plain = mask == 0 ? take : std::countr_zero(mask) / 8;
                p += plain;
                out += plain;
                if (plain == take)
                    continue;
            }
        }
        const unsigned char c = *p;
        if (c >= 0x80) {
            if (const size_t n = utf8SequenceLength(p, end)) {
                std::memcpy(out, p, n);
                out += n;
                p += n;
            } else {
                std::memcpy(out, "\xEF\xBF\xBD", 3);  // U+FFFD for each byte that is not UTF-8
                out += 3;
                ++p;
            }
        } else if (c < 0x20 || c == '"' || c == '\\') {
            out = writeEscaped(out, c);
            ++p;
        } else {
            *out++ = static_cast<char>(c);
            ++p;
        }
    }
    *out++ = '"';
    return out;
}

char* putDigits(char* p, int value, int count) {
    for (int i = count - 1; i >= 0; --i) {
        p[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    return p + count;
}

char* writeDateTime(char* p, const platform::Date& d, const platform::TimeOfDay& t) {
    *p++ = '"';
    p = putDigits(p, d.year, 4);
    *p++ = '-';
    p = putDigits(p, d.month, 2);
    *p++ = '-';
    p = putDigits(p, d.day, 2);
    *p++ = 'T';
    p = putDigits(p, t.hour, 2);
    *p++ = ':';
    p = putDigits(p, t.minute, 2);
    *p++ = ':';
    p = putDigits(p, t.second, 2);
    if (t.millisecond != 0) {
        *p++ = '.';
        p = putDigits(p, t.millisecond, 3);
    }
    *p++ = '"';
    return p;
}

class Encoder {
  public:
    Encoder(const DataPacket& packet, std::string& out) : packet_(packet), out_(out) {}

    void run() {
        check();
        pos_ = out_.size();
        out_.reserve(pos_ + estimateSize());
        write("{\"fields\":[");
        const auto& fields = packet_.fields();
        for (size_t f = 0; f < fields.size(); ++f) {
            if (f > 0)
                write(",");
            write("{\"name\":");
            char* p = room(maxTextLength(fields[f].name.size()));
            commit(writeString(p, fields[f].name));
            write(",\"type\":\"");
            write(fieldTypeName(fields[f].type));
            write("\",\"size\":");
            p = room(kMaxNumber);
            commit(std::to_chars(p, p + kMaxNumber, fields[f].size).ptr);
            write("}");
        }
        write("],\"rows\":[");
        const size_t rows = packet_.rowCount();
        for (size_t r = 0; r < rows; ++r) {
            write(r > 0 ? ",[" : "[");
            for (size_t f = 0; f < fields.size(); ++f)
                writeValue(packet_.column(f), r, f);
            write("]");
        }
        write("]}");
        out_.resize(pos_);
    }

  private:
    void check() const {
        const auto& fields = packet_.fields();
        if (packet_.columns().size() != fields.size())
            fail("columns do not match the fields");
        std::unordered_set<std::string> names;
        for (size_t f = 0; f < fields.size(); ++f) {
            std::string key = fields[f].name;
            if (key.empty())
                fail("field " + std::to_string(f + 1) + " has no name");
            for (char& c : key) {
                if (c >= 'a' && c <= 'z')
                    c = static_cast<char>(c - 32);
            }
            if (!names.insert(std::move(key)).second) {
                fail("field name '" + fields[f].name + "' repeats an earlier field");
            }
            const Column& column = packet_.column(f);
            if (column.type() != fields[f].type || column.size() != packet_.rowCount()) {
                fail("column of field '" + fields[f].name + "' does not match the field");
            }
        }
    }

    // Capacity for the usual forms of the values; a text that needs escaping grows it.
    size_t estimateSize() const {
        size_t bytes = 64;
        for (const FieldDef& f : packet_.fields())
            bytes += f.name.size() + 48;
        for (const Column& column : packet_.columns()) {
            const size_t rows = column.size();
            if (!column.isText()) {
                bytes += rows * kMaxDateTime;
                continue;
            }
            for (size_t r = 0; r < rows; ++r)
                bytes += column.textAt(r).size() + 3;
        }
        return bytes + packet_.rowCount() * 3;
    }

    // A pointer to at least `bytes` writable bytes at the end of the output.
    // The string grows a slice at a time, so the zeros that resizing writes
    // are still in cache when the values overwrite them.
    char* room(size_t bytes) {
        constexpr size_t kSlice = 64 * 1024;
        if (out_.size() - pos_ < bytes)
            out_.resize(pos_ + std::max(bytes, kSlice));
        return out_.data() + pos_;
    }
    void commit(const char* end) { pos_ = static_cast<size_t>(end - out_.data()); }
    void write(std::string_view text) {
        char* p = room(text.size());
        std::memcpy(p, text.data(), text.size());
        pos_ += text.size();
    }

    void writeValue(const Column& column, size_t row, size_t field) {
        char* p;
        if (column.isNull(row)) {
            p = room(kMaxNumber);
            std::memcpy(p, "null", 4);
            p += 4;
        } else {
            switch (column.type()) {
                case FieldType::FixedString:
                case FieldType::String:
                case FieldType::Memo: {
                    const std::string_view text = column.textAt(row);
                    p = writeString(room(maxTextLength(text.size())), text);
                    break;
                }
                case FieldType::Double: {
                    const double value = column.doubleAt(row);
                    if (!std::isfinite(value))
                        cellFail(row, field, "the number is not finite");
                    p = room(kMaxNumber);
                    p = std::to_chars(p, p + kMaxNumber - 1, value).ptr;
                    break;
                }
                case FieldType::Integer:
                    p = room(kMaxNumber);
                    p = std::to_chars(p, p + kMaxNumber - 1, column.integerAt(row)).ptr;
                    break;
                case FieldType::DateTime: {
                    const platform::DateTime value = column.dateTimeAt(row);
                    const platform::Date d = value.date();
                    if (d.year < 1 || d.year > 9999) {
                        cellFail(row, field, "date-time outside the years 1 to 9999");
                    }
                    p = writeDateTime(room(kMaxDateTime), d, value.time());
                    break;
                }
                default:
                    p = room(kMaxNumber);
            }
        }
        if (field + 1 < packet_.fieldCount())
            *p++ = ',';  // every longest form leaves room
        commit(p);
    }

    [[noreturn]] void cellFail(size_t row, size_t field, const char* problem) const {
        fail("row " + std::to_string(row + 1) + ", field '" + packet_.fields()[field].name +
             "': " + problem);
    }

    const DataPacket& packet_;
    std::string& out_;
    size_t pos_ = 0;  // end of what is written; out_ is longer while writing
};

}  // namespace

void encodePacketTo(const DataPacket& packet, std::string& out) {
    const size_t mark = out.size();
    try {
        Encoder(packet, out).run();
    } catch (...) {
        out.resize(mark);
        throw;
    }
}

std::string encodePacket(const DataPacket& packet) {
    std::string out;
    encodePacketTo(packet, out);
    return out;
}

}  // namespace confcred::dataset
