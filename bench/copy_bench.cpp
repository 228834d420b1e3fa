// The file copy routine beside `cp` on the same file, alternating runs.
// Usage: copy_bench [FOLDER] [MIB] [RUNS]

#include "fs/copy_file.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    fs::path folder = argc > 1 ? argv[1] : fs::temp_directory_path();
    long mib = argc > 2 ? std::atol(argv[2]) : 1024;
    int runs = argc > 3 ? std::atoi(argv[3]) : 3;
    fs::path source = folder / "quillory-copy-bench.src";
    fs::path target = folder / "quillory-copy-bench.dst";

    {
        std::ofstream out(source, std::ios::binary);
        std::vector<char> block(1 << 20);
        for (size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<char>(i * 2654435761u >> 13);
        for (long i = 0; i < mib; ++i)
        {
            block[0] = static_cast<char>(i);
            out.write(block.data(), block.size());
        }
    }

    auto seconds = [](auto start) {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    double best[2] = {1e9, 1e9};
    for (int run = 0; run < runs; ++run)
    {
        fs::remove(target);
        auto start = std::chrono::steady_clock::now();
        bool ok = CopyFileData(source, target);
        double ours = seconds(start);
        fs::remove(target);
        std::string command = "cp '" + source.string() + "' '" + target.string() + "'";
        start = std::chrono::steady_clock::now();
        int rc = std::system(command.c_str());
        double cp = seconds(start);
        std::printf("run %d: CopyFileData %.3f s (%s), cp %.3f s (exit %d)\n", run + 1, ours, ok ? "ok" : "FAILED",
                    cp, rc);
        best[0] = std::min(best[0], ours);
        best[1] = std::min(best[1], cp);
    }
    std::printf("%ld MiB, best of %d: CopyFileData %.3f s (%.0f MiB/s), cp %.3f s (%.0f MiB/s), ratio %.2f\n", mib,
                runs, best[0], mib / best[0], best[1], mib / best[1], best[0] / best[1]);
    fs::remove(source);
    fs::remove(target);
    return 0;
}
