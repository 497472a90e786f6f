// Make File of 100 WAV files as a pool against the same files as one
// instrument of 100 zones: what the instrument's path costs beyond the
// pool's (its plan, and the words read through the decoder rather than the
// converter).
//   - MakePool / MakeInstrument: 100 mono files of 256 KiB, the runners
//     called directly (one keymap with a sample per key).
//   - MakePool200 / MakeSfz200: 100 stereo 16-bit files of 2 MiB (200 MiB of
//     data), through the commands dorvane-cli runs: the pool made from the
//     WAV files, against an SFZ file of 100 regions (two velocity layers of
//     50 keys) naming the same files. The goal is the SFZ within 1.5 times
//     the pool.
// The files are made once per set in a temporary folder, removed at exit.
#include "CFeedback.h"
#include "InstrumentCommand.h"
#include "InstrumentRunner.h"
#include "MakeCommand.h"
#include "MakeRunner.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace
{

namespace fs = std::filesystem;

constexpr int kFiles = 100;

// A 16-bit PCM WAV file of nFrames frames of nChannels channels.
void WriteWav(const std::string& strPath, int nChannels, std::uint32_t nFrames, int nSeed)
{
    const std::uint32_t nBlock = 2u * static_cast<std::uint32_t>(nChannels);
    std::vector<std::uint8_t> ab(44 + std::size_t{nBlock} * nFrames);
    const auto Put32 = [&](std::size_t n, std::uint32_t v)
    {
        for (int b = 0; b < 4; ++b)
            ab[n + b] = static_cast<std::uint8_t>(v >> (8 * b));
    };
    std::copy_n("RIFF\0\0\0\0WAVEfmt ", 16, ab.begin());
    Put32(4, static_cast<std::uint32_t>(ab.size() - 8));
    Put32(16, 16);
    Put32(20, 1 | (static_cast<std::uint32_t>(nChannels) << 16)); // PCM
    Put32(24, 44100);
    Put32(28, 44100 * nBlock);
    Put32(32, nBlock | (16 << 16));
    std::copy_n("data", 4, ab.begin() + 36);
    Put32(40, nBlock * nFrames);
    for (std::size_t n = 44; n < ab.size(); ++n)
        ab[n] = static_cast<std::uint8_t>(n * 7 + static_cast<std::size_t>(nSeed));
    std::FILE* pFile = std::fopen(strPath.c_str(), "wb");
    std::fwrite(ab.data(), 1, ab.size(), pFile);
    std::fclose(pFile);
}

struct CBenchFiles
{
    fs::path dir;
    std::vector<std::string> aPaths;
    std::int64_t nDataBytes = 0;
    TemplateBytes abTemplate{};
    std::vector<std::string> aTemplateDirs;

    CBenchFiles(const std::string& strTag, int nChannels, std::uint32_t nFrames)
    {
        dir = fs::temp_directory_path() /
              ("dorvane-bench-" + strTag + "-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        for (int i = 0; i < kFiles; ++i)
        {
            aPaths.push_back((dir / ("s" + std::to_string(i) + ".wav")).string());
            WriteWav(aPaths.back(), nChannels, nFrames, i);
        }
        nDataBytes = std::int64_t{kFiles} * 2 * nChannels * nFrames;
        aTemplateDirs =
            TemplateSearchDirs(fs::read_symlink("/proc/self/exe").parent_path().string());
        LoadTemplateFile(abTemplate, aTemplateDirs);
    }
    ~CBenchFiles() { fs::remove_all(dir); }
};

CBenchFiles& SmallFiles()
{
    static CBenchFiles s_files("instrument", 1, 128 * 1024); // 256 KiB each
    return s_files;
}

CBenchFiles& LargeFiles()
{
    static CBenchFiles s_files("sfz200", 2, 512 * 1024); // 2 MiB each, stereo
    return s_files;
}

void BM_MakePool(benchmark::State& state)
{
    CBenchFiles& files = SmallFiles();
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
    state.SetBytesProcessed(state.iterations() * files.nDataBytes);
}

void BM_MakeInstrument(benchmark::State& state)
{
    CBenchFiles& files = SmallFiles();
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
    state.SetBytesProcessed(state.iterations() * files.nDataBytes);
}

// As dorvane-cli make -o POOL.KRZ FILES... runs it.
void BM_MakePool200(benchmark::State& state)
{
    CBenchFiles& files = LargeFiles();
    CNullFeedback feedback;
    SMakeRequest request;
    request.aInputs = files.aPaths;
    request.aTemplateDirs = files.aTemplateDirs;
    request.bNewEntriesTakeMetadata = true;
    request.bHeaderNotes = true;
    request.strOutput = request.strShownName = (files.dir / "POOL.KRZ").string();
    for (auto _ : state)
    {
        SMadeFile made;
        if (!RunMakeCommand(request, feedback, made).IsOk())
            state.SkipWithError("the pool's make failed");
    }
    state.SetBytesProcessed(state.iterations() * files.nDataBytes);
}

// As dorvane-cli make -o SFZ.KRZ bench.sfz runs it.
void BM_MakeSfz200(benchmark::State& state)
{
    CBenchFiles& files = LargeFiles();
    const std::string strSfz = (files.dir / "bench.sfz").string();
    {
        std::FILE* pFile = std::fopen(strSfz.c_str(), "w");
        std::fputs("<control> default_path=./\n", pFile);
        for (int i = 0; i < kFiles; ++i)
        {
            const int nKey = 36 + i / 2;
            const std::string strRegion =
                "<region> sample=s" + std::to_string(i) + ".wav key=" + std::to_string(nKey) +
                (i % 2 == 0 ? " lovel=1 hivel=63" : " lovel=64 hivel=127") + "\n";
            std::fputs(strRegion.c_str(), pFile);
        }
        std::fclose(pFile);
    }
    CNullFeedback feedback;
    SInstrumentRequest request;
    request.aInputs = {strSfz};
    request.aTemplateDirs = files.aTemplateDirs;
    request.strOutput = (files.dir / "SFZ.KRZ").string();
    for (auto _ : state)
    {
        SMadeInstruments made;
        if (!RunInstrumentCommand(request, feedback, made).IsOk())
            state.SkipWithError("the SFZ's make failed");
    }
    state.SetBytesProcessed(state.iterations() * files.nDataBytes);
}

} // namespace

BENCHMARK(BM_MakePool)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MakeInstrument)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MakePool200)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_MakeSfz200)->Unit(benchmark::kMillisecond)->MinTime(3.0);

BENCHMARK_MAIN();
