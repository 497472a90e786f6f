// Replays every committed fuzz input (corpus/<target>/ and
// regressions/<target>/) through the fuzz targets' own entry functions, and
// checks the named limits of the readers at their edges: the largest honest
// value passes, one more is refused.
#include "FuzzTargets.h"

#include "ByteOrder.h"
#include "CArchive.h"
#include "CFile.h"
#include "KrzJoin.h"
#include "KrzReader.h"
#include "KrzSplit.h"
#include "SampleConverter.h"
#include "TestSupport.h"
#include "WavReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace
{

namespace fs = std::filesystem;
using test::Bytes;

std::vector<fs::path> InputsOf(const std::string& strFolder)
{
    std::vector<fs::path> aFiles;
    const fs::path dir = fs::path(DORVANE_FUZZ_DIR) / strFolder;
    if (fs::is_directory(dir))
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.is_regular_file())
                aFiles.push_back(entry.path());
    std::sort(aFiles.begin(), aFiles.end());
    return aFiles;
}

} // namespace

namespace fuzz
{
// Names the target in test output instead of its bytes.
void PrintTo(const FuzzTarget& target, std::ostream* pOut)
{
    *pOut << target.szName;
}
} // namespace fuzz

namespace
{

class FuzzReplay : public testing::TestWithParam<fuzz::FuzzTarget>
{
};

TEST_P(FuzzReplay, EveryCommittedInputPasses)
{
    const fuzz::FuzzTarget& target = GetParam();
    const auto aCorpus = InputsOf(std::string("corpus/") + target.szName);
    // A corpus that went missing would make this test pass on nothing.
    EXPECT_FALSE(aCorpus.empty()) << "no corpus for " << target.szName;
    auto aInputs = aCorpus;
    const auto aRegressions = InputsOf(std::string("regressions/") + target.szName);
    aInputs.insert(aInputs.end(), aRegressions.begin(), aRegressions.end());
    for (const fs::path& path : aInputs)
    {
        SCOPED_TRACE(path.string());
        const Bytes ab = test::ReadFileBytes(path.string());
        try
        {
            target.pfnRun(ab.data(), ab.size());
        }
        catch (const std::exception& e)
        {
            ADD_FAILURE() << "input " << path.filename() << ": " << e.what();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, testing::ValuesIn(fuzz::kFuzzTargets),
                         [](const testing::TestParamInfo<fuzz::FuzzTarget>& info)
                         { return std::string(info.param.szName); });

// A pool-file string of nLength bytes behind its 32-bit length prefix.
Bytes LongString(std::uint32_t nLength)
{
    Bytes ab = {0xFF, 0xFF, 0xFF};
    test::PutLE32(ab, nLength);
    ab.resize(ab.size() + nLength, 'a');
    return ab;
}

TEST(FuzzLimits, ArchiveStringLength)
{
    test::TempDir dir;
    for (const std::uint32_t nLength : {CArchive::kMaxStringLength, CArchive::kMaxStringLength + 1})
    {
        SCOPED_TRACE(nLength);
        test::WriteFileBytes(dir / "s.bin", LongString(nLength));
        CFile file(dir / "s.bin", CFile::modeRead);
        CArchive ar(file, CArchive::load);
        std::string str;
        if (nLength <= CArchive::kMaxStringLength)
        {
            ar >> str;
            EXPECT_EQ(str.size(), nLength);
        }
        else
            EXPECT_THROW(ar >> str, CArchiveException);
    }
}

// 2-byte strings: their length counts characters; each of these takes three
// bytes as 8-bit text, so the longest that passes is a third of the limit.
TEST(FuzzLimits, ArchiveWideStringText)
{
    test::TempDir dir;
    const std::uint32_t nMost = CArchive::kMaxStringLength / 3;
    for (const std::uint32_t nUnits : {nMost, nMost + 1})
    {
        SCOPED_TRACE(nUnits);
        Bytes ab = {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF};
        test::PutLE32(ab, nUnits);
        for (std::uint32_t i = 0; i < nUnits; ++i)
            test::PutLE16(ab, 0x20AC); // the euro sign: three bytes as UTF-8
        test::WriteFileBytes(dir / "w.bin", ab);
        CFile file(dir / "w.bin", CFile::modeRead);
        CArchive ar(file, CArchive::load);
        std::string str;
        if (nUnits == nMost)
        {
            ar >> str;
            EXPECT_EQ(str.size(), 3u * nUnits);
        }
        else
            EXPECT_THROW(ar >> str, CArchiveException);
    }
}

// A WAV file whose data chunk comes after the fmt chunk and nJunk empty
// chunks: the walk reads nJunk + 1 chunk sizes before it reaches "data".
TEST(FuzzLimits, WavChunkCount)
{
    test::TempDir dir;
    for (const int nJunk : {kMaxWavChunks - 1, kMaxWavChunks})
    {
        SCOPED_TRACE(nJunk);
        test::WavSpec spec;
        spec.abData = test::RampData(64);
        for (int i = 0; i < nJunk; ++i)
        {
            const Bytes abChunk = test::MakeChunk("JUNK", {});
            spec.abChunkBeforeData.insert(spec.abChunkBeforeData.end(), abChunk.begin(),
                                          abChunk.end());
        }
        test::WriteFileBytes(dir / "a.wav", test::MakeWav(spec));
        WAVINFO info;
        CNullFeedback null;
        EXPECT_EQ(ShowAsMessages(ReadWavHeader(dir / "a.wav", info), null), nJunk < kMaxWavChunks);
    }
}

// One object of nLength bytes (block length -nLength), then the end mark.
TEST(FuzzLimits, KrzObjectLength)
{
    for (const std::uint32_t nLength : {kKrzMaxObjectLength, kKrzMaxObjectLength + 4})
    {
        SCOPED_TRACE(nLength);
        Bytes ab(32 + nLength + 4, 0);
        std::copy_n("PRAM", 4, ab.begin());
        bo::StoreBE32(&ab[4], static_cast<std::uint32_t>(ab.size()));
        bo::StoreBE32(&ab[32], static_cast<std::uint32_t>(-static_cast<std::int64_t>(nLength)));
        bo::StoreBE16(&ab[32 + 6], static_cast<std::uint16_t>(nLength - 6));
        bo::StoreBE16(&ab[32 + 8], 20);
        const KrzFileInfo info = ReadKrzData(ab.data(), ab.size());
        EXPECT_EQ(info.aObjects.size(), nLength <= kKrzMaxObjectLength ? 1u : 0u);
        EXPECT_EQ(info.bEndMarkFound, nLength <= kKrzMaxObjectLength);
    }
}

// A series named as the split names it goes on past part 99 with three
// digits (P.KRZ100); names the two-digit counter makes there (P.KRZ:0) are
// never read. Each part carries its number and the bytes still to come.
TEST(FuzzLimits, JoinFollowsThreeDigitPartNames)
{
    test::TempDir dir;
    Bytes abFirst(32, 0);
    abFirst[15] = 1;
    abFirst.push_back(1); // P = 1 byte
    test::WriteFileBytes(dir / "P.KRZ01", abFirst);
    for (int nPart = 2; nPart <= 101; ++nPart)
    {
        Bytes abPart(36, 0);
        abPart[11] = static_cast<std::uint8_t>(101 - nPart);
        abPart[15] = static_cast<std::uint8_t>(nPart);
        abPart.push_back(static_cast<std::uint8_t>(nPart));
        test::WriteFileBytes(PartName(dir / "P.KRZ", nPart), abPart);
    }
    test::WriteFileBytes(dir / "P.KRZ:0", Bytes(40, 0xEE));
    CNullFeedback null;

    JoinKrzFiles(dir / "P.KRZ01", dir / "OUT.KRZ");

    const Bytes abOut = test::ReadFileBytes(dir / "OUT.KRZ");
    ASSERT_EQ(abOut.size(), 32u + 101u);
    EXPECT_EQ(abOut.back(), 101);
}

TEST(FuzzLimits, ConversionDataSize)
{
    WAVINFO info;
    info.nChannels = 2;
    info.nBitsPerSample = 8;
    info.nDataOffset = 44;
    info.nDataSize = -1; // 4 GiB - 1 as stored
    // A file far longer than any data chunk: the declared size decides,
    // cut to whole frames.
    EXPECT_EQ(UsableDataBytes(info, std::uint64_t{1} << 40), kMaxWavDataBytes - 1);
    info.nChannels = 1;
    EXPECT_EQ(UsableDataBytes(info, std::uint64_t{1} << 40), kMaxWavDataBytes);
    EXPECT_EQ(ChannelBytes(info, kMaxWavDataBytes), 2 * kMaxWavDataBytes);

    test::TempDir dir;
    test::WriteFileBytes(dir / "a.wav", Bytes(100, 0));
    CFile wav(dir / "a.wav", CFile::modeRead);
    CFile data(dir / "data", CFile::modeCreate | CFile::modeReadWrite);
    info.nChannels = 2;
    EXPECT_THROW(ConvertSampleData(wav, info, kMaxWavDataBytes + 1, data, 0), CFileException);
    EXPECT_EQ(data.GetLength(), 0u);
}

} // namespace
