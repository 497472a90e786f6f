// The generated template against the facts of the object format, and the
// template loader.
#include "ByteOrder.h"
#include "KrzFormat.h"
#include "KrzTemplate.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

namespace
{

// Checks bytes of one region and remembers which ones it looked at, so that
// ExpectRestZero can then demand that every other byte of the region is 0.
class CRegionFacts
{
  public:
    CRegionFacts(const test::Bytes& ab, TemplateRegion region)
        : m_ab(ab), m_region(region), m_abChecked(region.nLength, false)
    {
    }

    const std::uint8_t* At(std::size_t nOffset) const
    {
        return m_ab.data() + m_region.nOffset + nOffset;
    }

    void Expect(std::size_t nOffset, std::initializer_list<std::uint8_t> aValues,
                const std::string& strWhat)
    {
        std::size_t i = 0;
        for (const std::uint8_t nValue : aValues)
        {
            EXPECT_EQ(*At(nOffset + i), nValue)
                << strWhat << ": byte " << nOffset + i << " of the region at " << m_region.nOffset;
            Mark(nOffset + i);
            ++i;
        }
    }

    void ExpectFill(std::size_t nOffset, std::size_t nCount, std::uint8_t nValue,
                    const std::string& strWhat)
    {
        for (std::size_t i = 0; i < nCount; ++i)
        {
            EXPECT_EQ(*At(nOffset + i), nValue)
                << strWhat << ": byte " << nOffset + i << " of the region at " << m_region.nOffset;
            Mark(nOffset + i);
        }
    }

    void ExpectBE16(std::size_t nOffset, std::uint16_t nValue, const std::string& strWhat)
    {
        EXPECT_EQ(bo::LoadBE16(At(nOffset)), nValue) << strWhat;
        Mark(nOffset);
        Mark(nOffset + 1);
    }

    // An s16 distance from its own field (plus nBase) must land on nTarget.
    void ExpectDistance(std::size_t nField, std::size_t nBase, std::size_t nTarget,
                        const std::string& strWhat)
    {
        const int nDistance = static_cast<std::int16_t>(bo::LoadBE16(At(nField)));
        EXPECT_EQ(static_cast<long>(nBase) + nDistance, static_cast<long>(nTarget)) << strWhat;
        Mark(nField);
        Mark(nField + 1);
    }

    void ExpectRestZero()
    {
        for (std::size_t n = 0; n < m_region.nLength; ++n)
        {
            if (!m_abChecked[n])
            {
                EXPECT_EQ(*At(n), 0) << "byte " << n << " of the region at " << m_region.nOffset
                                     << " has no reason to be non-zero";
            }
        }
    }

  private:
    void Mark(std::size_t nOffset)
    {
        ASSERT_LT(nOffset, m_region.nLength);
        m_abChecked[nOffset] = true;
    }

    const test::Bytes& m_ab;
    TemplateRegion m_region;
    std::vector<bool> m_abChecked;
};

class TemplateFileTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        m_ab = test::ReadFileBytes(DORVANE_TEST_TEMPLATE);
        ASSERT_EQ(m_ab.size(), kTemplateSize);
    }

    // The framing every object shares; the ID (4..5) and the name's
    // terminator (26..27) are left to ExpectRestZero.
    static void ExpectFraming(CRegionFacts& facts, std::uint32_t nLength, std::uint16_t nSize)
    {
        facts.Expect(
            0,
            {static_cast<std::uint8_t>(-nLength >> 24), static_cast<std::uint8_t>(-nLength >> 16),
             static_cast<std::uint8_t>(-nLength >> 8), static_cast<std::uint8_t>(-nLength)},
            "negative block length");
        EXPECT_EQ(static_cast<std::int32_t>(bo::LoadBE32(facts.At(0))),
                  -static_cast<std::int32_t>(nLength));
        facts.ExpectBE16(kObjSize, nSize, "object size");
        facts.ExpectBE16(8, 20, "distance from offset 8 to the data at 28");
        facts.ExpectFill(kObjName, kObjNameLength, ' ', "name: 16 spaces until the builder's");
    }

    test::Bytes m_ab;
};

TEST_F(TemplateFileTest, FileHeader)
{
    CRegionFacts facts(m_ab, kFileHeader);
    facts.Expect(0, {'P', 'R', 'A', 'M'}, "magic");
    facts.Expect(16, {0x00, 0x00, 0x01, 0x61}, "operating-system version 353");
    // Sample-data offset, data length, part number, model and unused: 0.
    facts.ExpectRestZero();
}

struct SampleCase
{
    const char* szName;
    TemplateRegion region;
    bool bStereo;
    std::size_t nEnvelopes; // offset of the two envelope records
};

class TemplateSampleTest : public TemplateFileTest, public ::testing::WithParamInterface<SampleCase>
{
};

TEST_P(TemplateSampleTest, SampleObject)
{
    const SampleCase& c = GetParam();
    CRegionFacts facts(m_ab, c.region);
    ExpectFraming(facts, static_cast<std::uint32_t>(c.region.nLength),
                  static_cast<std::uint16_t>(c.region.nLength - 4));
    facts.ExpectBE16(28, 1, "base ID");
    facts.ExpectBE16(30, c.bStereo ? 1 : 0, "number of sample headers - 1");
    facts.ExpectDistance(32, 32, kSampleHeader1, "distance to the first sample header");
    facts.Expect(34, {static_cast<std::uint8_t>(c.bStereo ? 1 : 0)}, "stereo flag");

    std::vector<std::size_t> aHeaders{kSampleHeader1};
    if (c.bStereo)
        aHeaders.push_back(kSampleHeader2);
    EXPECT_EQ(aHeaders.back() + kSampleHeaderSize, c.nEnvelopes);
    for (const std::size_t nHeader : aHeaders)
    {
        // Both envelope distances lead to the first record; everything
        // else in the header is the builder's or 0.
        facts.ExpectDistance(nHeader + 24, nHeader + 24, c.nEnvelopes, "first envelope record");
        facts.ExpectDistance(nHeader + 26, nHeader + 26, c.nEnvelopes,
                             "envelope record of the alternative start");
    }
    for (const std::size_t nRecord : {c.nEnvelopes, c.nEnvelopes + 12})
        facts.Expect(nRecord,
                     {0xFF, 0xFF, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0xF9, 0xC0, 0x00, 0x00},
                     "envelope record {-1, 1, 0, 0, -1600, 0}");
    EXPECT_EQ(c.nEnvelopes + 24, c.region.nLength);
    facts.ExpectRestZero();
}

INSTANTIATE_TEST_SUITE_P(Template, TemplateSampleTest,
                         ::testing::Values(SampleCase{"Mono", kMonoSample, false, 72},
                                           SampleCase{"Stereo", kStereoSample, true, 104}),
                         [](const auto& info) { return std::string(info.param.szName); });

class TemplateKeymapTest : public TemplateFileTest,
                           public ::testing::WithParamInterface<TemplateRegion>
{
};

TEST_P(TemplateKeymapTest, KeymapObject)
{
    CRegionFacts facts(m_ab, GetParam());
    ExpectFraming(facts, 184, 180);
    facts.ExpectBE16(30, 1, "entry method: one byte per entry, the sub-sample number");
    facts.ExpectBE16(34, 100, "cents per entry");
    facts.ExpectBE16(36, 127, "entries per velocity level - 1");
    facts.ExpectBE16(38, 1, "bytes per entry");
    for (std::size_t nLevel = 0; nLevel < 8; ++nLevel)
        facts.ExpectDistance(40 + 2 * nLevel, 40 + 2 * nLevel, 56,
                             "velocity level " + std::to_string(nLevel + 1));
    facts.ExpectFill(56, 128, 0x01, "every entry plays sub-sample 1");
    // The sample number (28..29) is the builder's, the pitch of entry 0 is 0.
    facts.ExpectRestZero();
}

INSTANTIATE_TEST_SUITE_P(Template, TemplateKeymapTest,
                         ::testing::Values(kMonoKeymap, kStereoKeymap),
                         [](const auto& info) { return info.index == 0 ? "Mono" : "Stereo"; });

struct ProgramCase
{
    const char* szName;
    TemplateRegion region;
    bool bStereo;
};

class TemplateProgramTest : public TemplateFileTest,
                            public ::testing::WithParamInterface<ProgramCase>
{
};

TEST_P(TemplateProgramTest, ProgramObject)
{
    const ProgramCase& c = GetParam();
    CRegionFacts facts(m_ab, c.region);
    ExpectFraming(facts, 280, 274);

    // The segment run: each tag at its offset, each body as long as the
    // tag says, ended by a zero word at 276.
    struct Segment
    {
        std::size_t nOffset;
        std::uint8_t nTag;
        std::size_t nBody;
    };
    const Segment aRun[] = {
        {28, 0x08, 15},  {44, 0x0F, 7},   {52, 0x09, 15},  {68, 0x10, 7},   {76, 0x11, 7},
        {84, 0x18, 3},   {88, 0x19, 3},   {92, 0x14, 7},   {100, 0x15, 7},  {108, 0x1A, 3},
        {112, 0x1B, 3},  {116, 0x20, 15}, {132, 0x21, 15}, {148, 0x22, 15}, {164, 0x23, 15},
        {180, 0x40, 31}, {212, 0x50, 15}, {228, 0x51, 15}, {244, 0x52, 15}, {260, 0x53, 15},
    };
    std::size_t nNext = 28;
    for (const Segment& seg : aRun)
    {
        EXPECT_EQ(seg.nOffset, nNext) << "segment " << int(seg.nTag);
        facts.Expect(seg.nOffset, {seg.nTag}, "segment tag");
        nNext = seg.nOffset + 1 + seg.nBody;
    }
    EXPECT_EQ(nNext, 276u);
    facts.ExpectBE16(276, 0, "end word");
    EXPECT_EQ(bo::LoadBE16(facts.At(kObjSize)), 276 + 2 - 4) << "object size ends at the end word";

    // Known body bytes: the segment's offset + 1 + the body index.
    const std::uint8_t nLayerFlags = c.bStereo ? 0x24 : 0x04;
    const std::uint8_t nPan = c.bStereo ? 0x94 : 0x04;
    facts.Expect(29, {0x02, 0x01}, "program format 2, one layer");
    facts.Expect(32, {0x37, 0x40}, "pitch-bend range, portamento rate");
    facts.ExpectBE16(45, 1, "effect 1");
    facts.Expect(54, {0x18}, "layer marker");
    facts.Expect(56, {0x00, 0x7F, 0x00, 0x7F}, "keys 0..127, full velocity, always on");
    facts.Expect(61, {nLayerFlags}, "layer flags");
    facts.Expect(118, {0x01}, "amplitude envelope from the sample's records");
    facts.Expect(134, {0x64}, "attack level 100 %");
    facts.Expect(140, {0x64}, "decay level 100 %");
    facts.Expect(181, {0x7F}, "keymap and pitch: constant");
    facts.Expect(184, {0x2B}, "key tracking");
    facts.Expect(210, {0x01}, "algorithm 1");
    facts.Expect(213, {0x3E}, "first block: none");
    facts.Expect(261, {0x01}, "last block: amplifier");
    facts.Expect(263, {0x70}, "second output hard right");
    facts.Expect(274, {0x04, nPan}, "amplifier setting, pan");

    // The builder's keymap numbers; a mono program's second slot stays 0.
    EXPECT_EQ(bo::LoadBE16(facts.At(kProgramKeymap1)), 0);
    EXPECT_EQ(bo::LoadBE16(facts.At(kProgramKeymap2)), 0);
    facts.ExpectRestZero();
}

INSTANTIATE_TEST_SUITE_P(Template, TemplateProgramTest,
                         ::testing::Values(ProgramCase{"Mono", kMonoProgram, false},
                                           ProgramCase{"Stereo", kStereoProgram, true}),
                         [](const auto& info) { return std::string(info.param.szName); });

TEST_F(TemplateFileTest, RegionsTileTheFileAndTheTailIsZero)
{
    const TemplateRegion aRegions[] = {kFileHeader,   kMonoSample,   kMonoKeymap,   kMonoProgram,
                                       kStereoSample, kStereoKeymap, kStereoProgram};
    std::size_t nNext = 0;
    for (const TemplateRegion& region : aRegions)
    {
        EXPECT_EQ(region.nOffset, nNext);
        nNext = region.nOffset + region.nLength;
    }
    EXPECT_EQ(nNext, 1184u);
    CRegionFacts tail(m_ab, {1184, 64});
    tail.ExpectRestZero();
}

// ---- Loader ----

test::Bytes Pattern(std::size_t nSize)
{
    test::Bytes ab(nSize);
    for (std::size_t i = 0; i < nSize; ++i)
        ab[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    return ab;
}

bool Load(TemplateBytes& abTemplate, const std::vector<std::string>& aDirs)
{
    abTemplate.fill(0xEE);
    return LoadTemplateFile(abTemplate, aDirs);
}

TEST(TemplateLoader, SizeDecides)
{
    struct Case
    {
        std::size_t nSize;
        bool bLoads;
    };
    for (const Case& c : {Case{1248, true}, Case{1247, false}, Case{0, false}, Case{2000, true}})
    {
        SCOPED_TRACE(c.nSize);
        test::TempDir dir;
        const test::Bytes ab = Pattern(c.nSize);
        test::WriteFileBytes(dir / kTemplateFileName, ab);
        TemplateBytes abTemplate;
        ASSERT_EQ(Load(abTemplate, {dir.Path().string()}), c.bLoads);
        if (c.bLoads)
        {
            EXPECT_TRUE(std::equal(abTemplate.begin(), abTemplate.end(), ab.begin()));
        }
    }
}

TEST(TemplateLoader, MissingFails)
{
    test::TempDir dir;
    TemplateBytes abTemplate;
    EXPECT_FALSE(Load(abTemplate, {dir.Path().string()}));
    EXPECT_FALSE(Load(abTemplate, {}));
}

TEST(TemplateLoader, GeneratedTemplateLoads)
{
    const std::string strDir = std::filesystem::path(DORVANE_TEST_TEMPLATE).parent_path().string();
    TemplateBytes abTemplate;
    ASSERT_TRUE(Load(abTemplate, {strDir}));
    const test::Bytes ab = test::ReadFileBytes(DORVANE_TEST_TEMPLATE);
    EXPECT_TRUE(std::equal(abTemplate.begin(), abTemplate.end(), ab.begin()));
}

TEST(TemplateLoader, SearchDirs)
{
    const auto aDirs = TemplateSearchDirs("/opt/dorvane/bin");
    ASSERT_EQ(aDirs.size(), 3u);
    EXPECT_EQ(aDirs[0], ".");
    EXPECT_EQ(aDirs[1], "/opt/dorvane/bin");
    EXPECT_FALSE(aDirs[2].empty());
    EXPECT_EQ(TemplateSearchDirs("").size(), 2u) << "no executable folder, no entry";
}

TEST(TemplateLoader, CurrentFolderComesFirst)
{
    test::TempDir current, exe;
    test::ScopedCurrentDir cd(current.Path());
    const test::Bytes abCurrent = Pattern(1248);
    test::Bytes abExe = Pattern(1248);
    abExe[0] ^= 0xFF;
    test::WriteFileBytes(exe / kTemplateFileName, abExe);
    TemplateBytes abTemplate;

    // Only beside the executable: that one.
    ASSERT_TRUE(Load(abTemplate, TemplateSearchDirs(exe.Path().string())));
    EXPECT_EQ(abTemplate[0], abExe[0]);

    // In the current folder too: the current folder's.
    test::WriteFileBytes(current / kTemplateFileName, abCurrent);
    ASSERT_TRUE(Load(abTemplate, TemplateSearchDirs(exe.Path().string())));
    EXPECT_EQ(abTemplate[0], abCurrent[0]);

    // A short one in the current folder is the one read, and fails.
    test::WriteFileBytes(current / kTemplateFileName, Pattern(100));
    EXPECT_FALSE(Load(abTemplate, TemplateSearchDirs(exe.Path().string())));
}

TEST(TemplateLoader, FolderOfThatNameIsPassedOver)
{
    test::TempDir current, exe;
    std::filesystem::create_directory(current.Path() / kTemplateFileName);
    test::WriteFileBytes(exe / kTemplateFileName, Pattern(1248));
    TemplateBytes abTemplate;
    EXPECT_TRUE(Load(abTemplate, {current.Path().string(), exe.Path().string()}));
}

} // namespace
