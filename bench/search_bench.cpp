// Search over 100,000 text records of 1 KB each, beside a plain memmem over
// the same UTF-8 bytes in one buffer. Usage: search_bench [RECORDS] [RUNS]

#include "records/text_match.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace {

const char* const kWords[] = {"clipboard", "record", "meeting", "Grüße", "日本", "report", "the", "and",
                              "quarterly", "naïve", "café", "budget", "x", "of", "notes", "€42"};

std::string MakeRecord(std::mt19937& random, size_t size)
{
    std::string text;
    while (text.size() < size)
    {
        text += kWords[random() % (sizeof kWords / sizeof *kWords)];
        text += random() % 9 == 0 ? '\n' : ' ';
    }
    return text;
}

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv)
{
    size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    int runs = argc > 2 ? std::atoi(argv[2]) : 10;
    const std::string needle = "Quarterly café budget: 7 März";

    std::mt19937 random(7);
    TextRecords records;
    std::string all;
    for (size_t i = 0; i < count; ++i)
    {
        std::string text = MakeRecord(random, 1024);
        if (i % (count / 3) == count / 6)  // a few records hold the pattern
            text.insert(text.size() / 2, needle);
        all += text;
        records.push_back(MakeSharedText(std::move(text)));
    }
    const double megabytes = all.size() / 1e6;

    double bestSearch = 1e9, bestScan = 1e9;
    size_t matches = 0, occurrences = 0;
    for (int run = 0; run < runs; ++run)
    {
        auto start = std::chrono::steady_clock::now();
        matches = FindMatches(records, needle).size();
        bestSearch = std::min(bestSearch, Seconds(start));

        start = std::chrono::steady_clock::now();
        occurrences = 0;
        const char* at = all.data();
        const char* end = all.data() + all.size();
        while (const void* hit = ::memmem(at, end - at, needle.data(), needle.size()))
        {
            ++occurrences;
            at = static_cast<const char*>(hit) + needle.size();
        }
        bestScan = std::min(bestScan, Seconds(start));
    }
    std::printf("%zu records, %.1f MB of UTF-8 text, best of %d runs\n", count, megabytes, runs);
    std::printf("search: %.1f ms, %zu matches, %.0f MB/s\n", 1000 * bestSearch, matches, megabytes / bestSearch);
    std::printf("memmem over the same bytes: %.1f ms, %zu hits, %.0f MB/s\n", 1000 * bestScan, occurrences,
                megabytes / bestScan);
    std::printf("search / memmem: %.2f\n", bestSearch / bestScan);

    auto start = std::chrono::steady_clock::now();
    size_t everything = FindMatches(records, " ").size();
    std::printf("a pattern in every record: %zu matches in %.1f ms\n", everything, 1000 * Seconds(start));
    return 0;
}
