#include "cards/catalogue.h"

#include "platform/errors.h"
#include "support/child_process.h"
#include "support/scratch_files.h"
#include "platform/text_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

using cards::LookupCardType;
using cards::ParseCatalogueLine;
using test_files::PatternText;
using test_files::SameBytes;
using test_files::WriteBytes;

constexpr const char* kCatalogue = "kovra_pcidaq.txt";
// What the caller's string holds before a lookup, so that a lookup that does not
// set it shows.
constexpr const char* kPreviousValue = "previous value";

template <typename Info>
std::string RowName(const Info& info)
{
    std::string name = info.param.name;
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

// ---------------------------------------------------------------------------
// One line.

struct LineCase {
    const char* name;
    std::string line;
    std::optional<std::uint32_t> did; // none: the line is no entry
    std::string typeName;
};

void PrintTo(const LineCase& lineCase, std::ostream* out)
{
    *out << lineCase.name;
}

class CatalogueLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(CatalogueLine, YieldsTheEntryOfTheLine)
{
    const std::optional<cards::CatalogueEntry> entry = ParseCatalogueLine(GetParam().line);

    ASSERT_EQ(entry.has_value(), GetParam().did.has_value());
    if (entry) {
        EXPECT_EQ(entry->did, *GetParam().did);
        EXPECT_EQ(entry->typeName, GetParam().typeName);
    }
}

INSTANTIATE_TEST_SUITE_P(
    , CatalogueLine,
    ::testing::Values(
        LineCase{"blank-separator", "0101 Type A", 0x0101, "Type A"},
        LineCase{"tab-separator-lower-case-digit", "01a1\tType A", 0x01A1, "Type A"},
        LineCase{"second-blank-belongs-to-name", "0101  Type A", 0x0101, " Type A"},
        LineCase{"did-alone", "0101", 0x0101, ""},
        LineCase{"short-did-alone", "101", 0x0101, ""},
        LineCase{"short-did-then-blank", "101 Type A", std::nullopt, ""},
        LineCase{"fifth-digit-is-separator", "12345 Type A", 0x1234, " Type A"},
        LineCase{"hex-prefix", "0x01 Type A", std::nullopt, ""},
        LineCase{"empty-line", "", std::nullopt, ""},
        LineCase{"plain-text-of-hex-letters", "Face value", 0xFACE, "value"},
        LineCase{"did-and-separator-only", "0101 ", 0x0101, ""},
        LineCase{"trailing-blanks-and-tab-kept", "0101 A \t", 0x0101, "A \t"},
        LineCase{"highest-did", "ffFF x", 0xFFFF, "x"},
        LineCase{"leading-blank", " 101 Type A", std::nullopt, ""},
        LineCase{"sign", "+101 Type A", std::nullopt, ""},
        LineCase{"non-ascii-in-field", "01\xE9" "1 Type A", std::nullopt, ""}),
    [](const auto& info) { return RowName(info); });

// ---------------------------------------------------------------------------
// Whole files in the current directory.

enum class Setup { File, NoFile, Directory };

struct FileCase {
    const char* name;
    Setup setup;
    std::string bytes;
    std::uint32_t did;
    std::string typeName;
};

void PrintTo(const FileCase& fileCase, std::ostream* out)
{
    *out << fileCase.name;
}

FileCase WithFile(const char* name, std::string bytes, std::uint32_t did, std::string typeName)
{
    return {name, Setup::File, std::move(bytes), did, std::move(typeName)};
}

// Bytes of every value, with LF, CR, NUL and high bytes among them. A Ctrl-Z is
// kept only inside lines, so that what follows the garbage is still read.
std::string BinaryGarbage()
{
    std::string bytes;
    std::uint32_t state = 12345;
    for (int i = 0; i < 200000; ++i) {
        state = state * 1103515245u + 12345u;
        char byte = static_cast<char>(state >> 24);
        if (byte == '\x1A' && (bytes.empty() || bytes.back() == '\n'))
            byte = '\x1B';
        bytes.push_back(byte);
    }
    return bytes;
}

// A padding line that puts the entry after it at `entryOffset`.
std::string PaddingUpTo(std::size_t entryOffset)
{
    return "0201 " + PatternText(entryOffset - 7) + "\r\n";
}

std::vector<FileCase> FileCases()
{
    const std::size_t block = platform::kTextFileBlockSize;
    const std::string longName = PatternText(995);
    const std::string hugeName = PatternText(48u << 20);
    const std::string blockName = PatternText(block);
    // "0101 Split" is ten characters: its line ends with the CR as the last byte of
    // the first block and the LF as the first byte of the second.
    const std::string splitEntryPadding = PaddingUpTo(block - 11);

    return {
        {"missing-file", Setup::NoFile, "", 0x0101, "???"},
        {"directory-of-that-name", Setup::Directory, "", 0x0101, "???"},
        WithFile("empty-file", "", 0x0101, "???"),
        WithFile("no-entry-for-did", "0201 Relay\r\n0301 Counter\r\n", 0x0101, "???"),
        WithFile("entry-with-empty-name", "0201 Relay\r\n0101\r\n", 0x0101, ""),
        WithFile("utf8-bom-hides-first-line", "\xEF\xBB\xBF" "0101 Hidden\r\n0201 Relay\r\n", 0x0101, "???"),
        WithFile("utf8-bom-later-lines-read", "\xEF\xBB\xBF" "0101 Hidden\r\n0201 Relay\r\n", 0x0201, "Relay"),
        WithFile("ctrl-z-at-start", "\x1A\r\n0101 Hidden\r\n", 0x0101, "???"),
        WithFile("ctrl-z-after-entry", "0101 Seen\r\n\x1A\r\n0101 Hidden\r\n", 0x0101, "Seen"),
        WithFile("ctrl-z-inside-name", "0101 A\x1A" "B\r\n", 0x0101, "A\x1A" "B"),
        WithFile("cr-only-line-ends", "0201 Relay\r0101 Digital\r", 0x0201, "Relay0101 Digital"),
        WithFile("cr-only-line-ends-hide-later-entries", "0201 Relay\r0101 Digital\r", 0x0101, "???"),
        WithFile("lone-cr-inside-name", "0101 AB\rCD\n", 0x0101, "ABCD"),
        WithFile("last-line-without-terminator", "0201 Relay\r\n0101 Last", 0x0101, "Last"),
        WithFile("lf-line-ends", "0201 Relay\n0101 Digital\n", 0x0101, "Digital"),
        WithFile("last-entry-wins", "0101 A\r\n0201 Relay\r\n0101 B\r\n", 0x0101, "B"),
        WithFile("entry-followed-by-non-entries",
                 "0101 Digital\r\n\r\n 0101 Indented\r\nplain text\r\n0x0101 Prefixed\r\n101 Short\r\n",
                 0x0101, "Digital"),
        WithFile("name-bytes-kept", std::string("0101 \xE8\xED" "ta\0\xE8" "e \t\r\n", 16), 0x0101,
                 std::string("\xE8\xED" "ta\0\xE8" "e \t", 9)),
        WithFile("1000-character-line", "0101 " + longName + "\r\n", 0x0101, longName),
        WithFile("line-of-many-megabytes", "0101 " + hugeName + "\r\n0201 Relay\r\n", 0x0101, hugeName),
        WithFile("binary-garbage", BinaryGarbage() + "\n0101 After garbage\r\n", 0x0101, "After garbage"),
        WithFile("did-above-16-bits", "0101 Digital\r\n", 0x10101, "???"),
        WithFile("crlf-split-across-blocks", splitEntryPadding + "0101 Split\r\n0201 Relay\r\n", 0x0101,
                 "Split"),
        WithFile("lone-cr-at-block-end", splitEntryPadding + "0101 Split\rJoined\r\n0201 Relay\r\n",
                 0x0101, "SplitJoined"),
        WithFile("name-over-block-boundary", "0201 Relay\r\n0101 " + blockName + "\r\n0201 Relay\r\n",
                 0x0101, blockName),
    };
}

class CatalogueFile : public ::testing::TestWithParam<FileCase> {
protected:
    test_files::ScratchDirectory scratch_;
};

TEST_P(CatalogueFile, YieldsTheNameTheLinesGive)
{
    switch (GetParam().setup) {
    case Setup::File:
        WriteBytes(kCatalogue, GetParam().bytes);
        break;
    case Setup::Directory:
        std::filesystem::create_directory(kCatalogue);
        break;
    case Setup::NoFile:
        break;
    }

    std::string typeName = kPreviousValue;
    LookupCardType(GetParam().did, typeName);

    EXPECT_TRUE(SameBytes(typeName, GetParam().typeName));
}

INSTANTIATE_TEST_SUITE_P(, CatalogueFile, ::testing::ValuesIn(FileCases()),
                         [](const auto& info) { return RowName(info); });

class CatalogueLookup : public ::testing::Test {
protected:
    test_files::ScratchDirectory scratch_;
};

TEST_F(CatalogueLookup, SeesTheFileAsItIsAtEachLookup)
{
    std::string typeName;
    LookupCardType(0x0101, typeName);
    EXPECT_EQ(typeName, "???");

    WriteBytes(kCatalogue, "0101 First\r\n");
    LookupCardType(0x0101, typeName);
    EXPECT_EQ(typeName, "First");

    WriteBytes(kCatalogue, "0101 Second\r\n");
    LookupCardType(0x0101, typeName);
    EXPECT_EQ(typeName, "Second");
}

// ---------------------------------------------------------------------------
// A catalogue that exists but cannot be read: the error leaves the lookup and the
// caller's string keeps its value. Run in a child, which may give up root.

struct FailureCase {
    const char* name;
    std::function<std::shared_ptr<void>()> arrange;
    std::function<std::string()> restrictChild;
    int errorCode;
    std::string message;
};

void PrintTo(const FailureCase& failureCase, std::ostream* out)
{
    *out << failureCase.name;
}

std::vector<FailureCase> FailureCases()
{
    return {
#if !defined(_WIN32)
        {"unreadable",
         [] {
             WriteBytes(kCatalogue, "0101 Digital\r\n");
             std::filesystem::permissions(kCatalogue, std::filesystem::perms::none);
             return std::shared_ptr<void>();
         },
         test_files::DropRootPrivileges, 5, "File access denied"},
#endif
        {"locked-by-writer",
         [] {
             WriteBytes(kCatalogue, "0101 Digital\r\n");
             auto writer = std::make_shared<test_files::FileHolder>(
                 kCatalogue, test_files::FileHolder::Writing);
             if (!writer->Holds())
                 throw std::runtime_error("the writer could not open the catalogue");
             return std::shared_ptr<void>(writer);
         },
         [] { return std::string(); }, 32, "I/O error 32"},
    };
}

class CatalogueFailure : public ::testing::TestWithParam<FailureCase> {
protected:
    test_files::ScratchDirectory scratch_;
};

TEST_P(CatalogueFailure, ThrowsAndLeavesTheCallersString)
{
    const std::shared_ptr<void> keepAlive = GetParam().arrange();

    const std::string outcome = test_files::RunRestricted(GetParam().restrictChild, [&]() -> std::string {
        std::string typeName = kPreviousValue;
        try {
            LookupCardType(0x0101, typeName);
            return "no error, name " + typeName;
        } catch (const platform::EInOutError& error) {
            return std::to_string(error.ErrorCode) + " " + error.what() + " / " + typeName;
        }
    });

    EXPECT_EQ(outcome, std::to_string(GetParam().errorCode) + " " + GetParam().message + " / " +
                           kPreviousValue);
}

INSTANTIATE_TEST_SUITE_P(, CatalogueFailure, ::testing::ValuesIn(FailureCases()),
                         [](const auto& info) { return RowName(info); });

} // namespace
