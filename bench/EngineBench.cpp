// Engine throughput in memory: the walk alone, no file access, over the corpus and over large
// synthetic photos.
#include "engine/mJPEGOpt.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::filesystem::path CorpusDir()
{
    const char *dir = std::getenv("SPARROWTRIM_CORPUS_DIR");
    return dir ? dir : SPARROWTRIM_DEFAULT_CORPUS_DIR;
}

const std::vector<Bytes> &CorpusFiles()
{
    static const std::vector<Bytes> files = [] {
        std::vector<Bytes> loaded;
        for (const auto &entry : std::filesystem::directory_iterator(CorpusDir())) {
            if (entry.path().extension() != ".jpg")
                continue;
            std::ifstream in(entry.path(), std::ios::binary);
            loaded.emplace_back(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
        }
        return loaded;
    }();
    return files;
}

void AppendSegment(Bytes &out, std::uint8_t code, const Bytes &payload)
{
    const std::size_t length = payload.size() + 2;
    out.insert(out.end(), {0xFF, code, static_cast<std::uint8_t>(length >> 8),
                           static_cast<std::uint8_t>(length & 0xFF)});
    out.insert(out.end(), payload.begin(), payload.end());
}

// Entropy-coded data as an encoder leaves it: 0xFF stuffed with 0x00 and a restart marker
// every restartSpacing bytes. ffShare is the share of 0xFF among the coded bytes.
void AppendScanData(Bytes &out, std::size_t size, double ffShare, std::mt19937 &random)
{
    constexpr std::size_t restartSpacing = 4096;
    std::bernoulli_distribution isFF(ffShare);
    std::uniform_int_distribution<int> other(0, 0xFE);
    const std::size_t end = out.size() + size;
    std::uint8_t restart = 0;
    while (out.size() < end) {
        for (std::size_t i = 0; i < restartSpacing && out.size() < end; ++i) {
            if (isFF(random))
                out.insert(out.end(), {0xFF, 0x00});
            else
                out.push_back(static_cast<std::uint8_t>(other(random)));
        }
        out.insert(out.end(), {0xFF, static_cast<std::uint8_t>(0xD0 + restart)});
        restart = (restart + 1) % 8;
    }
}

Bytes Filler(std::size_t size, std::mt19937 &random)
{
    Bytes bytes(size);
    std::uniform_int_distribution<int> any(0, 0xFF);
    std::generate(bytes.begin(), bytes.end(),
                  [&] { return static_cast<std::uint8_t>(any(random)); });
    return bytes;
}

// A camera photo of about `size` bytes: EXIF with a thumbnail, ICC profile and comment before
// the frame, then `scans` scans with Huffman tables between them.
Bytes SyntheticPhoto(std::size_t size, int scans, double ffShare)
{
    std::mt19937 random(20261206);
    Bytes out = {0xFF, 0xD8};
    AppendSegment(out, 0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
    AppendSegment(out, 0xE1, Filler(65000, random));
    AppendSegment(out, 0xE2, Filler(3144, random));
    AppendSegment(out, 0xFE, Filler(200, random));
    AppendSegment(out, 0xDB, Filler(65, random));
    AppendSegment(out, 0xC2, {8, 0x0F, 0xA0, 0x17, 0x70, 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1});
    AppendSegment(out, 0xDD, {0x00, 0x40});
    const std::size_t scanSize = size / static_cast<std::size_t>(scans);
    for (int scan = 0; scan < scans; ++scan) {
        AppendSegment(out, 0xC4, Filler(180, random));
        AppendSegment(out, 0xDA, {3, 1, 0, 2, 0x11, 3, 0x11, 0, 0x3F, 0});
        AppendScanData(out, scanSize, ffShare, random);
    }
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}

// Argument: the keep options, 0 none, 1 the ICC profile, 2 the orientation, 3 both. The
// counter bytes_after is the corpus's size after one pass (failed files as they were).
void BM_Corpus(benchmark::State &state)
{
    const auto &files = CorpusFiles();
    std::int64_t bytes = 0;
    for (const Bytes &file : files)
        bytes += static_cast<std::int64_t>(file.size());
    sparrowtrim::mJPEGOpt engine({}, {.keepIccProfile = (state.range(0) & 1) != 0,
                                      .keepOrientation = (state.range(0) & 2) != 0});
    std::int64_t after = 0;
    for (const Bytes &file : files)
        after += engine.OptimizeBuffer(file) == sparrowtrim::kFailed
                     ? static_cast<std::int64_t>(file.size())
                     : engine.OutputLength();
    for (auto _ : state) {
        for (const Bytes &file : files)
            benchmark::DoNotOptimize(engine.OptimizeBuffer(file));
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["files"] = static_cast<double>(files.size());
    state.counters["bytes_after"] = static_cast<double>(after);
}
BENCHMARK(BM_Corpus)->ArgName("keep")->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

void BM_LargestCorpusFile(benchmark::State &state)
{
    const auto &files = CorpusFiles();
    const Bytes &largest =
        *std::max_element(files.begin(), files.end(),
                          [](const Bytes &a, const Bytes &b) { return a.size() < b.size(); });
    sparrowtrim::mJPEGOpt engine;
    for (auto _ : state)
        benchmark::DoNotOptimize(engine.OptimizeBuffer(largest));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(largest.size()));
}
BENCHMARK(BM_LargestCorpusFile)->Unit(benchmark::kMicrosecond);

// Arguments: size in MiB, number of scans, per mille of 0xFF among the coded bytes (a photo
// has about 4; 100 stands for an unusually dense one).
void BM_Synthetic(benchmark::State &state)
{
    const Bytes photo = SyntheticPhoto(static_cast<std::size_t>(state.range(0)) << 20,
                                       static_cast<int>(state.range(1)),
                                       static_cast<double>(state.range(2)) / 1000.0);
    sparrowtrim::mJPEGOpt engine;
    for (auto _ : state)
        benchmark::DoNotOptimize(engine.OptimizeBuffer(photo));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(photo.size()));
}
BENCHMARK(BM_Synthetic)
    ->ArgNames({"MiB", "scans", "ff_permille"})
    ->Args({64, 1, 4})
    ->Args({64, 10, 4})
    ->Args({64, 1, 100})
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
