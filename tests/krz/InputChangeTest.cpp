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

// Runs fnChange once when the build starts on strPath's data.
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

Bytes Wav(std::uint16_t nChannels, std::uint16_t nBits, std::uint32_t nRate, std::size_t nBytes)
{
    test::WavSpec spec;
    spec.nChannels = nChannels;
    spec.nBits = nBits;
    spec.nRate = nRate;
    spec.abData = test::RampData(nBytes, static_cast<std::uint8_t>(nBits + nChannels));
    return test::MakeWav(spec);
}

// A pool of files, their headers read as the front ends read them.
struct CPool
{
    std::unique_ptr<CDorvane_V2Doc> pDoc = std::make_unique<CDorvane_V2Doc>();
    std::unique_ptr<WavInfoArray> pInfo = std::make_unique<WavInfoArray>();
    CPool(const std::vector<std::string>& aPaths, const CAudioOptions& audio)
    {
        pDoc->OnNewDocument();
        test::CRecordingFeedback feedback;
        for (const std::string& strPath : aPaths)
        {
            const int n = AddPoolEntry(*pDoc, strPath, "x.wav");
            EXPECT_TRUE(ShowAsMessages(ReadAudioHeader(strPath, (*pInfo)[n], audio), feedback));
        }
    }
};

} // namespace

TEST(InputChange, AFileThatChangedSinceItsHeaderWasReadIsRefused)
{
    // Each replacement has the first file's byte length: 8-bit mono words
    // read as 16-bit stereo, a 24-bit file at another rate.
    const Bytes abMono8 = Wav(1, 8, 22050, 4000), abStereo16 = Wav(2, 16, 22050, 4000);
    const Bytes abDeep44 = Wav(1, 24, 44100, 3000), abDeep22 = Wav(1, 24, 22050, 3000);
    const struct
    {
        const char* szName;
        const Bytes &abFirst, &abThen;
        bool bConvert, bAtItsData, bRename, bRefused;
    } aCases[] = {
        {"plain, renamed over before", abMono8, abStereo16, false, false, true, true},
        {"plain, written over before", abMono8, abStereo16, false, false, false, true},
        {"plain, renamed over at its data", abMono8, abStereo16, false, true, true, true},
        {"plain, written over at its data", abMono8, abStereo16, false, true, false, true},
        {"plain, the same bytes again at its data", abMono8, abMono8, false, true, false, true},
        // Before the build a file that still gives its header is read as it is.
        {"plain, the same bytes again before", abMono8, abMono8, false, false, false, false},
        {"converted, renamed over before", abDeep44, abDeep22, true, false, true, true},
        {"converted, written over at its data", abDeep44, abDeep22, true, true, false, true},
        {"converted, renamed over at its data", abDeep44, abDeep22, true, true, true, true},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        test::TempDir dir;
        const std::string strWav = dir / "in.wav", strOutput = dir / "OUT.KRZ";
        test::WriteFileBytes(strWav, c.abFirst);
        test::WriteFileBytes(dir / "other.wav", Wav(1, 16, 44100, 600));
        const Bytes abEarlier(500, 0x5E);
        test::WriteFileBytes(strOutput, abEarlier);
        CMakeOptions options;
        options.audio.bConvert = c.bConvert;
        CPool pool({dir / "other.wav", strWav}, options.audio);
        const auto fnReplace = [&]
        {
            test::WriteFileBytes(c.bRename ? strWav + ".new" : strWav, c.abThen);
            if (c.bRename)
                std::filesystem::rename(strWav + ".new", strWav);
        };
        CChangingFeedback feedback;
        if (c.bAtItsData)
        {
            feedback.m_strPath = strWav;
            feedback.m_fnChange = fnReplace;
        }
        else
            fnReplace();

        TemplateBytes abTemplate{};
        CMakeResult result;
        std::string strError;
        try
        {
            MakeKrzFile(*pool.pDoc, *pool.pInfo, options, abTemplate, strOutput, {}, feedback,
                        result);
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
        EXPECT_EQ(test::ReadFileBytes(strOutput), abEarlier);
        EXPECT_EQ(test::ListDir(dir.Path()),
                  (std::vector<std::string>{"OUT.KRZ", "in.wav", "other.wav"}));
    }
}

// The period (10^9 / rate, cut) must not be 0 and the pitch (100 * root key
// + the rate term) must fit its signed 16 bits; both are checked before
// anything is written, whatever the header reader let through.
TEST(InputChange, RatesNoSampleHeaderHoldsAreRefusedBeforeWriting)
{
    const std::string kPitch = " cents, does not fit the sample header's signed 16 bits.";
    const struct
    {
        std::int32_t nRate;
        int nRootKey;
        std::string strTail; // empty: written
    } aCases[] = {
        {44100, 119, ""},
        {1000000000, -12, ""},
        {1, 127, ""},
        {44100, 320,
         "The sample rate 44100 Hz cannot be written with root key G#26: its pitch, 33347" +
             kPitch},
        {44100, -350,
         "The sample rate 44100 Hz cannot be written with root key A#-30: its pitch, -33653" +
             kPitch},
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
        test::WriteFileBytes(strWav, Wav(1, 16, bWritten ? c.nRate : 44100, 100));
        CPool pool({strWav}, {});
        // As a pool file may hold it, or a header read elsewhere.
        pool.pDoc->m_aPool[0].m_nRootKey = c.nRootKey;
        if (!bWritten)
            (*pool.pInfo)[0].nSamplesPerSec = c.nRate;

        TemplateBytes abTemplate{};
        CMakeResult result;
        test::CRecordingFeedback feedback;
        const COutcome outcome = MakeKrzFile(*pool.pDoc, *pool.pInfo, {}, abTemplate,
                                             dir / "OUT.KRZ", {}, feedback, result);
        EXPECT_EQ(outcome.IsOk(), bWritten);
        EXPECT_EQ(test::FileExists(dir / "OUT.KRZ"), bWritten);
        EXPECT_TRUE(feedback.m_aMessages.empty());
        if (bWritten)
            continue;
        ASSERT_EQ(outcome.Notes().size(), 1u);
        EXPECT_EQ(outcome.Text(), "Error in file: " + strWav + "\n" + c.strTail);
    }
}
