// How long one catalogue lookup takes over a 64 MiB catalogue, next to
// `grep -c ''` counting the lines of the same file. The file is generated in a
// scratch directory, read once beforehand so that both run from the page cache,
// and the two are timed alternately.
//
//   catalogue_bench [size in MiB] [repetitions]

#include "cards/catalogue.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kWantedDid = 0x0101;
constexpr const char* kWantedName = "MXB-2816 DIO";

// CR LF lines of the catalogue's form, "ABCD Some type name 123", none of them for
// the wanted DID except one a few lines before the end. Returns the line count.
std::uint64_t WriteCatalogue(const std::string& name, std::uint64_t size)
{
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    std::string chunk;
    std::uint64_t written = 0;
    std::uint64_t lines = 0;
    char line[64];
    auto emit = [&](std::uint32_t did, const std::string& typeName) {
        const int length = std::snprintf(line, sizeof line, "%04X %s\r\n",
                                         static_cast<unsigned>(did), typeName.c_str());
        chunk.append(line, static_cast<std::size_t>(length));
        written += static_cast<std::uint64_t>(length);
        ++lines;
        if (chunk.size() >= (1u << 20)) {
            out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
            chunk.clear();
        }
    };
    constexpr std::uint64_t kTail = 4096;
    std::uint32_t did = 0;
    while (written + kTail < size) {
        did = (did + 0x9E37) & 0xFFFF;
        emit(did == kWantedDid ? did + 1 : did, "Some type name " + std::to_string(lines));
    }
    emit(kWantedDid, kWantedName);
    while (written < size)
        emit(0x0201, "Some type name " + std::to_string(lines));
    out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    if (!out)
        throw std::runtime_error("cannot write " + name);
    return lines;
}

double Seconds(Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

// Runs a shell command with its output into a pipe (GNU grep takes a shortcut when
// its output is /dev/null) and returns what it printed.
std::string RunCommand(const std::string& command)
{
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        throw std::runtime_error("cannot run " + command);
    std::string output;
    char buffer[256];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, count);
    ::pclose(pipe);
    return output;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Minimum(const std::vector<double>& values)
{
    return *std::min_element(values.begin(), values.end());
}

} // namespace

int main(int argc, char** argv)
{
    const std::uint64_t sizeMiB = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 64;
    const int repetitions = argc > 2 ? std::atoi(argv[2]) : 9;

    const std::filesystem::path previous = std::filesystem::current_path();
    std::string pattern = (std::filesystem::temp_directory_path() / "catalogue-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("catalogue_bench: mkdtemp");
        return 1;
    }
    const std::filesystem::path scratch = pattern;
    std::filesystem::current_path(scratch);

    int status = 0;
    try {
        const std::uint64_t lines = WriteCatalogue(cards::kCatalogueFileName, sizeMiB << 20);
        const std::string grep = std::string("exec grep -c '' ") + cards::kCatalogueFileName;
        // What starting a grep costs without the file, to tell process start-up
        // from the scan.
        const std::string grepNothing = "exec grep -c '' /dev/null";

        std::string typeName;
        cards::LookupCardType(kWantedDid, typeName);
        const std::string counted = RunCommand(grep);
        if (typeName != kWantedName || std::stoull(counted) != lines)
            throw std::runtime_error("wrong result: name '" + typeName + "', grep counted " + counted);
        RunCommand(grepNothing);

        std::vector<double> lookupTimes;
        std::vector<double> grepTimes;
        std::vector<double> startTimes;
        for (int i = 0; i < repetitions; ++i) {
            auto start = Clock::now();
            cards::LookupCardType(kWantedDid, typeName);
            lookupTimes.push_back(Seconds(Clock::now() - start));

            start = Clock::now();
            RunCommand(grep);
            grepTimes.push_back(Seconds(Clock::now() - start));

            start = Clock::now();
            RunCommand(grepNothing);
            startTimes.push_back(Seconds(Clock::now() - start));
        }

        const double lookup = Median(lookupTimes);
        const double grepTotal = Median(grepTimes);
        const double grepScan = grepTotal - Median(startTimes);
        std::printf("catalogue: %llu MiB, %llu lines, %d repetitions, page cache warm\n",
                    static_cast<unsigned long long>(sizeMiB), static_cast<unsigned long long>(lines),
                    repetitions);
        std::printf("LookupCardType        median %8.2f ms   best %8.2f ms\n", lookup * 1e3,
                    Minimum(lookupTimes) * 1e3);
        std::printf("grep -c '' | pipe     median %8.2f ms   best %8.2f ms\n", grepTotal * 1e3,
                    Minimum(grepTimes) * 1e3);
        std::printf("  of which start-up   median %8.2f ms\n", Median(startTimes) * 1e3);
        std::printf("ratio lookup / grep            %.2fx (grep with start-up)\n", lookup / grepTotal);
        std::printf("ratio lookup / grep scan       %.2fx (grep start-up taken off)\n", lookup / grepScan);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "catalogue_bench: %s\n", error.what());
        status = 1;
    }

    std::filesystem::current_path(previous);
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    return status;
}
