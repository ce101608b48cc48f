// Every kept fuzz input (the seed corpus, the minimised campaign finds and every past crash) runs through
// its target again: a broken contract aborts the test, a sanitizer build reports the fault.

#include "FuzzTargets.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;

namespace {

int replayFolder(const FuzzTarget& target, const fs::path& folder)
{
    int count = 0;
    if (!fs::is_directory(folder))
        return 0;
    for (const auto& file : fs::directory_iterator(folder)) {
        if (!file.is_regular_file() || file.path().extension() == ".txt")
            continue;
        std::ifstream in(file.path(), std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        SCOPED_TRACE(file.path().string());
        target.run(bytes.data(), bytes.size());
        ++count;
    }
    return count;
}

} // namespace

TEST(FuzzReplay, EveryCorpusAndRegressionInputRunsClean)
{
    for (const FuzzTarget& target : kFuzzTargets) {
        const fs::path root = KALVORA_FUZZ_DIR;
        const int corpus = replayFolder(target, root / "corpus" / target.name);
        replayFolder(target, root / "regressions" / target.name);
        EXPECT_GT(corpus, 0) << "no seed inputs for " << target.name;
    }
}
