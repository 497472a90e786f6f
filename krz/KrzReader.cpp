#include "KrzReader.h"

#include "ByteOrder.h"
#include "CFile.h"
#include "KrzFormat.h"
#include "Multisample.h"
#include "RootKey.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

std::size_t KrzFileInfo::ErrorCount() const
{
    return static_cast<std::size_t>(std::count_if(aProblems.begin(), aProblems.end(),
                                                  [](const KrzProblem& p)
                                                  { return p.severity == KrzSeverity::error; }));
}

namespace
{

constexpr int kSampleType = kSampleTypeBase >> 10;   // 38
constexpr int kKeymapType = kKeymapTypeBase >> 10;   // 37
constexpr int kProgramType = kProgramTypeBase >> 10; // 36

// The header and the end mark come before any sample data.
constexpr std::uint64_t kMinSampleDataOffset = kKrzHeaderSize + kEndMarkSize;
// Block length, ID, size, data distance, name and its terminator.
constexpr std::uint32_t kObjectFraming = 28;
constexpr std::size_t kObjDataDistance = 8;

// Where the bytes come from: a file read piece by piece, or memory.
class CSource
{
  public:
    virtual ~CSource() = default;
    virtual std::uint64_t Length() const = 0;
    // Reads exactly nCount bytes at nPos; false when the source ends first.
    virtual bool ReadAt(std::uint64_t nPos, std::uint8_t* pBuf, std::size_t nCount) = 0;
};

class CFileSource final : public CSource
{
  public:
    explicit CFileSource(CFile& file) : m_file(file), m_nLength(file.GetLength()) {}
    std::uint64_t Length() const override { return m_nLength; }
    bool ReadAt(std::uint64_t nPos, std::uint8_t* pBuf, std::size_t nCount) override
    {
        if (nPos > m_nLength || nCount > m_nLength - nPos)
            return false;
        m_file.Seek(static_cast<std::int64_t>(nPos), CFile::begin);
        // The file may have shrunk since its length was taken.
        return m_file.Read(pBuf, nCount) == nCount;
    }

  private:
    CFile& m_file;
    std::uint64_t m_nLength;
};

class CMemorySource final : public CSource
{
  public:
    CMemorySource(const std::uint8_t* pData, std::size_t nSize) : m_pData(pData), m_nSize(nSize) {}
    std::uint64_t Length() const override { return m_nSize; }
    bool ReadAt(std::uint64_t nPos, std::uint8_t* pBuf, std::size_t nCount) override
    {
        if (nPos > m_nSize || nCount > m_nSize - nPos)
            return false;
        if (nCount != 0)
            std::memcpy(pBuf, m_pData + nPos, nCount);
        return true;
    }

  private:
    const std::uint8_t* m_pData;
    std::size_t m_nSize;
};

std::string Printable(const std::uint8_t* p, std::size_t n)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string str;
    for (std::size_t i = 0; i < n; ++i)
    {
        if (p[i] >= 0x20 && p[i] < 0x7F && p[i] != '\\')
            str += static_cast<char>(p[i]);
        else
        {
            str += "\\x";
            str += kHex[p[i] >> 4];
            str += kHex[p[i] & 15];
        }
    }
    return str;
}

std::string Hex(std::uint32_t n, int nDigits)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string str;
    for (int i = nDigits - 1; i >= 0; --i)
        str += kHex[(n >> (4 * i)) & 15];
    return "0x" + str;
}

std::string Num(std::uint64_t n)
{
    return std::to_string(n);
}

// Length of a program segment (tag and body) by its tag; 0 for a tag whose
// length is not known, after which the run cannot be followed.
std::size_t SegmentLength(std::uint8_t nTag)
{
    switch (nTag)
    {
    case 0x08: // program
    case 0x09: // layer
    case 0x20: // envelope control
    case 0x21: // amplitude envelope
    case 0x22: // envelope 2
    case 0x23: // envelope 3
    case 0x50: // signal-processing pages 1..4
    case 0x51:
    case 0x52:
    case 0x53:
        return 16;
    case 0x0F: // effect
    case 0x10: // ASR generators
    case 0x11:
    case 0x14: // LFOs
    case 0x15:
        return 8;
    case 0x18: // functions
    case 0x19:
    case 0x1A:
    case 0x1B:
        return 4;
    case 0x40: // keymap and pitch
        return 32;
    default:
        return 0;
    }
}
constexpr std::uint8_t kLayerTag = 0x09;
constexpr std::uint8_t kKeymapTag = 0x40;
constexpr std::size_t kLayerFlagsByte = 9; // body byte 8
constexpr std::uint8_t kLayerStereoFlag = 0x20;
constexpr std::size_t kSegKeymap2 = 8;  // body bytes 7..8
constexpr std::size_t kSegKeymap1 = 12; // body bytes 11..12

// The whole-number rates whose period 1e9 / rate (integer division) is
// nPeriod: rate <= 1e9 / period and rate > 1e9 / (period + 1).
void RatesForPeriod(std::uint32_t nPeriod, std::uint32_t& nLow, std::uint32_t& nHigh)
{
    nLow = nHigh = 0;
    if (nPeriod == 0)
        return;
    const std::uint64_t nHi = 1000000000ull / nPeriod;
    const std::uint64_t nLo = 1000000000ull / (nPeriod + 1ull) + 1;
    if (nHi == 0 || nLo > nHi)
        return;
    nLow = static_cast<std::uint32_t>(nLo);
    nHigh = static_cast<std::uint32_t>(nHi);
}

// True when the stored pitch is within one cent of 100 * root key + the rate
// term for some rate the period allows. The field holds 16 bits, so the
// comparison is made modulo 65536.
bool PitchAgrees(const KrzSampleHeaderInfo& sh, long& nExpectLow, long& nExpectHigh)
{
    nExpectLow = 100L * sh.nRootKey + static_cast<long>(KrzPitchRateTerm(sh.nRateHigh));
    nExpectHigh = 100L * sh.nRootKey + static_cast<long>(KrzPitchRateTerm(sh.nRateLow));
    const long nLo = nExpectLow - 1;
    const long nSpan = nExpectHigh + 1 - nLo;
    if (nSpan >= 65535)
        return true;
    const long nDiff = ((static_cast<long>(sh.nPitch) - nLo) % 65536 + 65536) % 65536;
    return nDiff <= nSpan;
}

// The rate to show for a header: the period leaves a few hertz open (tens
// at the highest rates), so a common rate in that range is taken; otherwise
// the pitch's rate term picks one within it.
std::uint32_t LikelyRate(const KrzSampleHeaderInfo& sh)
{
    static const std::uint32_t kCommonRates[] = {8000,  11025, 12000, 16000, 22050,  24000, 32000,
                                                 44100, 48000, 88200, 96000, 176400, 192000};
    for (const std::uint32_t nRate : kCommonRates)
        if (nRate >= sh.nRateLow && nRate <= sh.nRateHigh)
            return nRate;
    const double dTerm = sh.nPitch - 100.0 * sh.nRootKey;
    const double dRate = 96000.0 * std::exp2(-dTerm / 1200.0);
    return static_cast<std::uint32_t>(
        std::llround(std::clamp(dRate, double(sh.nRateLow), double(sh.nRateHigh))));
}

class CKrzReader
{
  public:
    CKrzReader(CSource& source, KrzFileInfo& info) : m_source(source), m_info(info) {}

    void Read()
    {
        m_info.nFileLength = m_source.Length();
        if (!ReadHeader())
            return;
        if (m_info.partKind == KrzPartKind::laterPart)
            return;
        WalkObjects();
        CheckLinks();
        CheckSampleHeaders();
    }

  private:
    void Problem(KrzSeverity severity, std::uint64_t nOffset, std::string strText)
    {
        m_info.aProblems.push_back({severity, nOffset, std::move(strText)});
    }
    void Error(std::uint64_t nOffset, std::string strText)
    {
        Problem(KrzSeverity::error, nOffset, std::move(strText));
    }
    void Note(std::uint64_t nOffset, std::string strText)
    {
        Problem(KrzSeverity::note, nOffset, std::move(strText));
    }

    static std::string Label(const KrzObjectInfo& obj)
    {
        const char* szKind = obj.nType == kSampleType    ? "sample"
                             : obj.nType == kKeymapType  ? "keymap"
                             : obj.nType == kProgramType ? "program"
                                                         : "object";
        return std::string(szKind) + " " + Num(obj.nNumber) + " at " + Num(obj.nFileOffset);
    }

    bool ReadHeader()
    {
        const std::uint64_t nLength = m_info.nFileLength;
        if (nLength < kKrzHeaderSize)
        {
            Error(0, "the file is " + Num(nLength) + " bytes long, shorter than the " +
                         Num(kKrzHeaderSize) + "-byte header");
            return false;
        }
        std::uint8_t ab[kKrzHeaderSize];
        if (!m_source.ReadAt(0, ab, sizeof ab))
        {
            Error(0, "the header cannot be read");
            return false;
        }
        m_info.bHeaderRead = true;
        KrzHeaderInfo& header = m_info.header;
        header.strMagic = Printable(ab, 4);
        header.bMagicOk = std::memcmp(ab, "PRAM", 4) == 0;
        header.nSampleDataOffset = bo::LoadBE32(ab + kHdrDataOffset);
        header.nDataLength = bo::LoadBE32(ab + kHdrDataLength);
        header.nPartNumber = bo::LoadBE32(ab + kHdrPartNumber);
        header.nOsVersion = bo::LoadBE32(ab + 16);
        if (!header.bMagicOk)
            Error(0, "bytes 0..3 are \"" + header.strMagic + "\", not \"PRAM\"");

        const std::uint64_t nOffset = header.nSampleDataOffset;
        if (header.nPartNumber == 0)
        {
            m_info.partKind = KrzPartKind::wholeFile;
            if (nOffset < kMinSampleDataOffset)
                Error(4, "the sample-data offset " + Num(nOffset) + " is below " +
                             Num(kMinSampleDataOffset) + ", the header and the end mark");
            else if (nOffset > nLength)
                Error(4, "the sample-data offset " + Num(nOffset) +
                             " lies past the end of the file (" + Num(nLength) + " bytes)");
            else
            {
                m_info.bSampleDataKnown = true;
                m_info.nSampleDataLength = nLength - nOffset;
            }
            // A joined file keeps the data length of its first part there.
            if (header.nDataLength != 0 &&
                !(m_info.bSampleDataKnown && header.nDataLength == m_info.nSampleDataLength))
                Note(8, "the data-length field holds " + Num(header.nDataLength) +
                            "; a whole file holds 0 there, or the length of its sample data");
        }
        else if (header.nPartNumber == 1)
        {
            m_info.partKind = KrzPartKind::firstPart;
            Note(12, "part 1 of a split file: the objects are read as far as this part holds "
                     "them; the sample data is checked against the data-length field (" +
                         Num(header.nDataLength) + " bytes)");
            if (nOffset < kMinSampleDataOffset)
                Error(4, "the sample-data offset " + Num(nOffset) + " is below " +
                             Num(kMinSampleDataOffset) + ", the header and the end mark");
            else
            {
                m_info.bSampleDataKnown = true;
                m_info.nSampleDataLength = header.nDataLength;
            }
        }
        else
        {
            m_info.partKind = KrzPartKind::laterPart;
            Note(12,
                 "part " + Num(header.nPartNumber) + " of a split file: only its header is read");
            if (nOffset != kLaterPartDataOffset)
                Error(4, "a later part's payload begins at " + Num(kLaterPartDataOffset) +
                             ", but its sample-data offset field holds " + Num(nOffset));
        }
        return true;
    }

    void WalkObjects()
    {
        const std::uint64_t nLength = m_info.nFileLength;
        const std::uint64_t nDataOffset = m_info.header.nSampleDataOffset;
        const bool bFirstPart = m_info.partKind == KrzPartKind::firstPart;
        const bool bOffsetUsable =
            nDataOffset >= kMinSampleDataOffset && (nDataOffset <= nLength || bFirstPart);
        // The objects end where the sample data begins; part 1 of a split
        // may end before that, and its objects go on in part 2.
        std::uint64_t nLimit = nLength;
        bool bPartEndsFirst = false;
        if (bOffsetUsable)
        {
            if (nDataOffset <= nLength)
                nLimit = nDataOffset;
            else
                bPartEndsFirst = true;
        }
        const std::string strLimit = nLimit == nDataOffset && bOffsetUsable
                                         ? "the sample data at " + Num(nDataOffset)
                                         : "the end of the file at " + Num(nLength);

        std::vector<std::uint8_t> abObject;
        std::uint64_t nPos = kKrzHeaderSize;
        for (;;)
        {
            if (m_info.aObjects.size() >= kKrzMaxObjects)
            {
                Error(nPos, "more than " + Num(kKrzMaxObjects) + " objects; the walk stops here");
                return;
            }
            if (nLimit - nPos < 4)
            {
                if (bPartEndsFirst)
                {
                    m_bWalkCut = true;
                    Note(nPos, "the objects go on in the next part");
                }
                else
                    Error(nPos,
                          "no end mark: the objects reach " + strLimit + " without a zero word");
                return;
            }
            std::uint8_t abWord[4];
            if (!m_source.ReadAt(nPos, abWord, 4))
            {
                Error(nPos, "the file ends inside the objects");
                return;
            }
            const auto nBlock = static_cast<std::int32_t>(bo::LoadBE32(abWord));
            if (nBlock == 0)
            {
                m_info.bEndMarkFound = true;
                m_info.nEndMarkOffset = nPos;
                if (nPos + 4 != nDataOffset)
                    Error(nPos, "the end mark ends at " + Num(nPos + 4) +
                                    ", but the sample-data offset is " + Num(nDataOffset));
                return;
            }
            if (nBlock > 0)
            {
                Error(nPos, "block length +" + Num(static_cast<std::uint64_t>(nBlock)) +
                                " is not negative: no object starts here");
                return;
            }
            const std::uint64_t nObjLength =
                static_cast<std::uint64_t>(-static_cast<std::int64_t>(nBlock));
            if (nObjLength % 4 != 0)
            {
                Error(nPos, "block length -" + Num(nObjLength) + " is not a multiple of 4");
                return;
            }
            if (nObjLength < kObjectFraming)
            {
                Error(nPos, "block length -" + Num(nObjLength) + " is shorter than the " +
                                Num(kObjectFraming) + " bytes of an object's framing");
                return;
            }
            if (nObjLength > kKrzMaxObjectLength)
            {
                Error(nPos, "block length -" + Num(nObjLength) +
                                " is longer than any object size can describe");
                return;
            }
            if (nObjLength > nLimit - nPos)
            {
                if (bPartEndsFirst)
                {
                    m_bWalkCut = true;
                    Note(nPos, "the object at " + Num(nPos) + " (" + Num(nObjLength) +
                                   " bytes) goes on in the next part");
                }
                else
                    Error(nPos, "the object at " + Num(nPos) + " (" + Num(nObjLength) +
                                    " bytes) runs past " + strLimit);
                return;
            }
            abObject.resize(static_cast<std::size_t>(nObjLength));
            if (!m_source.ReadAt(nPos, abObject.data(), abObject.size()))
            {
                Error(nPos, "the file ends inside the object at " + Num(nPos));
                return;
            }
            ReadObject(nPos, abObject.data(), abObject.size());
            nPos += nObjLength;
        }
    }

    void ReadObject(std::uint64_t nPos, const std::uint8_t* p, std::size_t n)
    {
        KrzObjectInfo obj;
        obj.nFileOffset = nPos;
        obj.nLength = static_cast<std::uint32_t>(n);
        obj.nId = bo::LoadBE16(p + kObjId);
        obj.nType = obj.nId >> 10;
        obj.nNumber = obj.nId & 0x3FF;
        obj.nObjectSize = bo::LoadBE16(p + kObjSize);
        if (obj.nObjectSize != n - 4 && obj.nObjectSize != n - 6)
            Error(nPos + kObjSize, Label(obj) + ": object size " + Num(obj.nObjectSize) +
                                       " is not its length " + Num(n) + " less 4 or 6");

        // The data begins where the distance at offset 8 says; the name
        // fills the space before it (16 characters and a terminator here).
        const std::size_t nData = kObjDataDistance + bo::LoadBE16(p + kObjDataDistance);
        const std::size_t nNameEnd =
            std::min({kObjName + kObjNameLength, n, std::max(nData, kObjName)});
        std::size_t nNameLength = 0;
        while (kObjName + nNameLength < nNameEnd && p[kObjName + nNameLength] != 0)
            ++nNameLength;
        obj.strName.assign(reinterpret_cast<const char*>(p + kObjName), nNameLength);

        if (nData < kObjName || nData > n)
            Error(nPos + kObjDataDistance, Label(obj) +
                                               ": the data distance puts the object's data at " +
                                               Num(nData) + ", outside the object");
        else if (obj.nType == kSampleType)
            ReadSample(obj, p, n, nData);
        else if (obj.nType == kKeymapType)
            ReadKeymap(obj, p, n, nData);
        else if (obj.nType == kProgramType)
            ReadProgram(obj, p, n, nData);
        m_info.aObjects.push_back(std::move(obj));
    }

    void ReadSample(KrzObjectInfo& obj, const std::uint8_t* p, std::size_t n, std::size_t nData)
    {
        // Data: base ID, header count - 1, distance from data + 4 to the
        // first header, flags.
        if (n - nData < 8)
        {
            Error(obj.nFileOffset, Label(obj) + ": too short for a sample object's fields");
            return;
        }
        const std::size_t nHeaders = bo::LoadBE16(p + nData + 2) + std::size_t{1};
        const std::size_t nFirst = nData + 4 + bo::LoadBE16(p + nData + 4);
        obj.nChannels = (p[nData + 6] & 1) ? 2 : 1;
        for (std::size_t i = 0; i < nHeaders; ++i)
        {
            const std::size_t nAt = nFirst + i * kSampleHeaderSize;
            if (nAt > n || n - nAt < kSampleHeaderSize)
            {
                Error(obj.nFileOffset, Label(obj) + ": sample header " + Num(i + 1) + " of " +
                                           Num(nHeaders) + " lies past the object's end");
                return;
            }
            obj.aSampleHeaders.push_back(ReadSampleHeader(obj.nFileOffset + nAt, p + nAt));
        }
        if (obj.nChannels == 2 && nHeaders % 2 != 0)
            Error(obj.nFileOffset, Label(obj) +
                                       ": a stereo sample holds left/right pairs of "
                                       "headers, but it has " +
                                       Num(nHeaders));
    }

    static KrzSampleHeaderInfo ReadSampleHeader(std::uint64_t nPos, const std::uint8_t* p)
    {
        KrzSampleHeaderInfo sh;
        sh.nFileOffset = nPos;
        sh.nNoteNumber = p[kShRootKey];
        sh.nRootKey = sh.nNoteNumber - 12;
        sh.strRootKey = RootKeyText(sh.nRootKey);
        sh.nFlags = p[kShFlags];
        sh.bLoop = (sh.nFlags & 0x80) == 0;
        sh.bDataInFile = (sh.nFlags & 0x40) != 0;
        sh.nPitch = static_cast<std::int16_t>(bo::LoadBE16(p + kShPitch));
        sh.nStart = bo::LoadBE32(p + kShStart);
        sh.nAltStart = bo::LoadBE32(p + kShAltStart);
        sh.nLoopStart = bo::LoadBE32(p + kShLoopStart);
        sh.nEnd = bo::LoadBE32(p + kShEnd);
        sh.nPeriod = bo::LoadBE32(p + kShPeriod);
        RatesForPeriod(sh.nPeriod, sh.nRateLow, sh.nRateHigh);
        if (sh.nRateLow != 0)
            sh.nRate = LikelyRate(sh);
        return sh;
    }

    void ReadKeymap(KrzObjectInfo& obj, const std::uint8_t* p, std::size_t n, std::size_t nData)
    {
        if (n - nData < 2)
        {
            Error(obj.nFileOffset, Label(obj) + ": too short for a keymap's sample number");
            return;
        }
        obj.nSampleNumber = bo::LoadBE16(p + nData);
        if (n - nData < 28)
            return;
        const std::uint16_t nMethod = bo::LoadBE16(p + nData + 2);
        const std::size_t nBytesPerEntry = bo::LoadBE16(p + nData + 10);
        obj.nEntryMethod = nMethod;
        // Each entry holds the fields whose method bits are set, in this
        // order: tuning (0x10 s16 or 0x08 s8), volume (0x04 s8), sample
        // object number (0x02 u16), sub-sample number (0x01 u8).
        const std::size_t nSampleAt =
            ((nMethod & 0x10) ? 2 : 0) + ((nMethod & 0x08) ? 1 : 0) + ((nMethod & 0x04) ? 1 : 0);
        const std::size_t nSubAt = nSampleAt + ((nMethod & 0x02) ? 2 : 0);
        const std::size_t nWidth = nSubAt + ((nMethod & 0x01) ? 1 : 0);
        obj.bSamplePerEntry = (nMethod & 0x02) != 0;
        if (obj.bSamplePerEntry && (nMethod & ~0x1F) == 0 && nBytesPerEntry != nWidth)
        {
            Error(obj.nFileOffset + nData + 10, Label(obj) + ": " + Num(nBytesPerEntry) +
                                                    " bytes per entry, but entry method " +
                                                    Hex(nMethod, 4) + " needs " + Num(nWidth));
            return;
        }
        // One-byte entries (method 1) or a sample per entry: each entry's
        // sub-sample number 0 (or sample number 0) leaves its key empty.
        if (!(nMethod == 1 && nBytesPerEntry == 1) &&
            !(obj.bSamplePerEntry && (nMethod & ~0x1F) == 0))
            return;
        const std::size_t nEntries = bo::LoadBE16(p + nData + 8) + std::size_t{1};
        const std::size_t nTableBytes = nEntries * nBytesPerEntry;
        std::set<long> aSeen;
        std::set<int> aNamed;
        std::size_t nEmpty = 0;
        for (std::size_t nLevel = 0; nLevel < 8; ++nLevel)
        {
            const std::size_t nField = nData + 12 + 2 * nLevel;
            const long nTable =
                static_cast<long>(nField) + static_cast<std::int16_t>(bo::LoadBE16(p + nField));
            if (nTable < 0 || static_cast<std::size_t>(nTable) > n ||
                n - static_cast<std::size_t>(nTable) < nTableBytes)
            {
                Error(obj.nFileOffset + nField, Label(obj) +
                                                    ": the entry table of velocity level " +
                                                    Num(nLevel + 1) + " lies outside the keymap");
                continue;
            }
            if (!aSeen.insert(nTable).second)
                continue;
            if (!obj.bSamplePerEntry)
            {
                nEmpty += static_cast<std::size_t>(std::count(
                    p + nTable, p + nTable + static_cast<long>(nEntries), std::uint8_t{0}));
                continue;
            }
            for (std::size_t i = 0; i < nEntries; ++i)
            {
                const std::uint8_t* pEntry = p + nTable + i * nBytesPerEntry;
                const int nSample = bo::LoadBE16(pEntry + nSampleAt);
                if (nSample == 0 || ((nMethod & 0x01) && pEntry[nSubAt] == 0))
                    ++nEmpty;
                else
                    aNamed.insert(nSample);
                if (nLevel == 0)
                    obj.aEntrySamples.push_back(nSample);
            }
        }
        obj.aNamedSamples.assign(aNamed.begin(), aNamed.end());
        if (nEmpty != 0)
            Note(obj.nFileOffset, Label(obj) + ": " + Num(nEmpty) +
                                      (nEmpty == 1 ? " empty entry" : " empty entries") +
                                      " (a keymap with empty entries is known to upset the "
                                      "instrument)");
    }

    void ReadProgram(KrzObjectInfo& obj, const std::uint8_t* p, std::size_t n, std::size_t nData)
    {
        std::size_t i = nData;
        while (i < n)
        {
            const std::uint8_t nTag = p[i];
            if (nTag == 0)
            {
                if (i + 1 < n && p[i + 1] == 0)
                    return; // the end word
                Error(obj.nFileOffset + i,
                      Label(obj) + ": a zero tag that is not the end word of the segments");
                return;
            }
            const std::size_t nSeg = SegmentLength(nTag);
            if (nSeg == 0)
            {
                Note(obj.nFileOffset + i, Label(obj) + ": segment tag " + Hex(nTag, 2) +
                                              " is not known; the program is read no further");
                return;
            }
            if (n - i < nSeg)
            {
                Error(obj.nFileOffset + i,
                      Label(obj) + ": segment " + Hex(nTag, 2) + " runs past the object's end");
                return;
            }
            if (nTag == kLayerTag)
            {
                KrzLayerInfo layer;
                layer.bStereo = (p[i + kLayerFlagsByte] & kLayerStereoFlag) != 0;
                obj.aLayers.push_back(layer);
            }
            else if (nTag == kKeymapTag)
            {
                if (obj.aLayers.empty())
                    obj.aLayers.emplace_back();
                obj.aLayers.back().nKeymap = bo::LoadBE16(p + i + kSegKeymap1);
                obj.aLayers.back().nKeymap2 = bo::LoadBE16(p + i + kSegKeymap2);
            }
            i += nSeg;
        }
        Error(obj.nFileOffset, Label(obj) + ": its segments are not ended by a zero word");
    }

    void CheckLinks()
    {
        std::set<int> aSamples, aKeymaps;
        for (const KrzObjectInfo& obj : m_info.aObjects)
        {
            if (obj.nType == kSampleType)
                aSamples.insert(obj.nNumber);
            else if (obj.nType == kKeymapType)
                aKeymaps.insert(obj.nNumber);
        }
        for (const KrzObjectInfo& obj : m_info.aObjects)
        {
            if (obj.nType == kKeymapType && obj.bSamplePerEntry)
                CheckEntrySamples(obj, aSamples);
            else if (obj.nType == kKeymapType && obj.nSampleNumber >= 0 &&
                     aSamples.count(obj.nSampleNumber) == 0)
            {
                const std::string strText = Label(obj) + ": names sample " +
                                            Num(obj.nSampleNumber) +
                                            ", which is not a sample object of the file";
                if (m_bWalkCut)
                    Note(obj.nFileOffset, strText + " (or of the part read)");
                else
                    Error(obj.nFileOffset, strText);
            }
            if (obj.nType != kProgramType)
                continue;
            if (obj.aLayers.empty())
                Note(obj.nFileOffset, Label(obj) + ": no layer was read");
            for (std::size_t n = 0; n < obj.aLayers.size(); ++n)
                CheckLayer(obj, n, aKeymaps);
        }
    }

    void CheckEntrySamples(const KrzObjectInfo& obj, const std::set<int>& aSamples)
    {
        for (const int nSample : obj.aNamedSamples)
        {
            if (aSamples.count(nSample) != 0)
                continue;
            const std::string strText = Label(obj) + ": an entry names sample " + Num(nSample) +
                                        ", which is not a sample object of the file";
            if (m_bWalkCut)
                Note(obj.nFileOffset, strText + " (or of the part read)");
            else
                Error(obj.nFileOffset, strText);
        }
    }

    void CheckLayer(const KrzObjectInfo& obj, std::size_t nLayer, const std::set<int>& aKeymaps)
    {
        const KrzLayerInfo& layer = obj.aLayers[nLayer];
        const std::string strLayer = Label(obj) + ", layer " + Num(nLayer + 1);
        if (layer.nKeymap == 0)
            Note(obj.nFileOffset, strLayer + ": names no keymap");
        for (const int nKeymap : {layer.nKeymap, layer.nKeymap2})
        {
            if (nKeymap == 0 || aKeymaps.count(nKeymap) != 0)
                continue;
            Note(obj.nFileOffset, strLayer + ": keymap " + Num(nKeymap) +
                                      " is not in the file (a disabled keymap leaves it out)");
            if (layer.nKeymap2 == layer.nKeymap)
                break; // the same keymap in both slots: one note
        }
        if (layer.bStereo && layer.nKeymap2 == 0)
            Note(obj.nFileOffset,
                 strLayer +
                     ": a stereo layer without a second keymap never plays its right channel");
        if (!layer.bStereo && layer.nKeymap2 != 0)
            Note(obj.nFileOffset, strLayer + ": a one-channel layer with a second keymap (" +
                                      Num(layer.nKeymap2) + ") is known to silence the program");
    }

    void CheckSampleHeaders()
    {
        for (const KrzObjectInfo& obj : m_info.aObjects)
        {
            if (obj.nType != kSampleType)
                continue;
            for (std::size_t i = 0; i < obj.aSampleHeaders.size(); ++i)
            {
                const KrzSampleHeaderInfo& sh = obj.aSampleHeaders[i];
                const std::string strHeader = Label(obj) + ", header " + Num(i + 1);
                CheckSampleHeader(sh, strHeader);
                // A stereo pair's right channel follows its left channel.
                if (obj.nChannels == 2 && i % 2 == 1)
                {
                    const KrzSampleHeaderInfo& left = obj.aSampleHeaders[i - 1];
                    if (std::uint64_t{sh.nStart} != std::uint64_t{left.nEnd} + 1)
                        Error(sh.nFileOffset + kShStart,
                              strHeader + ": the right channel starts at word " + Num(sh.nStart) +
                                  ", not right after the left channel's end " + Num(left.nEnd));
                }
            }
        }
    }

    void CheckSampleHeader(const KrzSampleHeaderInfo& sh, const std::string& strHeader)
    {
        if (sh.nStart > sh.nEnd)
            Error(sh.nFileOffset + kShStart, strHeader + ": start word " + Num(sh.nStart) +
                                                 " is after end word " + Num(sh.nEnd));
        // The loop runs from the loop start to the sample's end.
        if (sh.nStart <= sh.nEnd && (sh.nLoopStart < sh.nStart || sh.nLoopStart > sh.nEnd))
            Error(sh.nFileOffset + kShLoopStart, strHeader + ": loop start word " +
                                                     Num(sh.nLoopStart) + " lies outside " +
                                                     Num(sh.nStart) + ".." + Num(sh.nEnd));
        if (!sh.bDataInFile)
            Note(sh.nFileOffset + kShFlags,
                 strHeader + ": flag 0x40 is clear, the data is not in this file; its words "
                             "are not checked");
        else if (m_info.bSampleDataKnown && sh.nEnd >= m_info.nSampleDataLength / 2)
            Error(sh.nFileOffset + kShEnd, strHeader + ": end word " + Num(sh.nEnd) +
                                               " lies past the sample data (" +
                                               Num(m_info.nSampleDataLength / 2) + " words)");

        if (sh.nPeriod == 0)
        {
            Error(sh.nFileOffset + kShPeriod, strHeader + ": the sample period is 0");
            return;
        }
        if (sh.nRateLow == 0)
        {
            Error(sh.nFileOffset + kShPeriod,
                  strHeader + ": no whole-number rate has a period of " + Num(sh.nPeriod) + " ns");
            return;
        }
        long nLow = 0, nHigh = 0;
        if (!PitchAgrees(sh, nLow, nHigh))
            Error(sh.nFileOffset + kShPitch,
                  strHeader + ": pitch " + std::to_string(sh.nPitch) + " with root key " +
                      std::to_string(sh.nRootKey) + " does not fit the period " + Num(sh.nPeriod) +
                      " ns (" + Num(sh.nRateLow) + ".." + Num(sh.nRateHigh) + " Hz), which needs " +
                      std::to_string(nLow) + ".." + std::to_string(nHigh));
    }

    CSource& m_source;
    KrzFileInfo& m_info;
    bool m_bWalkCut = false; // part 1 ended before the end mark
};

std::string PartText(const KrzFileInfo& info)
{
    switch (info.partKind)
    {
    case KrzPartKind::wholeFile:
        return "0 (a whole file)";
    case KrzPartKind::firstPart:
        return "1 (the first part of a split file)";
    case KrzPartKind::laterPart:
        break;
    }
    return Num(info.header.nPartNumber) + " (a later part of a split file)";
}

std::string NameText(const std::string& strName)
{
    std::string str = strName;
    while (!str.empty() && str.back() == ' ')
        str.pop_back();
    return "\"" + Printable(reinterpret_cast<const std::uint8_t*>(str.data()), str.size()) + "\"";
}

void FormatObject(std::string& str, const KrzObjectInfo& obj)
{
    const char* szKind = obj.nType == kSampleType    ? "Sample"
                         : obj.nType == kKeymapType  ? "Keymap"
                         : obj.nType == kProgramType ? "Program"
                                                     : nullptr;
    str += szKind ? std::string(szKind) : "Object of type " + Num(obj.nType);
    str += " " + Num(obj.nNumber) + " " + NameText(obj.strName) + " (ID " + Hex(obj.nId, 4) +
           "), " + Num(obj.nLength) + " bytes at " + Num(obj.nFileOffset) + ", object size " +
           Num(obj.nObjectSize) + "\n";
    if (obj.nType == kSampleType)
    {
        str += "  " + std::string(obj.nChannels == 2 ? "stereo" : "mono") + ", " +
               Num(obj.aSampleHeaders.size()) + " sample header" +
               (obj.aSampleHeaders.size() == 1 ? "" : "s") + "\n";
        for (std::size_t i = 0; i < obj.aSampleHeaders.size(); ++i)
        {
            const KrzSampleHeaderInfo& sh = obj.aSampleHeaders[i];
            std::string strWhich = "header " + Num(i + 1);
            if (obj.nChannels == 2)
                strWhich += i % 2 == 0 ? " (left)" : " (right)";
            str += "  " + strWhich + ": root key " + sh.strRootKey + " (note " +
                   Num(sh.nNoteNumber) + "), loop " + (sh.bLoop ? "on" : "off") + ", flags " +
                   Hex(sh.nFlags, 2) + ", pitch " + std::to_string(sh.nPitch) + " cents\n";
            str += "    period " + Num(sh.nPeriod) + " ns";
            if (sh.nRate != 0)
                str += " (" + Num(sh.nRate) + " Hz)";
            str += ", start " + Num(sh.nStart) + ", loop start " + Num(sh.nLoopStart) + ", end " +
                   Num(sh.nEnd);
            if (sh.nEnd >= sh.nStart)
                str += " (" + Num(std::uint64_t{sh.nEnd} - sh.nStart + 1) + " words)";
            str += "\n";
        }
    }
    else if (obj.nType == kKeymapType)
    {
        if (obj.bSamplePerEntry)
        {
            str += "  a sample per entry (entry method " + Hex(obj.nEntryMethod, 4) + ")\n";
            // Entry i plays the root key i: "C 0-E 2: sample 201".
            for (const CKeyRange& range : KeyRanges(obj.aEntrySamples))
                str += "  " + KeyRangeText(range.nLowKey, range.nHighKey) + ": " +
                       (range.nValue == 0 ? std::string("empty") : "sample " + Num(range.nValue)) +
                       "\n";
        }
        else if (obj.nSampleNumber >= 0)
            str += "  sample " + Num(obj.nSampleNumber) + "\n";
    }
    else if (obj.nType == kProgramType)
    {
        for (std::size_t i = 0; i < obj.aLayers.size(); ++i)
        {
            const KrzLayerInfo& layer = obj.aLayers[i];
            str += "  layer " + Num(i + 1) + (layer.bStereo ? " (stereo)" : " (mono)") +
                   ": keymap " + Num(layer.nKeymap);
            if (layer.nKeymap2 != 0)
                str += ", second keymap " + Num(layer.nKeymap2);
            str += "\n";
        }
    }
}

} // namespace

KrzFileInfo ReadKrzFile(const std::string& strPath)
{
    CFile file(strPath, CFile::modeRead);
    CFileSource source(file);
    KrzFileInfo info;
    info.strPath = strPath;
    CKrzReader(source, info).Read();
    return info;
}

KrzFileInfo ReadKrzData(const std::uint8_t* pData, std::size_t nSize)
{
    CMemorySource source(pData, pData ? nSize : 0);
    KrzFileInfo info;
    CKrzReader(source, info).Read();
    return info;
}

std::string FormatKrzFileInfo(const KrzFileInfo& info)
{
    std::string str;
    if (!info.strPath.empty())
        str += "File " + info.strPath + ", " + Num(info.nFileLength) + " bytes\n";
    else
        str += "Data of " + Num(info.nFileLength) + " bytes\n";

    if (info.bHeaderRead)
    {
        const KrzHeaderInfo& header = info.header;
        str += "Header\n";
        str += "  magic              \"" + header.strMagic + "\"\n";
        str += "  sample data at     " + Num(header.nSampleDataOffset);
        if (info.bSampleDataKnown)
            str += " (" + Num(info.nSampleDataLength) + " bytes)";
        str += "\n";
        str += "  data-length field  " + Num(header.nDataLength) + "\n";
        str += "  part number        " + PartText(info) + "\n";
        std::string strMinor = Num(header.nOsVersion % 100);
        if (strMinor.size() < 2)
            strMinor = "0" + strMinor;
        str += "  OS version         " + Num(header.nOsVersion / 100) + "." + strMinor + "\n";
    }
    if (info.partKind != KrzPartKind::laterPart && info.bHeaderRead)
    {
        str += "Objects: " + Num(info.aObjects.size());
        if (info.bEndMarkFound)
            str += ", end mark at " + Num(info.nEndMarkOffset);
        str += "\n";
        for (const KrzObjectInfo& obj : info.aObjects)
        {
            str += "\n";
            FormatObject(str, obj);
        }
    }

    const std::size_t nErrors = info.ErrorCount();
    const std::size_t nNotes = info.aProblems.size() - nErrors;
    str += "\n";
    if (info.aProblems.empty())
        str += "No problems found\n";
    else
    {
        str += "Problems: " + Num(nErrors) + (nErrors == 1 ? " error, " : " errors, ") +
               Num(nNotes) + (nNotes == 1 ? " note" : " notes") + "\n";
        for (const KrzProblem& problem : info.aProblems)
            str += std::string(problem.severity == KrzSeverity::error ? "  ERROR" : "  note ") +
                   " at " + Num(problem.nFileOffset) + ": " + problem.strText + "\n";
    }
    return str;
}
