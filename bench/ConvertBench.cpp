// Throughput of the sample conversion for each WAV format, on a file in the
// page cache: the core of Make File's time.
#include "CFile.h"
#include "SampleConverter.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <vector>

namespace
{

void BM_Convert(benchmark::State& state)
{
    const int nChannels = static_cast<int>(state.range(0));
    const int nBits = static_cast<int>(state.range(1));
    const std::size_t nBytes = 8 * 1024 * 1024;
    const auto dir = std::filesystem::temp_directory_path() / "dorvane-bench-convert";
    std::filesystem::create_directories(dir);
    const std::string strIn = (dir / "in.raw").string();
    {
        std::vector<std::uint8_t> ab(nBytes);
        for (std::size_t i = 0; i < nBytes; ++i)
            ab[i] = static_cast<std::uint8_t>(i * 13);
        CFile file(strIn, CFile::modeCreate | CFile::modeWrite);
        file.Write(ab.data(), ab.size());
        file.Close();
    }
    WAVINFO info;
    info.bValid = true;
    info.nChannels = nChannels;
    info.nBitsPerSample = nBits;
    info.nSamplesPerSec = 44100;
    info.nDataOffset = 0;
    info.nDataSize = static_cast<std::int32_t>(nBytes);
    for (auto _ : state)
    {
        CFile wav(strIn, CFile::modeRead);
        CFile out((dir / "out.raw").string(), CFile::modeCreate | CFile::modeReadWrite);
        ConvertSampleData(wav, info, nBytes, out, 0);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * nBytes));
    std::filesystem::remove_all(dir);
}

} // namespace

BENCHMARK(BM_Convert)
    ->Args({1, 16})
    ->Args({1, 8})
    ->Args({2, 16})
    ->Args({2, 8})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
