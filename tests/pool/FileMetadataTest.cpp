// Note names in titles, and the metadata reader on damaged and unusual
// chunk layouts (the usual ones are in AudioInputTest.cpp).
#include "FileMetadata.h"
#include "RootKey.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace
{

using test::Bytes;

TEST(FileMetadata, RootKeyFromTitle)
{
    const struct
    {
        const char* szTitle;
        int nKey; // -100: none
    } aCases[] = {
        {"C4", 48},
        {"Piano C4", 48},
        {"Piano_C#3.wav", 37},
        {"Strings Db3", 37},
        {"Bass F#-1", -6},
        {"a4", 57},
        {"choir-G9", 115},
        {"Cb4", 47},
        {"B#3", 48},
        {"Bb-1", -2},
        {"Pad C2 to C5", 60},      // the last name wins
        {"Bass C3 (E4) lo", 52},   // brackets end a word
        {"Bass", -100},            // a word, not B
        {"abc4", -100},            // inside a word
        {"C45", -100},             // octave 45 is not one
        {"C4x", -100},             // followed by a letter
        {"H4", -100},              // not a note letter
        {"C 4", -100},             // the field's spelling is not a file name's
        {"Cb-1", -100},            // below key -12
        {"B#9", -100},             // above key 119
        {"C-2", -100},             // octave -2
        {"take2 E4 C-1x D#7", 87}, // the names that stand as words: E4, D#7
        {"", -100},
    };
    for (const auto& c : aCases)
    {
        const auto nKey = RootKeyFromTitle(c.szTitle);
        EXPECT_EQ(nKey.value_or(-100), c.nKey) << c.szTitle;
    }
    // The key reads back as the name the title gave (sharps as the field
    // spells them).
    EXPECT_EQ(RootKeyText(*RootKeyFromTitle("x F#-1")), "F#-1");
    EXPECT_EQ(RootKeyText(*RootKeyFromTitle("x c4")), "C 4");
}

Bytes Chunk(const char* szId, const Bytes& abBody)
{
    Bytes ab;
    test::PutTag(ab, szId);
    test::PutLE32(ab, static_cast<std::uint32_t>(abBody.size()));
    ab.insert(ab.end(), abBody.begin(), abBody.end());
    return ab;
}

Bytes SmplBody(std::uint32_t nUnity, std::uint32_t nLoops, std::uint32_t nStart, std::uint32_t nEnd)
{
    Bytes ab;
    // A maker id whose first byte is not 0, as most writers have one.
    for (const std::uint32_t n : {0x47u, 0u, 0u, nUnity, 0u, 0u, 0u, nLoops, 0u})
        test::PutLE32(ab, n);
    for (const std::uint32_t n : {1u, 0u, nStart, nEnd, 0u, 0u})
        test::PutLE32(ab, n);
    return ab;
}

Bytes Riff(const Bytes& abChunks)
{
    Bytes ab;
    test::PutTag(ab, "RIFF");
    test::PutLE32(ab, static_cast<std::uint32_t>(4 + abChunks.size()));
    test::PutTag(ab, "WAVE");
    ab.insert(ab.end(), abChunks.begin(), abChunks.end());
    return ab;
}

TEST(FileMetadata, DamagedAndUnusualChunks)
{
    const Bytes abSmpl = SmplBody(60, 1, 10, 20);
    Bytes abCut = Chunk("smpl", abSmpl);
    abCut.resize(abCut.size() - 4);              // the loop's last field missing
    Bytes abOdd = Chunk("odd ", Bytes{1, 2, 3}); // no pad byte after it
    const struct
    {
        const char* szName;
        Bytes abFile;
        int nRootKey;
        bool bHasLoop;
    } aCases[] = {
        {"plain", Riff(Chunk("smpl", abSmpl)), 60, true},
        {"after an odd chunk with its pad",
         Riff(
             [&]
             {
                 Bytes ab = abOdd;
                 ab.push_back(0);
                 const Bytes abS = Chunk("smpl", abSmpl);
                 ab.insert(ab.end(), abS.begin(), abS.end());
                 return ab;
             }()),
         60, true},
        {"after an odd chunk without its pad",
         Riff(
             [&]
             {
                 Bytes ab = abOdd;
                 const Bytes abS = Chunk("smpl", abSmpl);
                 ab.insert(ab.end(), abS.begin(), abS.end());
                 return ab;
             }()),
         60, true},
        {"loop count beyond the chunk", Riff(Chunk("smpl", SmplBody(60, 1000, 10, 20))), 60, true},
        {"cut in the loop", Riff(abCut), 60, false},
        {"fields cut", Riff(Chunk("smpl", Bytes(20, 0))), -1, false},
        {"no smpl", Riff(Chunk("data", Bytes(8, 0))), -1, false},
        {"not a RIFF file", Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!'}, -1,
         false},
        {"empty", Bytes{}, -1, false},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        test::TempDir dir;
        test::WriteFileBytes(dir / "a.wav", c.abFile);
        const CFileMetadata m = ReadFileMetadata(dir / "a.wav");
        EXPECT_EQ(m.nRootKey, c.nRootKey);
        EXPECT_EQ(m.bHasLoop, c.bHasLoop);
        if (c.bHasLoop)
        {
            EXPECT_EQ(m.nLoopStart, 10u);
            EXPECT_EQ(m.nLoopEnd, 20u);
        }
    }
    EXPECT_EQ(ReadFileMetadata("/nonexistent/dir/a.wav").nRootKey, -1);
}

TEST(FileMetadata, LoopFits)
{
    CFileMetadata m;
    m.bHasLoop = true;
    m.nLoopStart = 0;
    m.nLoopEnd = 99;
    EXPECT_TRUE(LoopFits(m, 100));
    EXPECT_FALSE(LoopFits(m, 99));
    m.nLoopStart = 100;
    EXPECT_FALSE(LoopFits(m, 1000)); // start after end
    m.bHasLoop = false;
    EXPECT_FALSE(LoopFits(CFileMetadata{}, 1000));
}

} // namespace
