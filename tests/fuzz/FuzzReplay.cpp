// Stand-in for libFuzzer's driver in ordinary builds: feeds every file named on the command
// line (directories are walked) to the target once, so the kept corpus and the regression
// inputs run as plain tests under any compiler and any sanitizer.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {
int RunFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "replay: cannot read %s\n", path.c_str());
        return 1;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // A heap copy of exactly the input's size, so a read past the end is caught by ASan.
    std::vector<uint8_t> exact(bytes);
    LLVMFuzzerTestOneInput(exact.empty() ? nullptr : exact.data(), exact.size());
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    int failures = 0, runs = 0;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path arg(argv[i]);
        if (std::filesystem::is_directory(arg)) {
            std::vector<std::filesystem::path> files;
            for (const auto& e : std::filesystem::recursive_directory_iterator(arg))
                if (e.is_regular_file()) files.push_back(e.path());
            std::sort(files.begin(), files.end());
            for (const auto& f : files) failures += RunFile(f), ++runs;
        } else {
            failures += RunFile(arg), ++runs;
        }
    }
    // The empty input is always a case.
    LLVMFuzzerTestOneInput(nullptr, 0);
    std::printf("replay: %d inputs\n", runs + 1);
    return failures ? 1 : 0;
}
