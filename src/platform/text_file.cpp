#include "text_file.h"

#include "text_file_native.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace platform {

namespace {

constexpr char kLineFeed = '\n';
constexpr char kCarriageReturn = '\r';
// DOS editors still end files with a Ctrl-Z; whatever follows it is padding.
constexpr char kEndOfFileMark = '\x1A';
// Lines up to this length take the quick scan; longer ones are left to memchr.
constexpr std::ptrdiff_t kShortLine = 128;

// Every carriage return inside a line is dropped: the one of a CR LF pair and a
// lone one alike, since a lone CR does not end the line either.
void AppendWithoutCarriageReturns(std::string& line, const char* begin, const char* end)
{
    while (begin != end) {
        const auto* cr = static_cast<const char*>(
            std::memchr(begin, kCarriageReturn, static_cast<std::size_t>(end - begin)));
        const char* stop = cr != nullptr ? cr : end;
        line.append(begin, stop);
        begin = cr != nullptr ? cr + 1 : end;
    }
}

// The first CR or LF in [begin, end), or end. Catalogue lines are a few dozen
// bytes, too short for memchr's vector loop to pay off twice per line (once for
// LF, once for a CR inside), so this looks for both at once, eight bytes at a time.
const char* FindCarriageReturnOrLineFeed(const char* begin, const char* end)
{
    constexpr std::uint64_t ones = 0x0101010101010101u;
    constexpr std::uint64_t highBits = 0x8080808080808080u;
    const char* at = begin;
    if constexpr (std::endian::native == std::endian::little) {
        for (; end - at >= 8; at += 8) {
            std::uint64_t word;
            std::memcpy(&word, at, sizeof word);
            const std::uint64_t lineFeeds = word ^ (ones * static_cast<unsigned char>(kLineFeed));
            const std::uint64_t carriageReturns =
                word ^ (ones * static_cast<unsigned char>(kCarriageReturn));
            // A zero byte of either value marks a hit. The lowest flagged byte is
            // always a true hit; flags above it can be false, and are not used.
            const std::uint64_t hits = ((lineFeeds - ones) & ~lineFeeds & highBits)
                                       | ((carriageReturns - ones) & ~carriageReturns & highBits);
            if (hits != 0)
                return at + std::countr_zero(hits) / 8;
        }
    }
    for (; at != end; ++at) {
        if (*at == kLineFeed || *at == kCarriageReturn)
            return at;
    }
    return end;
}

} // namespace

std::string InOutErrorMessage(int errorCode)
{
    switch (errorCode) {
    case 2:
        return "File not found";
    case 3:
        return "Invalid filename";
    case 4:
        return "Too many open files";
    case 5:
        return "File access denied";
    case 100:
        return "Read beyond end of file";
    case 101:
        return "Disk full";
    case 106:
        return "Invalid numeric input";
    default:
        return "I/O error " + std::to_string(errorCode);
    }
}

struct TextFile::Impl {
    explicit Impl(const std::string& path)
        : block(new char[kTextFileBlockSize]), file(native::OpenSharedForReading(path))
    {
    }

    ~Impl() { native::CloseFile(file); }

    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    // False at the end of the file. A read failure leaves the block used up, so
    // the next call asks the operating system again.
    bool ReadNextBlock()
    {
        const std::size_t count = native::ReadBlock(file, block.get(), kTextFileBlockSize);
        next = block.get();
        end = next + count;
        finished = count == 0;
        return !finished;
    }

    bool AtEnd()
    {
        if (finished)
            return true;
        if (next == end && !ReadNextBlock())
            return true;
        if (*next == kEndOfFileMark) {
            finished = true;
            return true;
        }
        return false;
    }

    std::string_view TakeLine()
    {
        if (AtEnd())
            return {};

        const char* start = next;

        // The common line: short, ended by LF or CR LF, within the block.
        const char* nearEnd = end - start > kShortLine ? start + kShortLine : end;
        const char* lineBreak = FindCarriageReturnOrLineFeed(start, nearEnd);
        if (lineBreak != nearEnd) {
            if (*lineBreak == kLineFeed) {
                next = lineBreak + 1;
                return {start, static_cast<std::size_t>(lineBreak - start)};
            }
            if (lineBreak + 1 != end && lineBreak[1] == kLineFeed) {
                next = lineBreak + 2;
                return {start, static_cast<std::size_t>(lineBreak - start)};
            }
        }

        const auto* lf = static_cast<const char*>(
            std::memchr(start, kLineFeed, static_cast<std::size_t>(end - start)));
        if (lf != nullptr) {
            next = lf + 1;
            std::string_view text(start, static_cast<std::size_t>(lf - start));
            if (!text.empty() && text.back() == kCarriageReturn)
                text.remove_suffix(1);
            if (std::memchr(text.data(), kCarriageReturn, text.size()) == nullptr)
                return text;
            assembled.clear();
            AppendWithoutCarriageReturns(assembled, text.data(), text.data() + text.size());
            return assembled;
        }

        // The line goes on in the next block (or ends with the file): gather it.
        // `assembled` keeps its capacity from line to line, so only a line longer
        // than any before it allocates.
        assembled.clear();
        AppendWithoutCarriageReturns(assembled, start, end);
        next = end;
        while (ReadNextBlock()) {
            lf = static_cast<const char*>(
                std::memchr(next, kLineFeed, static_cast<std::size_t>(end - next)));
            const char* stop = lf != nullptr ? lf : end;
            AppendWithoutCarriageReturns(assembled, next, stop);
            next = lf != nullptr ? lf + 1 : end;
            if (lf != nullptr)
                break;
        }
        return assembled;
    }

    std::unique_ptr<char[]> block;
    native::FileHandle file;
    const char* next = nullptr;
    const char* end = nullptr;
    bool finished = false;
    std::string assembled;
};

TextFile::TextFile(const std::string& path) : impl_(std::make_unique<Impl>(path)) {}

TextFile::~TextFile() = default;

bool TextFile::Eof()
{
    return impl_->AtEnd();
}

std::string_view TextFile::ReadLine()
{
    return impl_->TakeLine();
}

} // namespace platform
