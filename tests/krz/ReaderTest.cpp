// The KRZ reader on files built by hand from the template's regions: what it
// reads, which invariants it checks, and damaged input of every kind.
#include "ByteOrder.h"
#include "CFileException.h"
#include "KrzFormat.h"
#include "KrzReader.h"
#include "Multisample.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>

namespace
{

// Builds a KRZ file the way the builder lays it out: template regions with
// their fields set, the end mark, then zero words as sample data.
class CKrzMaker
{
  public:
    CKrzMaker() : m_abTemplate(test::ReadFileBytes(DORVANE_TEST_TEMPLATE))
    {
        EXPECT_EQ(m_abTemplate.size(), kTemplateSize);
        m_ab.assign(m_abTemplate.begin(), m_abTemplate.begin() + kKrzHeaderSize);
    }

    // Adds a sample object with nWords words per channel; returns its offset.
    std::size_t AddSample(int n, const char* szName, bool bStereo, std::uint32_t nRate,
                          int nRootKey, bool bLoop, std::uint32_t nWords)
    {
        const std::size_t nAt =
            Append(bStereo ? kStereoSample : kMonoSample, kSampleTypeBase, n, szName);
        const auto nPitch = static_cast<std::uint16_t>(KrzPitch(nRootKey, nRate));
        for (int nChannel = 0; nChannel < (bStereo ? 2 : 1); ++nChannel)
        {
            std::uint8_t* p = &m_ab[nAt + (nChannel == 0 ? kSampleHeader1 : kSampleHeader2)];
            p[kShRootKey] = static_cast<std::uint8_t>(nRootKey + 12);
            p[kShFlags] = bLoop ? kLoopOnFlags : kLoopOffFlags;
            bo::StoreBE16(p + kShPitch, nPitch);
            const std::uint32_t nStart = m_nWords;
            m_nWords += nWords;
            for (const std::size_t nField : {kShStart, kShAltStart, kShLoopStart})
                bo::StoreBE32(p + nField, nStart);
            bo::StoreBE32(p + kShEnd, m_nWords - 1);
            bo::StoreBE32(p + kShPeriod, 1000000000u / nRate);
        }
        return nAt;
    }

    std::size_t AddKeymap(int n, const char* szName, bool bStereo, int nSample)
    {
        const std::size_t nAt =
            Append(bStereo ? kStereoKeymap : kMonoKeymap, kKeymapTypeBase, n, szName);
        bo::StoreBE16(&m_ab[nAt + kKeymapSampleNumber], static_cast<std::uint16_t>(nSample));
        return nAt;
    }

    std::size_t AddProgram(int n, const char* szName, bool bStereo, int nKeymap)
    {
        const std::size_t nAt =
            Append(bStereo ? kStereoProgram : kMonoProgram, kProgramTypeBase, n, szName);
        bo::StoreBE16(&m_ab[nAt + kProgramKeymap1], static_cast<std::uint16_t>(nKeymap));
        if (bStereo)
            bo::StoreBE16(&m_ab[nAt + kProgramKeymap2], static_cast<std::uint16_t>(nKeymap));
        return nAt;
    }

    // Appends a ready-made object; returns its offset.
    std::size_t AddObject(const std::uint8_t* p, std::size_t n)
    {
        const std::size_t nAt = m_ab.size();
        m_ab.insert(m_ab.end(), p, p + n);
        return nAt;
    }

    // End mark, sample data and the sample-data offset.
    test::Bytes Finish()
    {
        m_ab.insert(m_ab.end(), 4, 0);
        bo::StoreBE32(&m_ab[4], static_cast<std::uint32_t>(m_ab.size()));
        m_ab.insert(m_ab.end(), std::size_t{m_nWords} * 2, 0);
        return m_ab;
    }

  private:
    std::size_t Append(TemplateRegion region, std::uint16_t nTypeBase, int n, const char* szName)
    {
        const std::size_t nAt = m_ab.size();
        m_ab.insert(m_ab.end(), m_abTemplate.begin() + region.nOffset,
                    m_abTemplate.begin() + region.nOffset + region.nLength);
        bo::StoreBE16(&m_ab[nAt + kObjId], static_cast<std::uint16_t>(nTypeBase + n));
        std::string strName = std::string(szName) + std::string(kObjNameLength, ' ');
        std::copy_n(strName.begin(), kObjNameLength, &m_ab[nAt + kObjName]);
        return nAt;
    }

    test::Bytes m_abTemplate;
    test::Bytes m_ab;
    std::uint32_t m_nWords = 0;
};

// The two-entry file of the layout's worked example: PIANO (mono, 44100 Hz,
// 44100 words, loop off, keymap only) and STRINGS (stereo, 22050 Hz, 500
// words per channel, loop on, keymap and program).
struct Example
{
    test::Bytes ab;
    std::size_t nPianoSample, nPianoKeymap, nStringsSample, nStringsKeymap, nStringsProgram;
};

Example MakeExample()
{
    CKrzMaker maker;
    Example ex;
    ex.nPianoSample = maker.AddSample(200, "PIANO", false, 44100, 48, false, 44100);
    ex.nPianoKeymap = maker.AddKeymap(200, "PIANO", false, 200);
    ex.nStringsSample = maker.AddSample(201, "STRINGS", true, 22050, 48, true, 500);
    ex.nStringsKeymap = maker.AddKeymap(201, "STRINGS", true, 201);
    ex.nStringsProgram = maker.AddProgram(201, "STRINGS", true, 201);
    ex.ab = maker.Finish();
    return ex;
}

KrzFileInfo Read(const test::Bytes& ab)
{
    return ReadKrzData(ab.data(), ab.size());
}

std::string Problems(const KrzFileInfo& info)
{
    std::string str;
    for (const KrzProblem& p : info.aProblems)
        str += (p.severity == KrzSeverity::error ? "ERROR " : "note ") + p.strText + "\n";
    return str;
}

bool HasError(const KrzFileInfo& info, const std::string& strPart)
{
    for (const KrzProblem& p : info.aProblems)
        if (p.severity == KrzSeverity::error && p.strText.find(strPart) != std::string::npos)
            return true;
    return false;
}

bool HasNote(const KrzFileInfo& info, const std::string& strPart)
{
    for (const KrzProblem& p : info.aProblems)
        if (p.severity == KrzSeverity::note && p.strText.find(strPart) != std::string::npos)
            return true;
    return false;
}

TEST(KrzReader, ReadsTheWorkedExample)
{
    const Example ex = MakeExample();
    ASSERT_EQ(ex.ab.size(), 91108u);
    const KrzFileInfo info = Read(ex.ab);
    EXPECT_TRUE(info.aProblems.empty()) << Problems(info);

    EXPECT_TRUE(info.header.bMagicOk);
    EXPECT_EQ(info.header.nSampleDataOffset, 908u);
    EXPECT_EQ(info.header.nOsVersion, 353u);
    EXPECT_EQ(info.partKind, KrzPartKind::wholeFile);
    EXPECT_TRUE(info.bEndMarkFound);
    EXPECT_EQ(info.nEndMarkOffset, 904u);
    EXPECT_EQ(info.nSampleDataLength, 90200u);
    ASSERT_EQ(info.aObjects.size(), 5u);

    const KrzObjectInfo& piano = info.aObjects[0];
    EXPECT_EQ(piano.nId, 0x98C8);
    EXPECT_EQ(piano.nType, 38);
    EXPECT_EQ(piano.nNumber, 200);
    EXPECT_EQ(piano.strName, "PIANO           ");
    EXPECT_EQ(piano.nChannels, 1);
    ASSERT_EQ(piano.aSampleHeaders.size(), 1u);
    const KrzSampleHeaderInfo& sh = piano.aSampleHeaders[0];
    EXPECT_EQ(sh.nNoteNumber, 60);
    EXPECT_EQ(sh.nRootKey, 48);
    EXPECT_EQ(sh.strRootKey, "C 4");
    EXPECT_FALSE(sh.bLoop);
    EXPECT_EQ(sh.nPitch, 6147);
    EXPECT_EQ(sh.nPeriod, 22675u);
    EXPECT_EQ(sh.nRate, 44100u);
    EXPECT_EQ(sh.nStart, 0u);
    EXPECT_EQ(sh.nEnd, 44099u);

    EXPECT_EQ(sh.nRateLow, 44100u);
    EXPECT_EQ(sh.nRateHigh, 44101u);

    EXPECT_EQ(info.aObjects[1].nType, 37);
    EXPECT_EQ(info.aObjects[1].nSampleNumber, 200);

    const KrzObjectInfo& strings = info.aObjects[2];
    EXPECT_EQ(strings.nChannels, 2);
    ASSERT_EQ(strings.aSampleHeaders.size(), 2u);
    EXPECT_TRUE(strings.aSampleHeaders[0].bLoop);
    EXPECT_EQ(strings.aSampleHeaders[0].nPitch, 7347);
    EXPECT_EQ(strings.aSampleHeaders[0].nRate, 22050u);
    EXPECT_EQ(strings.aSampleHeaders[0].nStart, 44100u);
    EXPECT_EQ(strings.aSampleHeaders[0].nEnd, 44599u);
    EXPECT_EQ(strings.aSampleHeaders[1].nStart, 44600u);
    EXPECT_EQ(strings.aSampleHeaders[1].nEnd, 45099u);

    const KrzObjectInfo& program = info.aObjects[4];
    EXPECT_EQ(program.nId, 0x90C9);
    ASSERT_EQ(program.aLayers.size(), 1u);
    EXPECT_TRUE(program.aLayers[0].bStereo);
    EXPECT_EQ(program.aLayers[0].nKeymap, 201);
    EXPECT_EQ(program.aLayers[0].nKeymap2, 201);
}

TEST(KrzReader, RateShownForAPeriod)
{
    // A common rate within the period's range wins; otherwise the pitch
    // picks a rate within it.
    for (const std::uint32_t nRate : {8000u, 11025u, 37800u, 44100u, 96000u, 192000u, 50001u})
    {
        SCOPED_TRACE(nRate);
        CKrzMaker m;
        m.AddSample(200, "R", false, nRate, 60, false, 2);
        const KrzFileInfo info = Read(m.Finish());
        ASSERT_EQ(info.aObjects.size(), 1u);
        EXPECT_TRUE(info.IsValid()) << Problems(info);
        const KrzSampleHeaderInfo& sh = info.aObjects[0].aSampleHeaders[0];
        EXPECT_LE(sh.nRateLow, nRate);
        EXPECT_GE(sh.nRateHigh, nRate);
        EXPECT_NEAR(double(sh.nRate), double(nRate), nRate / 1000.0);
    }
}

TEST(KrzReader, AcceptedFiles)
{
    struct Case
    {
        const char* szName;
        std::function<test::Bytes()> make;
        std::size_t nObjects;
        const char* szNote; // expected note, or nullptr for none
    };
    const Case aCases[] = {
        {"no usable entry: header and end mark", [] { return CKrzMaker().Finish(); }, 0, nullptr},
        {"mono program",
         []
         {
             CKrzMaker m;
             m.AddSample(300, "A", false, 48000, 60, true, 10);
             m.AddKeymap(300, "A", false, 300);
             m.AddProgram(300, "A", false, 300);
             return m.Finish();
         },
         3, nullptr},
        {"program of a disabled keymap",
         []
         {
             CKrzMaker m;
             m.AddSample(300, "A", true, 44100, 48, false, 10);
             m.AddProgram(300, "A", true, 300);
             return m.Finish();
         },
         2, "keymap 300 is not in the file"},
        {"negative pitch in two's complement: 192000 Hz at root key 0",
         []
         {
             CKrzMaker m;
             m.AddSample(999, "HI", false, 192000, 0, false, 4);
             return m.Finish();
         },
         1, nullptr},
        {"highest numbers",
         []
         {
             CKrzMaker m;
             m.AddSample(999, "Z", false, 8000, 127, false, 1);
             m.AddKeymap(999, "Z", false, 999);
             return m.Finish();
         },
         2, nullptr},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        const KrzFileInfo info = Read(c.make());
        EXPECT_TRUE(info.IsValid()) << Problems(info);
        EXPECT_EQ(info.aObjects.size(), c.nObjects);
        if (c.szNote)
        {
            EXPECT_TRUE(HasNote(info, c.szNote)) << Problems(info);
        }
        else
        {
            EXPECT_TRUE(info.aProblems.empty()) << Problems(info);
        }
    }
}

// One damage to the worked example and the error it must raise.
struct Mutation
{
    const char* szName;
    std::function<void(Example&)> apply;
    const char* szError;
};

void Put32(test::Bytes& ab, std::size_t nAt, std::uint32_t n)
{
    bo::StoreBE32(&ab[nAt], n);
}
void Put16(test::Bytes& ab, std::size_t nAt, std::uint16_t n)
{
    bo::StoreBE16(&ab[nAt], n);
}

TEST(KrzReader, RejectedFiles)
{
    const Mutation aCases[] = {
        {"magic", [](Example& e) { e.ab[3] = 'X'; }, "not \"PRAM\""},
        {"offset 4 too far", [](Example& e) { Put32(e.ab, 4, 912); }, "end mark ends at 908"},
        {"offset 4 too near", [](Example& e) { Put32(e.ab, 4, 904); }, "no end mark"},
        {"offset past the end", [](Example& e) { Put32(e.ab, 4, 0x7FFFFFF0); },
         "past the end of the file"},
        {"offset below the objects", [](Example& e) { Put32(e.ab, 4, 20); }, "below 36"},
        {"positive block length", [](Example& e) { Put32(e.ab, e.nPianoKeymap, 184); },
         "not negative"},
        {"block length not a multiple of 4",
         [](Example& e) { Put32(e.ab, e.nPianoKeymap, static_cast<std::uint32_t>(-182)); },
         "not a multiple of 4"},
        {"block length longer than the objects",
         [](Example& e) { Put32(e.ab, e.nPianoKeymap, static_cast<std::uint32_t>(-1000)); },
         "runs past the sample data at 908"},
        {"object size", [](Example& e) { Put16(e.ab, e.nPianoSample + kObjSize, 94); },
         "object size 94"},
        {"keymap names no sample",
         [](Example& e) { Put16(e.ab, e.nPianoKeymap + kKeymapSampleNumber, 555); },
         "names sample 555"},
        {"keymap names a number no sample has",
         [](Example& e) { Put16(e.ab, e.nStringsKeymap + kKeymapSampleNumber, 202); },
         "names sample 202"},
        {"start after end",
         [](Example& e) { Put32(e.ab, e.nPianoSample + kSampleHeader1 + kShStart, 44100); },
         "after end word"},
        {"end past the data",
         [](Example& e) { Put32(e.ab, e.nStringsSample + kSampleHeader2 + kShEnd, 45100); },
         "past the sample data"},
        {"right channel not after the left",
         [](Example& e) { Put32(e.ab, e.nStringsSample + kSampleHeader2 + kShStart, 44601); },
         "right channel starts at word 44601"},
        {"pitch off by 3 cents",
         [](Example& e) { Put16(e.ab, e.nPianoSample + kSampleHeader1 + kShPitch, 6150); },
         "does not fit the period"},
        {"period of another rate",
         [](Example& e) { Put32(e.ab, e.nPianoSample + kSampleHeader1 + kShPeriod, 20833); },
         "does not fit the period"},
        {"period 0",
         [](Example& e) { Put32(e.ab, e.nPianoSample + kSampleHeader1 + kShPeriod, 0); },
         "period is 0"},
        {"stereo flag with one header", [](Example& e) { e.ab[e.nPianoSample + 34] = 1; },
         "left/right pairs"},
        {"more headers than the object holds",
         [](Example& e) { Put16(e.ab, e.nPianoSample + 30, 5); }, "past the object's end"},
        {"program run without its end word",
         [](Example& e) { e.ab[e.nStringsProgram + 276] = 0x08; }, "runs past the object's end"},
        {"program run with a stray zero tag", [](Example& e) { e.ab[e.nStringsProgram + 212] = 0; },
         "zero tag"},
        {"data distance outside the object",
         [](Example& e) { Put16(e.ab, e.nPianoKeymap + 8, 0xFFF0); }, "outside the object"},
        {"velocity table outside the keymap",
         [](Example& e) { Put16(e.ab, e.nPianoKeymap + 40, 0x7FF0); }, "lies outside the keymap"},
        {"file one byte short", [](Example& e) { e.ab.pop_back(); }, "past the sample data"},
    };
    for (const Mutation& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        Example ex = MakeExample();
        c.apply(ex);
        const KrzFileInfo info = Read(ex.ab);
        EXPECT_FALSE(info.IsValid());
        EXPECT_TRUE(HasError(info, c.szError)) << Problems(info);
    }
}

TEST(KrzReader, NotesDoNotFail)
{
    const Mutation aCases[] = {
        {"empty keymap entries", [](Example& e) { e.ab[e.nPianoKeymap + 56 + 10] = 0; },
         "1 empty entry"},
        {"mono layer with a second keymap",
         [](Example& e)
         {
             e.ab[e.nStringsProgram + 61] = 0x04; // layer flags: one channel
         },
         "known to silence the program"},
        {"stereo layer without its second keymap",
         [](Example& e) { Put16(e.ab, e.nStringsProgram + kProgramKeymap2, 0); },
         "never plays its right channel"},
        {"unknown program segment", [](Example& e) { e.ab[e.nStringsProgram + 212] = 0x77; },
         "0x77 is not known"},
        {"data not in the file",
         [](Example& e) { e.ab[e.nPianoSample + kSampleHeader1 + kShFlags] = 0xB0; },
         "flag 0x40 is clear"},
        {"data-length field of a joined file that does not match",
         [](Example& e) { Put32(e.ab, 8, 5); }, "data-length field holds 5"},
    };
    for (const Mutation& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        Example ex = MakeExample();
        c.apply(ex);
        const KrzFileInfo info = Read(ex.ab);
        EXPECT_TRUE(info.IsValid()) << Problems(info);
        EXPECT_TRUE(HasNote(info, c.szError)) << Problems(info);
    }

    // A joined file keeps part 1's data length: no note then.
    Example ex = MakeExample();
    Put32(ex.ab, 8, 90200);
    EXPECT_TRUE(Read(ex.ab).aProblems.empty());
}

TEST(KrzReader, EveryTruncationIsAnError)
{
    // Every cut through the header and the objects, then cuts through the
    // sample data, its last words included.
    const Example ex = MakeExample();
    std::vector<std::size_t> aCuts;
    for (std::size_t n = 0; n < 1200; ++n)
        aCuts.push_back(n);
    for (std::size_t n = 1200; n < ex.ab.size(); n += 997)
        aCuts.push_back(n);
    for (std::size_t n = ex.ab.size() - 8; n < ex.ab.size(); ++n)
        aCuts.push_back(n);
    for (const std::size_t n : aCuts)
    {
        const KrzFileInfo info = ReadKrzData(ex.ab.data(), n);
        ASSERT_FALSE(info.IsValid()) << "cut at " << n;
        ASSERT_LE(info.aObjects.size(), 5u);
    }
}

TEST(KrzReader, HostileBlockLengths)
{
    for (const std::uint32_t nBlock : {0x80000000u, 0x80000004u, 0xFFFFFFFCu, 0xFFFFFFE0u,
                                       0xFFFEFFF8u, 0x7FFFFFFFu, 0x00000004u, 0xFFFFFFFFu})
    {
        SCOPED_TRACE(nBlock);
        Example ex = MakeExample();
        Put32(ex.ab, ex.nPianoSample, nBlock);
        const KrzFileInfo info = Read(ex.ab);
        EXPECT_FALSE(info.IsValid());
        EXPECT_LE(info.aObjects.size(), 5u);
    }
}

TEST(KrzReader, WalkStopsAfterTheMostObjects)
{
    // The smallest objects there are, one more than the walk records.
    const std::size_t nCount = kKrzMaxObjects + 1;
    test::Bytes ab(32 + nCount * 28 + 4, 0);
    std::copy_n("PRAM", 4, ab.begin());
    Put32(ab, 4, static_cast<std::uint32_t>(ab.size()));
    for (std::size_t i = 0; i < nCount; ++i)
    {
        const std::size_t nAt = 32 + i * 28;
        Put32(ab, nAt, static_cast<std::uint32_t>(-28));
        Put16(ab, nAt + kObjSize, 24);
        Put16(ab, nAt + 8, 20);
    }
    const KrzFileInfo info = Read(ab);
    EXPECT_EQ(info.aObjects.size(), kKrzMaxObjects);
    EXPECT_TRUE(HasError(info, "more than 65536 objects")) << info.aProblems.size();
}

TEST(KrzReader, RandomBytesNeverCrash)
{
    std::mt19937 rng(20240607);
    const Example ex = MakeExample();
    const test::Bytes abObjects(ex.ab.begin(), ex.ab.begin() + 908);
    for (int nRound = 0; nRound < 3000; ++nRound)
    {
        test::Bytes ab;
        switch (nRound % 3)
        {
        case 0: // pure noise
            ab.resize(rng() % 2048);
            for (auto& b : ab)
                b = static_cast<std::uint8_t>(rng());
            break;
        case 1: // noise behind a plausible header
            ab.resize(32 + rng() % 2048);
            for (auto& b : ab)
                b = static_cast<std::uint8_t>(rng());
            std::copy_n("PRAM", 4, ab.begin());
            Put32(ab, 4, static_cast<std::uint32_t>(rng() % (ab.size() + 8)));
            Put32(ab, 12, rng() % 3);
            break;
        default: // the example's objects with a few bytes changed
            ab = abObjects;
            for (int i = 0, n = 1 + static_cast<int>(rng() % 8); i < n; ++i)
                ab[32 + rng() % (ab.size() - 32)] = static_cast<std::uint8_t>(rng());
            ab.resize(ab.size() + rng() % 1000);
            break;
        }
        const KrzFileInfo info = Read(ab);
        ASSERT_LE(info.aObjects.size(), ab.size() / 28 + 1);
        (void)FormatKrzFileInfo(info);
    }
}

TEST(KrzReader, PartFiles)
{
    const Example ex = MakeExample();

    // Part 1 as the split makes it: bytes 8..15 replaced, the file cut after
    // P payload bytes.
    for (const std::size_t nCut : {1056u, 640u})
    {
        SCOPED_TRACE(nCut);
        test::Bytes ab(ex.ab.begin(), ex.ab.begin() + static_cast<long>(nCut));
        Put32(ab, 8, 90200);
        Put32(ab, 12, 1);
        const KrzFileInfo info = Read(ab);
        EXPECT_EQ(info.partKind, KrzPartKind::firstPart);
        EXPECT_TRUE(info.IsValid()) << Problems(info);
        if (nCut > 908)
        {
            EXPECT_EQ(info.aObjects.size(), 5u);
            EXPECT_TRUE(info.bEndMarkFound);
        }
        else
        {
            EXPECT_EQ(info.aObjects.size(), 4u) << "the program reaches past 640";
            EXPECT_TRUE(HasNote(info, "goes on in the next part")) << Problems(info);
        }
    }

    // Part 1 declaring less sample data than its headers use.
    test::Bytes abShort(ex.ab.begin(), ex.ab.begin() + 1056);
    Put32(abShort, 8, 90198);
    Put32(abShort, 12, 1);
    EXPECT_TRUE(HasError(Read(abShort), "past the sample data"));

    // A later part: its header alone.
    test::Bytes abLater(36 + 100, 0xAB);
    std::copy_n(ex.ab.begin(), 32, abLater.begin());
    Put32(abLater, 4, 36);
    Put32(abLater, 8, 0);
    Put32(abLater, 12, 2);
    Put32(abLater, 32, 0);
    KrzFileInfo info = Read(abLater);
    EXPECT_EQ(info.partKind, KrzPartKind::laterPart);
    EXPECT_TRUE(info.IsValid()) << Problems(info);
    EXPECT_TRUE(info.aObjects.empty());
    EXPECT_EQ(info.header.nPartNumber, 2u);

    Put32(abLater, 4, 908);
    EXPECT_TRUE(HasError(Read(abLater), "sample-data offset field holds 908"));
}

TEST(KrzReader, ReadsFilesAndReportsMissingOnes)
{
    test::TempDir dir;
    const Example ex = MakeExample();
    test::WriteFileBytes(dir / "EX.KRZ", ex.ab);
    const KrzFileInfo fromFile = ReadKrzFile(dir / "EX.KRZ");
    const KrzFileInfo fromMemory = Read(ex.ab);
    EXPECT_EQ(fromFile.strPath, dir / "EX.KRZ");
    EXPECT_EQ(fromFile.nFileLength, ex.ab.size());
    EXPECT_TRUE(fromFile.IsValid());
    ASSERT_EQ(fromFile.aObjects.size(), fromMemory.aObjects.size());
    // The texts differ only in their first line (path or memory).
    const std::string strFile = FormatKrzFileInfo(fromFile);
    const std::string strMemory = FormatKrzFileInfo(fromMemory);
    EXPECT_EQ(strFile.substr(strFile.find('\n')), strMemory.substr(strMemory.find('\n')));

    test::WriteFileBytes(dir / "EMPTY.KRZ", {});
    const KrzFileInfo empty = ReadKrzFile(dir / "EMPTY.KRZ");
    EXPECT_TRUE(HasError(empty, "shorter than the 32-byte header"));
    EXPECT_FALSE(empty.bHeaderRead);

    EXPECT_THROW(ReadKrzFile(dir / "NONE.KRZ"), CFileException);
}

TEST(KrzReader, Text)
{
    Example ex = MakeExample();
    ex.ab[ex.nStringsKeymap + kObjName + 2] = 0x01; // a control character in a name
    const std::string str = FormatKrzFileInfo(Read(ex.ab));
    for (const char* szPart :
         {"magic              \"PRAM\"", "sample data at     908 (90200 bytes)",
          "OS version         3.53", "Objects: 5, end mark at 904",
          "Sample 200 \"PIANO\" (ID 0x98C8), 96 bytes at 32",
          "header 1: root key C 4 (note 60), loop off",
          "period 22675 ns (44100 Hz), start 0, loop start 0, end 44099 (44100 words)",
          "header 2 (right): root key C 4", "Keymap 201 \"ST\\x01INGS\"", "  sample 201",
          "layer 1 (stereo): keymap 201, second keymap 201", "No problems found"})
        EXPECT_NE(str.find(szPart), std::string::npos) << szPart << "\n" << str;

    Put32(ex.ab, 4, 20);
    const std::string strBad = FormatKrzFileInfo(Read(ex.ab));
    EXPECT_NE(strBad.find("Problems: "), std::string::npos) << strBad;
    EXPECT_NE(strBad.find("  ERROR at 4: the sample-data offset 20 is below 36"), std::string::npos)
        << strBad;
}

// Three samples over the keyboard: keys 0..28 play 201, 29..59 play 202,
// 60..127 play 203, in keymap 201 and program 201.
struct MultiExample
{
    test::Bytes ab;
    std::size_t nKeymap;
};

MultiExample MakeMultiExample(bool bStereo, int nMissing = 0)
{
    CKrzMaker maker;
    MultiExample ex;
    maker.AddSample(201, "LOW", bStereo, 44100, 24, false, 100);
    maker.AddSample(202, "MID", bStereo, 44100, 36, false, 100);
    maker.AddSample(203, "HIGH", bStereo, 44100, 72, false, 100);
    std::array<std::uint16_t, kKeymapKeys> an{};
    for (int k = 0; k < kKeymapKeys; ++k)
        an[k] = k <= 28 ? 201 : k <= 59 ? 202 : 203;
    if (nMissing != 0)
        an[127] = static_cast<std::uint16_t>(nMissing);
    const MultiKeymapBytes abKeymap = BuildMultiKeymap(201, "PIANO", an);
    ex.nKeymap = maker.AddObject(abKeymap.data(), abKeymap.size());
    maker.AddProgram(201, "PIANO", bStereo, 201);
    ex.ab = maker.Finish();
    return ex;
}

TEST(KrzReader, KeymapWithASamplePerEntry)
{
    for (const bool bStereo : {false, true})
    {
        const KrzFileInfo info = Read(MakeMultiExample(bStereo).ab);
        EXPECT_TRUE(info.aProblems.empty()) << Problems(info);
        ASSERT_EQ(info.aObjects.size(), 5u);
        const KrzObjectInfo& keymap = info.aObjects[3];
        EXPECT_EQ(keymap.nLength, 440u);
        EXPECT_TRUE(keymap.bSamplePerEntry);
        EXPECT_EQ(keymap.nEntryMethod, 3);
        ASSERT_EQ(keymap.aEntrySamples.size(), 128u);
        EXPECT_EQ(keymap.aEntrySamples[28], 201);
        EXPECT_EQ(keymap.aEntrySamples[29], 202);
        EXPECT_EQ(keymap.aNamedSamples, (std::vector<int>{201, 202, 203}));

        const std::string str = FormatKrzFileInfo(info);
        EXPECT_NE(str.find("Keymap 201 \"PIANO\" (ID 0x94C9), 440 bytes"), std::string::npos)
            << str;
        EXPECT_NE(str.find("  a sample per entry (entry method 0x0003)\n"
                           "  C 0-E 2: sample 201\n"
                           "  F 2-B 4: sample 202\n"
                           "  C 5-G 10: sample 203\n"),
                  std::string::npos)
            << str;
    }
}

TEST(KrzReader, KeymapEntryNamingAnAbsentSample)
{
    const KrzFileInfo info = Read(MakeMultiExample(false, 207).ab);
    EXPECT_TRUE(HasError(info, "keymap 201 at 320: an entry names sample 207")) << Problems(info);
    EXPECT_EQ(info.ErrorCount(), 1u) << Problems(info);
    EXPECT_NE(FormatKrzFileInfo(info).find("  G 10: sample 207\n"), std::string::npos);
}

TEST(KrzReader, DamagedKeymapWithASamplePerEntry)
{
    struct Case
    {
        const char* szName;
        std::size_t nOffset;  // in the keymap
        std::uint16_t nValue; // stored big-endian there
        bool bError;
        const char* szText;
    };
    for (const Case& c :
         {Case{"bytes per entry", 38, 2, true,
               "2 bytes per entry, but entry method 0x0003 needs 3"},
          // Key 5: sample 201 (low byte C9) kept, sub-sample 0.
          Case{"sub-sample 0", 56 + 3 * 5 + 1, 0xC900, false, "1 empty entry"},
          Case{"sample 0", 56 + 3 * 7, 0, false, "1 empty entry"},
          Case{"table outside", 40, 0x7FFF, true, "entry table of velocity level 1"}})
    {
        MultiExample ex = MakeMultiExample(false);
        bo::StoreBE16(&ex.ab[ex.nKeymap + c.nOffset], c.nValue);
        const KrzFileInfo info = Read(ex.ab);
        EXPECT_TRUE(c.bError ? HasError(info, c.szText) : HasNote(info, c.szText))
            << c.szName << "\n"
            << Problems(info);
    }
}

} // namespace
