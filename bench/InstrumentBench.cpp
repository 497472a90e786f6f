// Make File of 100 WAV files as a pool against the same files as one
// instrument of 100 zones (one keymap with a sample per key): what the
// instrument's path costs beyond the pool's (its plan, and the words read
// through the decoder rather than the converter).
#include "CFeedback.h"
#include "InstrumentRunner.h"
#include "MakeRunner.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

namespace
{

constexpr int kFiles = 100;
constexpr std::uint32_t kFrames = 128 * 1024; // 256 KiB of 16-bit mono words each

struct CBenchFiles
{
    std::filesystem::path dir;
    std::vector<std::string> aPaths;
    TemplateBytes abTemplate{};

    CBenchFiles()
    {
        dir = std::filesystem::temp_directory_path() /
              ("dorvane-bench-instrument-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        for (int i = 0; i < kFiles; ++i)
        {
            std::vector<std::uint8_t> ab(44 + 2 * kFrames);
            const auto Put32 = [&](std::size_t n, std::uint32_t v)
            {
                for (int b = 0; b < 4; ++b)
                    ab[n + b] = static_cast<std::uint8_t>(v >> (8 * b));
            };
            std::copy_n("RIFF\0\0\0\0WAVEfmt ", 16, ab.begin());
            Put32(4, static_cast<std::uint32_t>(ab.size() - 8));
            Put32(16, 16);
            Put32(20, 1 | (1 << 16)); // PCM, mono
            Put32(24, 44100);
            Put32(28, 88200);
            Put32(32, 2 | (16 << 16)); // block align 2, 16 bits
            std::copy_n("data", 4, ab.begin() + 36);
            Put32(40, 2 * kFrames);
            for (std::size_t n = 44; n < ab.size(); ++n)
                ab[n] = static_cast<std::uint8_t>(n * 7 + i);
            aPaths.push_back((dir / ("s" + std::to_string(i) + ".wav")).string());
            std::FILE* pFile = std::fopen(aPaths.back().c_str(), "wb");
            std::fwrite(ab.data(), 1, ab.size(), pFile);
            std::fclose(pFile);
        }
        const auto exe = std::filesystem::read_symlink("/proc/self/exe").parent_path();
        LoadTemplateFile(abTemplate, TemplateSearchDirs(exe.string()));
    }
    ~CBenchFiles() { std::filesystem::remove_all(dir); }
};

CBenchFiles& Files()
{
    static CBenchFiles s_files;
    return s_files;
}

void BM_MakePool(benchmark::State& state)
{
    CBenchFiles& files = Files();
    CNullFeedback feedback;
    for (auto _ : state)
    {
        SMakePool pool;
        LoadMakePool(files.aPaths, pool);
        ReadEntryHeaders(pool, {}, true, false);
        SMadeFile made;
        const std::string strOut = (files.dir / "POOL.KRZ").string();
        RunMakeFile(*pool.pDoc, *pool.pWavInfo, {}, files.abTemplate, strOut, strOut, {}, feedback,
                    made);
    }
    state.SetBytesProcessed(state.iterations() * kFiles * 2 * std::int64_t{kFrames});
}

void BM_MakeInstrument(benchmark::State& state)
{
    CBenchFiles& files = Files();
    CNullFeedback feedback;
    CInstrument instrument{"Bench", {}};
    for (int i = 0; i < kFiles; ++i)
    {
        CZone zone;
        zone.audio.strPath = files.aPaths[i];
        zone.nLoKey = zone.nHiKey = zone.nRootKey = 20 + i;
        instrument.aZones.push_back(zone);
    }
    for (auto _ : state)
    {
        SMadeInstruments made;
        RunMakeInstruments({{{instrument}, {}, {}}}, {}, files.abTemplate,
                           (files.dir / "INST.KRZ").string(), {}, feedback, made);
    }
    state.SetBytesProcessed(state.iterations() * kFiles * 2 * std::int64_t{kFrames});
}

} // namespace

BENCHMARK(BM_MakePool)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MakeInstrument)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
