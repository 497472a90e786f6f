// Make File's inputs as they are read: a file that changed after its
// header was read is refused, naming it, and nothing is written; rates no
// sample header can hold are refused before anything is written.
#include "CDorvane_V2Doc.h"
#include "CFileException.h"
#include "MakeFile.h"
#include "PoolEdit.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <utility>

using test::Bytes;

namespace
{

enum class When
{
    BeforeTheBuild, // after the header read, as the window reads it at refresh
    AtItsData,      // while the build writes the entry's data
};

enum class How
{
    Rename,  // a new file takes the name
    InPlace, // the file's bytes are written over
    Touch,   // the same bytes written again
};

// Changes one file when the build starts on its data.
class CChangingFeedback : public test::CRecordingFeedback
{
  public:
    void SetStatusText(const std::string& strText) override
    {
        CRecordingFeedback::SetStatusText(strText);
        if (m_fnChange && strText == "Working on " + m_strPath)
            std::exchange(m_fnChange, {})();
    }
    std::string m_strPath;
    std::function<void()> m_fnChange;
};

void Replace(const std::string& strPath, const Bytes& ab, How how)
{
    if (how == How::Rename)
    {
        test::WriteFileBytes(strPath + ".new", ab);
        std::filesystem::rename(strPath + ".new", strPath);
    }
    else
        test::WriteFileBytes(strPath, ab);
}

test::WavSpec Spec(std::uint16_t nChannels, std::uint16_t nBits, std::uint32_t nRate,
                   std::size_t nBytes)
{
    test::WavSpec spec;
    spec.nChannels = nChannels;
    spec.nBits = nBits;
    spec.nRate = nRate;
    spec.abData = test::RampData(nBytes, static_cast<std::uint8_t>(nBits + nChannels));
    return spec;
}

const Bytes kEarlier(500, 0x5E); // what an earlier build left

} // namespace

TEST(InputChange, AFileThatChangedSinceItsHeaderWasReadIsRefused)
{
    // Each replacement has the first file's byte length: 8-bit mono words
    // read as 16-bit stereo, 24-bit files at another rate.
    const Bytes abMono8 = test::MakeWav(Spec(1, 8, 22050, 4000));
    const Bytes abStereo16 = test::MakeWav(Spec(2, 16, 22050, 4000));
    const Bytes abDeep44 = test::MakeWav(Spec(1, 24, 44100, 3000));
    const Bytes abDeep22 = test::MakeWav(Spec(1, 24, 22050, 3000));
    const struct
    {
        const char* szName;
        Bytes abFirst, abThen;
        bool bConvert;
        When when;
        How how;
        bool bRefused;
    } aCases[] = {
        {"plain, renamed over before", abMono8, abStereo16, false, When::BeforeTheBuild,
         How::Rename, true},
        {"plain, written over before", abMono8, abStereo16, false, When::BeforeTheBuild,
         How::InPlace, true},
        {"plain, renamed over at its data", abMono8, abStereo16, false, When::AtItsData,
         How::Rename, true},
        {"plain, written over at its data", abMono8, abStereo16, false, When::AtItsData,
         How::InPlace, true},
        {"plain, the same bytes again at its data", abMono8, abMono8, false, When::AtItsData,
         How::Touch, true},
        {"plain, the same bytes again before", abMono8, abMono8, false, When::BeforeTheBuild,
         How::Touch, false},
        {"converted, renamed over before", abDeep44, abDeep22, true, When::BeforeTheBuild,
         How::Rename, true},
        {"converted, written over at its data", abDeep44, abDeep22, true, When::AtItsData,
         How::InPlace, true},
        {"converted, renamed over at its data", abDeep44, abDeep22, true, When::AtItsData,
         How::Rename, true},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        ASSERT_EQ(c.abFirst.size(), c.abThen.size());
        test::TempDir dir;
        const std::string strWav = dir / "in.wav";
        const std::string strOther = dir / "other.wav";
        const std::string strOutput = dir / "OUT.KRZ";
        test::WriteFileBytes(strWav, c.abFirst);
        test::WriteFileBytes(strOther, test::MakeWav(Spec(1, 16, 44100, 600)));
        test::WriteFileBytes(strOutput, kEarlier);

        auto pDoc = std::make_unique<CDorvane_V2Doc>();
        pDoc->OnNewDocument();
        auto pInfo = std::make_unique<WavInfoArray>();
        CMakeOptions options;
        options.audio.bConvert = c.bConvert;
        CChangingFeedback feedback;
        for (const std::string& strPath : {strOther, strWav})
        {
            const int n = AddPoolEntry(*pDoc, strPath, "x.wav");
            ASSERT_TRUE(ReadAudioHeader(strPath, (*pInfo)[n], options.audio, feedback));
        }
        if (c.when == When::BeforeTheBuild)
            Replace(strWav, c.abThen, c.how);
        else
        {
            feedback.m_strPath = strWav;
            feedback.m_fnChange = [&] { Replace(strWav, c.abThen, c.how); };
        }

        TemplateBytes abTemplate{};
        CMakeResult result;
        std::string strError;
        try
        {
            MakeKrzFile(*pDoc, *pInfo, options, abTemplate, strOutput, {}, feedback, result);
        }
        catch (const CFileException& e)
        {
            strError = e.GetErrorMessage();
        }
        if (!c.bRefused)
        {
            EXPECT_EQ(strError, "");
            continue;
        }
        EXPECT_EQ(strError, strWav + " has changed since it was read: nothing was written.");
        EXPECT_EQ(test::ReadFileBytes(strOutput), kEarlier);
        EXPECT_EQ(test::ListDir(dir.Path()),
                  (std::vector<std::string>{"OUT.KRZ", "in.wav", "other.wav"}));
    }
}

// The period (10^9 / rate, cut) must not be 0 and the pitch (100 * root key
// + the rate term) must fit its signed 16 bits; both are checked before
// anything is written, whatever the header reader let through.
TEST(InputChange, RatesNoSampleHeaderHoldsAreRefusedBeforeWriting)
{
    const struct
    {
        std::int32_t nRate;
        int nRootKey;
        std::string strTail; // empty: written
    } aCases[] = {
        {44100, 48, ""},
        {44100, 119, ""},
        {1000000000, -12, ""},
        {1, 127, ""},
        {44100, 320,
         "The sample rate 44100 Hz cannot be written with root key G#26: its pitch, 33347 "
         "cents, does not fit the sample header's signed 16 bits."},
        {44100, -350,
         "The sample rate 44100 Hz cannot be written with root key A#-30: its pitch, -33653 "
         "cents, does not fit the sample header's signed 16 bits."},
        {2147483647, 48,
         "The sample rate 2147483647 Hz cannot be written: its period in whole nanoseconds is "
         "0, and a sample header holds rates up to 1000000000 Hz."},
        {0, 48, "The sample rate 0 Hz cannot be written: a sample header holds no rate of 0."},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(std::to_string(c.nRate) + " Hz, key " + std::to_string(c.nRootKey));
        test::TempDir dir;
        const std::string strWav = dir / "a.wav";
        const bool bWritten = c.strTail.empty();
        test::WriteFileBytes(strWav, test::MakeWav(Spec(1, 16, bWritten ? c.nRate : 44100, 100)));
        auto pDoc = std::make_unique<CDorvane_V2Doc>();
        pDoc->OnNewDocument();
        auto pInfo = std::make_unique<WavInfoArray>();
        test::CRecordingFeedback feedback;
        const int n = AddPoolEntry(*pDoc, strWav, "a.wav");
        ASSERT_TRUE(ReadAudioHeader(strWav, (*pInfo)[n], {}, feedback));
        // As a pool file may hold it, or a header read elsewhere.
        pDoc->m_aPool[n].m_nRootKey = c.nRootKey;
        if (!bWritten)
            (*pInfo)[n].nSamplesPerSec = c.nRate;

        TemplateBytes abTemplate{};
        CMakeResult result;
        const bool bMade =
            MakeKrzFile(*pDoc, *pInfo, {}, abTemplate, dir / "OUT.KRZ", {}, feedback, result);
        EXPECT_EQ(bMade, bWritten);
        EXPECT_EQ(test::FileExists(dir / "OUT.KRZ"), bWritten);
        if (bWritten)
            continue;
        ASSERT_EQ(feedback.m_aMessages.size(), 1u);
        EXPECT_EQ(feedback.m_aMessages[0].strText, "Error in file: " + strWav + "\n" + c.strTail);
    }
}
