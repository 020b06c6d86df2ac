#include "platform/text_file.h"

#include "platform/errors.h"
#include "support/child_process.h"
#include "support/scratch_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using platform::EInOutError;
using platform::kTextFileBlockSize;
using platform::TextFile;
using test_files::PatternText;
using test_files::SameBytes;

constexpr const char* kFileName = "lines.txt";

std::vector<std::string> ReadAllLines(const std::string& name)
{
    std::vector<std::string> lines;
    TextFile file(name);
    while (!file.Eof())
        lines.emplace_back(file.ReadLine());
    return lines;
}

// ---------------------------------------------------------------------------
// How a file is cut into lines, including lines that cross the blocks in which
// the file is read.

struct LineCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> lines;
};

void PrintTo(const LineCase& lineCase, std::ostream* out)
{
    *out << lineCase.name;
}

std::vector<LineCase> LineCases()
{
    const std::size_t block = kTextFileBlockSize;
    const std::string almostBlock = PatternText(block - 1);
    const std::string fullBlock = PatternText(block);
    const std::string threeBlocks = PatternText(2 * block + 7);
    return {
        {"empty-file", "", {}},
        {"lf-ending", "one\ntwo\n", {"one", "two"}},
        {"crlf-ending", "one\r\ntwo\r\n", {"one", "two"}},
        {"no-final-terminator", "one\r\ntwo", {"one", "two"}},
        {"empty-lines-kept", "\n\r\n\nlast", {"", "", "", "last"}},
        {"lone-cr-dropped", "AB\rCD\r\nEF\n", {"ABCD", "EF"}},
        {"cr-only-line-ends", "one\rtwo\rthree\r", {"onetwothree"}},
        {"cr-before-crlf", "one\r\r\ntwo\n", {"one", "two"}},
        {"ctrl-z-at-start", "\x1A" "one\ntwo\n", {}},
        {"ctrl-z-where-line-begins", "one\n\x1A" "two\nthree\n", {"one"}},
        {"ctrl-z-inside-line", "on\x1A" "e\ntwo\n", {"on\x1A" "e", "two"}},
        {"nul-and-high-bytes-kept", std::string("a\0\xFF" "b\n", 5), {std::string("a\0\xFF" "b", 4)}},
        {"crlf-split-across-blocks", almostBlock + "\r\nnext", {almostBlock, "next"}},
        {"lone-cr-last-byte-of-block", almostBlock + "\rtail\r\nnext", {almostBlock + "tail", "next"}},
        {"lf-last-byte-of-block", almostBlock + "\nnext", {almostBlock, "next"}},
        {"lf-first-byte-of-block", fullBlock + "\nnext", {fullBlock, "next"}},
        {"file-ends-with-block", almostBlock + "\n", {almostBlock}},
        {"ctrl-z-first-byte-of-block", almostBlock + "\n\x1A" "hidden\n", {almostBlock}},
        {"line-over-three-blocks", threeBlocks + "\r\nnext", {threeBlocks, "next"}},
    };
}

class TextFileLines : public ::testing::TestWithParam<LineCase> {
protected:
    test_files::ScratchDirectory scratch_;
};

TEST_P(TextFileLines, CutsLinesByTheLineRules)
{
    test_files::WriteBytes(kFileName, GetParam().bytes);

    const std::vector<std::string> lines = ReadAllLines(kFileName);

    const std::vector<std::string>& expected = GetParam().lines;
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_TRUE(SameBytes(lines[i], expected[i])) << "line " << i;
}

INSTANTIATE_TEST_SUITE_P(, TextFileLines, ::testing::ValuesIn(LineCases()),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// Random text made mostly of the bytes the rules care about, read once through
// TextFile and once by a byte-by-byte model of the rules. Lines of every length
// and break bytes in every position of a word and of a block get exercised.

std::vector<std::string> LinesByTheRules(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::string line;
    bool lineStarted = false;
    for (char byte : bytes) {
        if (!lineStarted && byte == '\x1A')
            return lines;
        lineStarted = true;
        if (byte == '\n') {
            lines.push_back(line);
            line.clear();
            lineStarted = false;
        } else if (byte != '\r') {
            line.push_back(byte);
        }
    }
    if (lineStarted)
        lines.push_back(line);
    return lines;
}

std::string RandomText(std::uint32_t seed, std::size_t length)
{
    // Break bytes, Ctrl-Z, neighbours of CR and LF (which trip up word-wise
    // searches that flag bytes one off), high bytes and ordinary letters.
    static constexpr char kBytes[] = "\r\n\r\n\x1A\x0B\x0C\x0E\x09\x8A\x8D\xFF" "ab";
    std::string text(length, ' ');
    std::uint32_t state = seed;
    for (char& byte : text) {
        state = state * 1664525u + 1013904223u;
        const std::uint32_t pick = state >> 24;
        // Mostly letters, so that lines also grow past a few words.
        byte = pick < 200 ? static_cast<char>('a' + pick % 26) : kBytes[pick % (sizeof kBytes - 1)];
    }
    return text;
}

class TextFileModel : public ::testing::TestWithParam<std::uint32_t> {
protected:
    test_files::ScratchDirectory scratch_;
};

TEST_P(TextFileModel, AgreesWithByteByByteReading)
{
    // Longer than two blocks, so that lines also cross block boundaries.
    std::string bytes = RandomText(GetParam(), 2 * kTextFileBlockSize + 4099);
    std::replace(bytes.begin(), bytes.end(), '\x1A', 'z');
    // One Ctrl-Z where a line begins, near the end, so both sides stop there.
    const std::size_t lastBreak = bytes.rfind('\n', bytes.size() - 100);
    ASSERT_NE(lastBreak, std::string::npos);
    bytes[lastBreak + 1] = '\x1A';
    test_files::WriteBytes(kFileName, bytes);

    const std::vector<std::string> lines = ReadAllLines(kFileName);

    const std::vector<std::string> expected = LinesByTheRules(bytes);
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        ASSERT_TRUE(SameBytes(lines[i], expected[i])) << "line " << i;
}

INSTANTIATE_TEST_SUITE_P(, TextFileModel, ::testing::Values(1u, 2u, 3u, 4u));

// ---------------------------------------------------------------------------
// Open and read failures: the operating system's reason becomes the program's
// error number and message. On POSIX each case runs in a child process, since some
// of them change what the process may do.

// "<error number> <message>" of reading the whole file, or "no error".
std::string DescribeReadingAll(const std::string& path)
{
    try {
        ReadAllLines(path);
        return "no error";
    } catch (const EInOutError& error) {
        return std::to_string(error.ErrorCode) + " " + error.what();
    }
}

struct OpenFailureCase {
    const char* name;
    // Runs in the test process inside the scratch directory; returns the path to
    // open and may hand back something to keep alive meanwhile.
    std::function<std::string(std::shared_ptr<void>& keepAlive)> arrange;
    // Runs in the child before the open; returns an error text or "".
    std::function<std::string()> restrictChild;
    int errorCode;
    std::string message;
};

void PrintTo(const OpenFailureCase& failureCase, std::ostream* out)
{
    *out << failureCase.name;
}

std::string NoRestriction()
{
    return {};
}

std::vector<OpenFailureCase> OpenFailureCases()
{
    return {
        {"missing-file", [](std::shared_ptr<void>&) { return std::string("absent.txt"); },
         NoRestriction, 2, "File not found"},
        {"file-used-as-directory",
         [](std::shared_ptr<void>&) {
             test_files::WriteBytes("plain.txt", "x\n");
             return std::string("plain.txt/lines.txt");
         },
         NoRestriction, 3, "Invalid filename"},
#if defined(_WIN32)
        // ERROR_FILENAME_EXCED_RANGE: a name longer than the system allows.
        {"name-too-long", [](std::shared_ptr<void>&) { return std::string(300, 'n'); },
         NoRestriction, 206, "I/O error 206"},
#else
        {"name-too-long", [](std::shared_ptr<void>&) { return std::string(300, 'n'); },
         NoRestriction, 3, "Invalid filename"},
#endif
        {"directory",
         [](std::shared_ptr<void>&) {
             std::filesystem::create_directory("folder");
             return std::string("folder");
         },
         NoRestriction, 5, "File access denied"},
        {"locked-by-writer",
         [](std::shared_ptr<void>& keepAlive) {
             test_files::WriteBytes(kFileName, "0101 x\n");
             auto writer = std::make_shared<test_files::FileHolder>(
                 kFileName, test_files::FileHolder::Writing);
             if (!writer->Holds())
                 throw std::runtime_error("the writer could not open the file");
             keepAlive = writer;
             return std::string(kFileName);
         },
         NoRestriction, 32, "I/O error 32"},
#if defined(_WIN32)
        // Any other reason is the system's error number as it is.
        {"invalid-name", [](std::shared_ptr<void>&) { return std::string("bad|name.txt"); },
         NoRestriction, ERROR_INVALID_NAME, "I/O error " + std::to_string(ERROR_INVALID_NAME)},
#else
        {"no-read-permission",
         [](std::shared_ptr<void>&) {
             test_files::WriteBytes(kFileName, "0101 x\n");
             std::filesystem::permissions(kFileName, std::filesystem::perms::none);
             return std::string(kFileName);
         },
         test_files::DropRootPrivileges, 5, "File access denied"},
        {"descriptor-limit-reached",
         [](std::shared_ptr<void>&) {
             test_files::WriteBytes(kFileName, "0101 x\n");
             return std::string(kFileName);
         },
         [] {
             // Go through the error path once while descriptors are free: UBSan
             // checks each dynamic type on first use and opens a pipe to do it.
             DescribeReadingAll("absent.txt");
             return test_files::ExhaustFileDescriptors();
         },
         4, "Too many open files"},
        // Any other reason keeps its errno, moved past the program's own numbers.
        {"symbolic-link-loop",
         [](std::shared_ptr<void>&) {
             std::filesystem::create_symlink("loop.txt", "loop.txt");
             return std::string("loop.txt");
         },
         NoRestriction, 1000 + ELOOP, "I/O error " + std::to_string(1000 + ELOOP)},
#endif
    };
}

class TextFileOpenFailure : public ::testing::TestWithParam<OpenFailureCase> {
protected:
    test_files::ScratchDirectory scratch_;
};

TEST_P(TextFileOpenFailure, ThrowsTheProgramsErrorNumberAndMessage)
{
    std::shared_ptr<void> keepAlive;
    const std::string path = GetParam().arrange(keepAlive);

    const std::string outcome = test_files::RunRestricted(
        GetParam().restrictChild, [&] { return DescribeReadingAll(path); });

    EXPECT_EQ(outcome, std::to_string(GetParam().errorCode) + " " + GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(, TextFileOpenFailure, ::testing::ValuesIn(OpenFailureCases()),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// ---------------------------------------------------------------------------
// Sharing: other readers are welcome, writers are not.

class TextFileSharing : public ::testing::Test {
protected:
    void SetUp() override { test_files::WriteBytes(kFileName, "one\ntwo\n"); }

    test_files::ScratchDirectory scratch_;
};

TEST_F(TextFileSharing, OpensWhileAnotherProcessReadsTheFile)
{
    test_files::FileHolder reader(kFileName, test_files::FileHolder::Reading);
    ASSERT_TRUE(reader.Holds());

    EXPECT_EQ(ReadAllLines(kFileName), (std::vector<std::string>{"one", "two"}));
}

TEST_F(TextFileSharing, KeepsWritersOutWhileOpen)
{
    auto file = std::make_unique<TextFile>(kFileName);
    {
        test_files::FileHolder writer(kFileName, test_files::FileHolder::Writing);
        EXPECT_FALSE(writer.Holds()) << "a writer opened the file while it was being read";
    }
    file.reset();
    test_files::FileHolder writer(kFileName, test_files::FileHolder::Writing);
    EXPECT_TRUE(writer.Holds()) << "the file stayed closed to writers after it was closed";
}

// ---------------------------------------------------------------------------

struct MessageCase {
    const char* name;
    int errorCode;
    const char* message;
};

void PrintTo(const MessageCase& messageCase, std::ostream* out)
{
    *out << messageCase.name;
}

class InOutErrorMessages : public ::testing::TestWithParam<MessageCase> {};

TEST_P(InOutErrorMessages, GivesTheMessageOfTheNumber)
{
    EXPECT_EQ(platform::InOutErrorMessage(GetParam().errorCode), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(, InOutErrorMessages,
                         ::testing::Values(MessageCase{"file_not_found", 2, "File not found"},
                                           MessageCase{"invalid_filename", 3, "Invalid filename"},
                                           MessageCase{"too_many_open_files", 4, "Too many open files"},
                                           MessageCase{"access_denied", 5, "File access denied"},
                                           MessageCase{"read_beyond_end", 100, "Read beyond end of file"},
                                           MessageCase{"disk_full", 101, "Disk full"},
                                           MessageCase{"invalid_numeric_input", 106, "Invalid numeric input"},
                                           MessageCase{"sharing_violation", 32, "I/O error 32"},
                                           MessageCase{"zero", 0, "I/O error 0"},
                                           MessageCase{"unlisted_errno", 1005, "I/O error 1005"},
                                           MessageCase{"negative", -1, "I/O error -1"}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
