#include "FuzzTargets.h"

#include "AudioDecoder.h"
#include "AudioInput.h"
#include "ByteOrder.h"
#include "CArchive.h"
#include "CDorvane_V2Doc.h"
#include "CFeedback.h"
#include "CFile.h"
#include "COutcome.h"
#include "KrzJoin.h"
#include "KrzReader.h"
#include "PoolPaths.h"
#include "SampleConverter.h"
#include "WavReader.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace fuzz
{

namespace
{

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

void Check(bool bCondition, const std::string& strWhat)
{
    if (!bCondition)
        throw CFuzzFailure(strWhat);
}

// Remembers the messages a reader shows.
class CMessageLog : public CNullFeedback
{
  public:
    void MessageBox(const std::string& strText, const std::string& strCaption,
                    MessageIcon icon) override
    {
        m_aTexts.push_back(strText);
        m_strCaption = strCaption;
        m_icon = icon;
    }
    // An outcome's notes, as a front end shows them.
    void Record(const COutcome& outcome)
    {
        for (const SOutcomeNote& note : outcome.Notes())
            MessageBox(note.strText, note.strCaption, note.icon);
    }
    std::vector<std::string> m_aTexts;
    std::string m_strCaption;
    MessageIcon m_icon = MessageIcon::None;
};

class CScratchDir
{
  public:
    CScratchDir()
    {
        std::error_code ec;
        const fs::path base =
            fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::string strTemplate = (base / "dorvane-fuzz-XXXXXX").string();
        if (::mkdtemp(strTemplate.data()) == nullptr)
            throw std::runtime_error("cannot create a scratch folder under " + base.string());
        m_strPath = strTemplate;
    }
    ~CScratchDir()
    {
        std::error_code ec;
        fs::remove_all(m_strPath, ec);
    }
    std::string m_strPath;
};

std::string ScratchPath(const std::string& strName)
{
    return ScratchDir() + "/" + strName;
}

void WriteFile(const std::string& strPath, const std::uint8_t* pData, std::size_t nSize)
{
    CFile file(strPath, CFile::modeCreate | CFile::modeWrite);
    if (nSize != 0)
        file.Write(pData, nSize);
    file.Close();
}

Bytes ReadFile(const std::string& strPath)
{
    CFile file(strPath, CFile::modeRead);
    Bytes ab(static_cast<std::size_t>(file.GetLength()));
    Check(file.Read(ab.data(), ab.size()) == ab.size(), "short read of " + strPath);
    return ab;
}

// Empties the scratch folder, so that no input sees files of an earlier one.
void ClearScratch()
{
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(ScratchDir(), ec))
        fs::remove_all(entry.path(), ec);
}

std::vector<std::string> ListScratch()
{
    std::vector<std::string> aNames;
    for (const auto& entry : fs::directory_iterator(ScratchDir()))
        aNames.push_back(entry.path().filename().string());
    std::sort(aNames.begin(), aNames.end());
    return aNames;
}

bool SameSlot(const CWPoolObj& a, const CWPoolObj& b)
{
    return a.m_strFileName == b.m_strFileName && a.m_strSampleName == b.m_strSampleName &&
           a.m_strKeymapName == b.m_strKeymapName && a.m_strProgramName == b.m_strProgramName &&
           a.m_bLoop == b.m_bLoop && a.m_nRootKey == b.m_nRootKey &&
           a.m_bKeymapEnable == b.m_bKeymapEnable && a.m_bProgramEnable == b.m_bProgramEnable;
}

bool SameSlots(const CDorvane_V2Doc& a, const CDorvane_V2Doc& b)
{
    for (int i = 0; i < MAX_POOL; ++i)
        if (!SameSlot(a.m_aPool[i], b.m_aPool[i]))
            return false;
    return true;
}

// A document whose every field differs from what a new one holds, so that
// a refused open can be seen to leave it alone.
void FillDocument(CDorvane_V2Doc& doc)
{
    doc.m_nCount = 3;
    doc.m_nVersion = 203;
    for (int i = 0; i < MAX_POOL; ++i)
    {
        CWPoolObj& slot = doc.m_aPool[i];
        slot.m_strFileName = "/before/" + std::to_string(i) + ".wav";
        slot.m_strSampleName = "S" + std::to_string(i);
        slot.m_strKeymapName = "K";
        slot.m_strProgramName = "P";
        slot.m_bLoop = i % 2;
        slot.m_nRootKey = 40 + i;
        slot.m_bKeymapEnable = 0;
        slot.m_bProgramEnable = 1;
    }
}

// The converted words of nUsable bytes at pIn, left channel then right.
Bytes ExpectedConversion(const std::uint8_t* pIn, std::uint64_t nUsable, bool bMono, bool b8Bit)
{
    Bytes abLeft, abRight;
    if (bMono && !b8Bit)
        for (std::uint64_t i = 0; i + 1 < nUsable; i += 2)
            abLeft.insert(abLeft.end(), {pIn[i + 1], pIn[i]});
    else if (bMono)
        for (std::uint64_t i = 0; i < nUsable; ++i)
            abLeft.insert(abLeft.end(), {static_cast<std::uint8_t>(pIn[i] ^ 0x80), 0});
    else if (!b8Bit)
        for (std::uint64_t i = 0; i + 3 < nUsable; i += 4)
        {
            abLeft.insert(abLeft.end(), {pIn[i + 1], pIn[i]});
            abRight.insert(abRight.end(), {pIn[i + 3], pIn[i + 2]});
        }
    else
        for (std::uint64_t i = 0; i + 1 < nUsable; i += 2)
        {
            abLeft.insert(abLeft.end(), {static_cast<std::uint8_t>(pIn[i] ^ 0x80), 0});
            abRight.insert(abRight.end(), {static_cast<std::uint8_t>(pIn[i + 1] ^ 0x80), 0});
        }
    abLeft.insert(abLeft.end(), abRight.begin(), abRight.end());
    return abLeft;
}

// Name of part k of the join's series, written out without the join's own
// counter: the tens character is '0' + k / 10, so part 100 is X:0.
std::string PartName(unsigned nPart)
{
    return std::string("X") + static_cast<char>('0' + nPart / 10) +
           static_cast<char>('0' + nPart % 10);
}

} // namespace

const std::string& ScratchDir()
{
    static const CScratchDir s_dir;
    return s_dir.m_strPath;
}

int FuzzWavHeader(const std::uint8_t* pData, std::size_t nSize)
{
    const std::string strPath = ScratchPath("in.wav");
    WriteFile(strPath, pData, nSize);

    CMessageLog log;
    WAVINFO info;
    info.nDataSize = 12345; // the reader must start from a clean record
    const bool bValid = ShowAsMessages(ReadWavHeader(strPath, info), log);

    Check(bValid == info.bValid, "result and bValid differ");
    if (bValid)
    {
        Check(log.m_aTexts.empty(), "a usable file gave a message");
        Check(info.nFormatTag == 1, "usable, but not PCM");
        Check(info.nChannels == 1 || info.nChannels == 2, "usable, but channels not 1 or 2");
        Check(info.nBitsPerSample == 8 || info.nBitsPerSample == 16, "usable, but bits not 8/16");
        Check(info.nSamplesPerSec > 0 &&
              static_cast<std::uint64_t>(info.nSamplesPerSec) <= kMaxSampleRate,
          "usable, but a rate no sample header holds");
        // RIFF, size, WAVE, then at least "data" and its size.
        Check(info.nDataOffset >= 20 && static_cast<std::uint64_t>(info.nDataOffset) <= nSize,
              "data offset outside the file");
    }
    else
    {
        Check(log.m_aTexts.size() == 1, "an unusable file gave no message or several");
        Check(log.m_aTexts[0].rfind("Error in file: " + strPath + "\n", 0) == 0,
              "message does not name the file: " + log.m_aTexts[0]);
        Check(log.m_strCaption == kWavInfoCaption && log.m_icon == MessageIcon::None,
              "message caption or icon");
    }
    const std::string strType = WavTypeText(info);
    Check(!strType.empty(), "empty format line");
    return 0;
}

int FuzzPoolFile(const std::uint8_t* pData, std::size_t nSize)
{
    const std::string strPath = ScratchPath("in.dvn");
    WriteFile(strPath, pData, nSize);

    auto pDoc = std::make_unique<CDorvane_V2Doc>();
    FillDocument(*pDoc);
    auto pBefore = std::make_unique<CDorvane_V2Doc>();
    FillDocument(*pBefore);

    CMessageLog log;
    const bool bOpened = ShowAsMessages(pDoc->OnOpenDocument(strPath), log);
    CDorvane_V2Doc& doc = *pDoc;
    if (!bOpened)
    {
        Check(log.m_aTexts.size() == 1, "a refused pool file gave no message or several");
        Check(SameSlots(doc, *pBefore), "a refused pool file changed the slots");
        if (log.m_aTexts[0] == kIncompatiblePoolMessage)
            Check(doc.m_nCount == 3 && doc.m_nVersion == 0,
                  "an incompatible pool file changed the count or kept the version");
        else
            Check(log.m_aTexts[0] == kUnexpectedFormatMessage && doc.m_nCount == 0,
                  "unexpected refusal: " + log.m_aTexts[0]);
        return 0;
    }

    // The one message an opened pool may give: files from outside its folder.
    Check(log.m_aTexts.empty() ||
              (log.m_aTexts.size() == 1 && !EntriesFromOutside(doc, doc.GetPathName()).empty()),
          "an opened pool file gave a message");
    Check(doc.m_nCount >= 0 && doc.m_nCount <= MAX_POOL, "count outside 0..MAX_POOL");
    Check(doc.m_nVersion == 202 || doc.m_nVersion == 203, "version not 202 or 203");
    Check(doc.m_bRefresh, "refresh flag not set");
    if (doc.m_nVersion == 202)
        for (const CWPoolObj& slot : doc.m_aPool)
            Check(slot.m_bKeymapEnable == 1 && slot.m_bProgramEnable == 1,
                  "a version-202 slot without both Enable flags");

    // Saved and opened again, the pool comes back the same.
    const std::string strSaved = ScratchPath("saved.dvn");
    {
        CFile file(strSaved, CFile::modeCreate | CFile::modeWrite);
        CArchive ar(file, CArchive::store);
        ShowAsMessages(doc.Serialize(ar), log);
        ar.Close();
        file.Close();
    }
    auto pAgain = std::make_unique<CDorvane_V2Doc>();
    CMessageLog logAgain;
    Check(ShowAsMessages(pAgain->OnOpenDocument(strSaved), logAgain), "a saved pool does not open again");
    Check(pAgain->m_nCount == doc.m_nCount && pAgain->m_nVersion == 203 && SameSlots(*pAgain, doc),
          "a saved pool opens with other content");
    return 0;
}

int FuzzKrzReader(const std::uint8_t* pData, std::size_t nSize)
{
    const KrzFileInfo info = ReadKrzData(pData, nSize);
    const std::string strText = FormatKrzFileInfo(info);

    Check(info.nFileLength == nSize, "file length");
    Check(info.bHeaderRead == (nSize >= 32), "header read on a file shorter than 32 bytes");
    Check(info.aObjects.size() <= kKrzMaxObjects, "more objects than kKrzMaxObjects");
    for (const KrzObjectInfo& obj : info.aObjects)
    {
        Check(obj.nLength <= kKrzMaxObjectLength, "an object longer than kKrzMaxObjectLength");
        Check(obj.nFileOffset >= 32 && obj.nFileOffset + obj.nLength <= nSize,
              "an object outside the file");
        for (const KrzSampleHeaderInfo& sh : obj.aSampleHeaders)
            Check(sh.nFileOffset >= obj.nFileOffset &&
                      sh.nFileOffset + 32 <= obj.nFileOffset + obj.nLength,
                  "a sample header outside its object");
    }
    if (info.bEndMarkFound)
        Check(info.nEndMarkOffset + 4 <= nSize, "end mark outside the file");
    for (const KrzProblem& problem : info.aProblems)
        Check(problem.nFileOffset <= nSize, "a problem placed outside the file");
    Check(info.aProblems.empty() == (strText.find("No problems found\n") != std::string::npos),
          "the text and the problems disagree");
    return 0;
}

int FuzzKrzJoin(const std::uint8_t* pData, std::size_t nSize)
{
    if (nSize == 0)
        return 0;
    ClearScratch(); // no part of an earlier input may join this series
    static constexpr unsigned kFirstNumbers[] = {1, 8, 97, 98};
    const unsigned nParts = (pData[0] & 7u) + 1;
    const unsigned nFirst = kFirstNumbers[(pData[0] >> 3) & 3u];

    // Cut the parts.
    std::vector<Bytes> aParts;
    std::size_t nPos = 1;
    for (unsigned i = 0; i < nParts; ++i)
    {
        std::size_t nLength = nSize - nPos;
        if (i + 1 < nParts && nSize - nPos >= 2)
        {
            nLength = std::min<std::size_t>(bo::LoadLE16(pData + nPos), nSize - nPos - 2);
            nPos += 2;
        }
        else if (i + 1 < nParts)
            nLength = 0;
        aParts.emplace_back(pData + nPos, pData + nPos + nLength);
        nPos += nLength;
    }
    std::vector<std::string> aNames;
    for (unsigned i = 0; i < nParts; ++i)
    {
        aNames.push_back(PartName(nFirst + i));
        WriteFile(ScratchPath(aNames.back()), aParts[i].data(), aParts[i].size());
    }

    const std::string strDest = ScratchPath("OUT.KRZ");
    CMessageLog log;
    log.Record(JoinKrzFiles(ScratchPath(aNames[0]), strDest));

    std::vector<std::string> aExpectNames = aNames;
    const Bytes& abFirst = aParts[0];
    if (abFirst.size() < 16 || bo::LoadBE32(abFirst.data() + 12) != 1)
    {
        Check(log.m_aTexts.size() == 1 &&
                  log.m_aTexts[0] ==
                      "Sorry, the source-file isn't the first file of a multi-disk file.",
              "a first part that is none was not refused");
    }
    else if (!log.m_aTexts.empty())
    {
        // An incomplete or inconsistent series: one message, nothing written.
        Check(log.m_aTexts.size() == 1, "a refused join gave several messages");
        Check(log.m_aTexts[0].rfind("FILE ERROR: ", 0) == 0,
              "unexpected refusal: " + log.m_aTexts[0]);
    }
    else
    {
        // The joined file is part 1 with bytes 8..15 cleared, then the
        // payloads of the parts that follow, up to where the series is
        // complete; part 1's whole length, where it gives one, is met.
        Check(abFirst.size() >= 32, "a first part without its header was joined");
        const Bytes abOut = ReadFile(strDest);
        Bytes abExpect = abFirst;
        std::fill(abExpect.begin() + 8, abExpect.begin() + 16, std::uint8_t{0});
        bool bMatched = abOut == abExpect;
        for (unsigned i = 1; i < nParts && !bMatched; ++i)
        {
            if (aParts[i].size() < 36)
                break;
            abExpect.insert(abExpect.end(), aParts[i].begin() + 36, aParts[i].end());
            bMatched = abOut == abExpect;
        }
        Check(bMatched, "the joined file is no prefix of the series");
        const std::uint32_t nDataLength = bo::LoadBE32(abFirst.data() + 8);
        if (nDataLength != 0)
            Check(abOut.size() == bo::LoadBE24(abFirst.data() + 5) + std::uint64_t{nDataLength},
                  "the joined file's length is not the one part 1 gives");
        aExpectNames.push_back("OUT.KRZ");
    }
    std::sort(aExpectNames.begin(), aExpectNames.end());
    Check(ListScratch() == aExpectNames, "files left beside the parts");
    for (unsigned i = 0; i < nParts; ++i)
        Check(ReadFile(ScratchPath(aNames[i])) == aParts[i], "a part was changed");
    return 0;
}

int FuzzSampleConverter(const std::uint8_t* pData, std::size_t nSize)
{
    constexpr std::size_t kInfoBytes = 10;
    if (nSize < kInfoBytes)
        return 0;
    WAVINFO info;
    info.bValid = true;
    info.nChannels = pData[0];
    info.nBitsPerSample = pData[1];
    info.nDataOffset = static_cast<std::int32_t>(bo::LoadLE32(pData + 2));
    info.nDataSize = static_cast<std::int32_t>(bo::LoadLE32(pData + 6));
    const std::uint8_t* pFile = pData + kInfoBytes;
    const std::size_t nFile = nSize - kInfoBytes;

    const std::string strWav = ScratchPath("in.wav");
    const std::string strData = ScratchPath("out.krz");
    WriteFile(strWav, pFile, nFile);

    const bool bMono = info.nChannels == 1;
    const bool b8Bit = info.nBitsPerSample == 8;
    const std::uint64_t nFrame = (bMono ? 1 : 2) * (b8Bit ? 1 : 2);
    const std::uint64_t nOffset = static_cast<std::uint32_t>(info.nDataOffset);
    const std::uint64_t nHeld = nFile > nOffset ? nFile - nOffset : 0;

    const std::uint64_t nUsable = UsableDataBytes(info, nFile);
    Check(nUsable <= static_cast<std::uint32_t>(info.nDataSize), "more than the declared size");
    Check(nUsable <= kMaxWavDataBytes, "more than a data chunk can hold");
    Check(nUsable <= nHeld, "more than the file holds");
    Check(nUsable % nFrame == 0, "not whole frames");
    Check(nHeld - nUsable < nFrame || nUsable + nFrame > static_cast<std::uint32_t>(info.nDataSize),
          "whole frames left out");
    const std::uint64_t nChannel = ChannelBytes(info, nUsable);
    const std::uint64_t nPromised = (bMono ? 1 : 2) * nChannel;

    // Something already in the output before the data: the conversion
    // writes from the position it is given.
    static const std::uint8_t kPrefix[] = {'P', 'R', 'E'};
    {
        CFile wav(strWav, CFile::modeRead);
        CFile data(strData, CFile::modeCreate | CFile::modeReadWrite);
        data.Write(kPrefix, sizeof kPrefix);
        ConvertSampleData(wav, info, nUsable, data, sizeof kPrefix);
        data.Close();
    }

    const Bytes abData = ReadFile(strData);
    Check(abData.size() == sizeof kPrefix + nPromised,
          "the sample data grew by " + std::to_string(abData.size() - sizeof kPrefix) +
              " bytes, not the promised " + std::to_string(nPromised));
    Check(std::equal(kPrefix, kPrefix + sizeof kPrefix, abData.begin()), "the prefix changed");
    const Bytes abExpect =
        ExpectedConversion(nUsable != 0 ? pFile + nOffset : pFile, nUsable, bMono, b8Bit);
    Check(std::equal(abExpect.begin(), abExpect.end(), abData.begin() + sizeof kPrefix),
          "the converted words differ");
    return 0;
}

int FuzzAudioInput(const std::uint8_t* pData, std::size_t nSize)
{
    if (nSize == 0)
        return 0;
    static constexpr int kRates[4] = {0, 8000, 22050, 48000};
    CAudioOptions options;
    options.bConvert = (pData[0] & 1) != 0;
    options.bFileMetadata = (pData[0] & 2) != 0;
    options.nMaxRate = kRates[(pData[0] >> 2) & 3];
    const std::string strPath = ScratchPath("in.audio");
    WriteFile(strPath, pData + 1, nSize - 1);

    CMessageLog log;
    WAVINFO info;
    info.nFrames = 12345; // the reader must start from a clean record
    const bool bValid = ShowAsMessages(ReadAudioHeader(strPath, info, options), log);
    Check(bValid == info.bValid, "result and bValid differ");
    if (!bValid)
    {
        Check(log.m_aTexts.size() == 1, "an unusable file gave no message or several");
        Check(log.m_aTexts[0].rfind("Error in file: " + strPath + "\n", 0) == 0,
              "message does not name the file: " + log.m_aTexts[0]);
        Check(log.m_strCaption == kWavInfoCaption && log.m_icon == MessageIcon::None,
              "message caption or icon");
        return 0;
    }
    Check(log.m_aTexts.empty(), "a usable file gave a message");
    Check(info.nChannels == 1 || info.nChannels == 2, "usable, but channels not 1 or 2");
    Check(info.nSamplesPerSec > 0 &&
              static_cast<std::uint64_t>(info.nSamplesPerSec) <= kMaxSampleRate,
          "usable, but a rate no sample header holds");
    Check(info.nFrames > 0 && info.nFrames <= MaxDecodedFrames(info.nChannels),
          "usable, but no frames or too many");
    Check(info.bDecoded || info.nFormatTag == 1, "a plain entry that is not PCM");
    Check(!info.bDecoded || (info.nBitsPerSample == 16 && !info.strTypeText.empty()),
          "a decoded entry without 16 bits or a Type line");
    Check(options.nMaxRate == 0 || info.nSamplesPerSec <= options.nMaxRate,
          "a rate above the limit");
    Check(options.bFileMetadata ||
              (!info.bHasLoop && !info.bLoopIgnored && !info.bMetadataIgnored &&
               info.nFileRootKey == -1),
          "metadata read without the option");
    Check(!info.bHasLoop || (info.nLoopStart <= info.nLoopEnd && info.nLoopEnd < info.nFrames),
          "a loop outside the frames");
    Check(info.nFileRootKey >= -1 && info.nFileRootKey <= 127, "a root key outside MIDI notes");

    // Decoding is bounded, so that one input stays quick.
    if (!info.bDecoded || info.nFrames > (1u << 16))
        return 0;
    try
    {
        CAudioDecoder decoder(strPath, info, options);
        std::vector<std::int16_t> anBlock(2 * 1000);
        std::uint64_t nTotal = 0;
        while (const std::size_t n = decoder.Read(anBlock.data(), 1000))
        {
            Check(n <= 1000, "more frames than asked for");
            nTotal += n;
        }
        Check(nTotal == info.nFrames, "the decoder gave another number of frames");
    }
    catch (const CFileException&)
    {
        // A file whose data ends before its header says: an allowed outcome.
    }
    return 0;
}

} // namespace fuzz
