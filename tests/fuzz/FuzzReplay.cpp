// Stand-in for libFuzzer's driver in ordinary builds: feeds every file named on the command
// line (directories are walked, in name order) to the target once, then the empty input, so
// the kept corpus and the regression inputs run as plain tests under any compiler and any
// sanitizer.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        if (!fs::is_directory(argv[i])) {
            files.emplace_back(argv[i]);
            continue;
        }
        const size_t first = files.size();
        for (const auto& e : fs::recursive_directory_iterator(argv[i]))
            if (e.is_regular_file()) files.push_back(e.path());
        std::sort(files.begin() + ptrdiff_t(first), files.end());
    }
    int failures = 0;
    for (const fs::path& f : files) {
        std::ifstream in(f, std::ios::binary);
        std::error_code ec;
        // A heap block of exactly the input's size, so a read past its end is caught by ASan.
        const uintmax_t size = fs::file_size(f, ec);
        std::vector<uint8_t> bytes(ec ? 0 : size);
        if (ec || !in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()))) {
            std::fprintf(stderr, "replay: cannot read %s\n", f.c_str());
            ++failures;
            continue;
        }
        LLVMFuzzerTestOneInput(bytes.empty() ? nullptr : bytes.data(), bytes.size());
    }
    LLVMFuzzerTestOneInput(nullptr, 0);
    std::printf("replay: %zu inputs\n", files.size() + 1);
    return failures ? 1 : 0;
}
