// The archive: little-endian integers, the three string prefixes, the
// 2-byte-character strings it reads, and lengths that the file cannot hold.
#include "CArchive.h"
#include "CFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace
{

using test::Bytes;

// Writes through an archive into a file and returns the file's bytes.
template <typename F> Bytes Store(F f)
{
    test::TempDir dir;
    const std::string strPath = dir / "ar.bin";
    {
        CFile file(strPath, CFile::modeCreate | CFile::modeWrite);
        CArchive ar(file, CArchive::store);
        f(ar);
        ar.Close();
        file.Close();
    }
    return test::ReadFileBytes(strPath);
}

// Holds bytes in a file and loads from them.
class Loader
{
  public:
    explicit Loader(const Bytes& ab)
        : m_strPath(m_dir / "ar.bin"),
          m_file((test::WriteFileBytes(m_strPath, ab), m_strPath), CFile::modeRead),
          m_ar(m_file, CArchive::load)
    {
    }
    CArchive& Ar() { return m_ar; }

  private:
    test::TempDir m_dir;
    std::string m_strPath;
    CFile m_file;
    CArchive m_ar;
};

std::string LoadString(const Bytes& ab)
{
    Loader loader(ab);
    std::string str;
    loader.Ar() >> str;
    EXPECT_EQ(loader.Ar().BytesRemaining(), 0u);
    return str;
}

TEST(Archive, IntegersAreLittleEndian)
{
    const Bytes ab =
        Store([](CArchive& ar)
              { ar << std::uint8_t{0xAB} << std::int32_t{-2} << std::uint32_t{0x11223344}; });
    EXPECT_EQ(ab, (Bytes{0xAB, 0xFE, 0xFF, 0xFF, 0xFF, 0x44, 0x33, 0x22, 0x11}));

    Loader loader(ab);
    std::uint8_t n8 = 0;
    std::int32_t n32 = 0;
    std::uint32_t u32 = 0;
    loader.Ar() >> n8 >> n32 >> u32;
    EXPECT_EQ(n8, 0xAB);
    EXPECT_EQ(n32, -2);
    EXPECT_EQ(u32, 0x11223344u);
    EXPECT_THROW(loader.Ar() >> n8, CArchiveException);
}

TEST(Archive, StringPrefixesByLength)
{
    struct Case
    {
        std::size_t nLength;
        Bytes abPrefix;
    };
    const Case aCases[] = {
        {0, {0x00}},
        {1, {0x01}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {256, {0xFF, 0x00, 0x01}},
        {65533, {0xFF, 0xFD, 0xFF}},
        {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.nLength);
        std::string str(c.nLength, 'x');
        for (std::size_t i = 0; i < str.size(); ++i)
            str[i] = static_cast<char>('a' + i % 26);
        const Bytes ab = Store([&](CArchive& ar) { ar << str << std::uint8_t{0x5A}; });
        ASSERT_EQ(ab.size(), c.abPrefix.size() + c.nLength + 1);
        EXPECT_TRUE(std::equal(c.abPrefix.begin(), c.abPrefix.end(), ab.begin()));
        EXPECT_EQ(ab.back(), 0x5A);

        Loader loader(ab);
        std::string strBack;
        std::uint8_t nAfter = 0;
        loader.Ar() >> strBack >> nAfter;
        EXPECT_EQ(strBack, str);
        EXPECT_EQ(nAfter, 0x5A);
    }
}

TEST(Archive, ReadsTwoByteCharacterStrings)
{
    // FF FFFE marks 2-byte characters; a second prefix counts them.
    EXPECT_EQ(LoadString({0xFF, 0xFE, 0xFF, 0x03, 'A', 0, 'b', 0, '1', 0}), "Ab1");
    EXPECT_EQ(LoadString({0xFF, 0xFE, 0xFF, 0x00}), "");
    EXPECT_EQ(LoadString({0xFF, 0xFE, 0xFF, 0x02, 0xE9, 0x00, 0xAC, 0x20}), "\xC3\xA9\xE2\x82\xAC");
    // A surrogate pair is one character beyond 16 bits; a lone one cannot
    // be shown.
    EXPECT_EQ(LoadString({0xFF, 0xFE, 0xFF, 0x02, 0x3D, 0xD8, 0x00, 0xDE}), "\xF0\x9F\x98\x80");
    EXPECT_EQ(LoadString({0xFF, 0xFE, 0xFF, 0x02, 0x3D, 0xD8, 'z', 0}), "?z");

    // The second prefix in its 16-bit form.
    Bytes ab{0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01};
    for (int i = 0; i < 300; ++i)
        ab.insert(ab.end(), {'q', 0});
    EXPECT_EQ(LoadString(ab), std::string(300, 'q'));
}

TEST(Archive, LengthsPastTheEndThrowWithoutAllocating)
{
    const Bytes aCases[] = {
        {},
        {0x05, 'a', 'b'},
        {0xFF},
        {0xFF, 0x00},
        {0xFF, 0x00, 0x01, 'a'},
        {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF},
        {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a'},
        {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, // 64-bit length marker
        {0xFF, 0xFE, 0xFF, 0x02, 'a', 0, 'b'},
        {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F},
        {0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0x00}, // a second wide marker
    };
    for (const auto& ab : aCases)
    {
        SCOPED_TRACE(::testing::PrintToString(ab));
        Loader loader(ab);
        std::string str;
        // CArchiveException, not bad_alloc or a length error.
        EXPECT_THROW(loader.Ar() >> str, CArchiveException);
    }
}

TEST(Archive, LoadCountsFromThePositionItStartsAt)
{
    test::TempDir dir;
    const std::string strPath = dir / "ar.bin";
    test::WriteFileBytes(strPath, {9, 9, 9, 2, 'h', 'i'});
    CFile file(strPath, CFile::modeRead);
    file.Seek(3, CFile::begin);
    CArchive ar(file, CArchive::load);
    EXPECT_EQ(ar.BytesRemaining(), 3u);
    std::string str;
    ar >> str;
    EXPECT_EQ(str, "hi");
    EXPECT_EQ(ar.BytesRemaining(), 0u);
}

TEST(Archive, WriteFailureSurfacesAsFileError)
{
    if (!test::FileExists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    CFile file("/dev/full", CFile::modeWrite);
    CArchive ar(file, CArchive::store);
    // More than the buffer holds: part is written on the way, the rest at Close.
    EXPECT_THROW(
        {
            ar << std::string(10000, 'z');
            ar.Close();
        },
        CFileException);
}

} // namespace
