#include "KrzObjectReader.h"

#include "RootKey.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace
{

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

// A sample header; header holds its 32 bytes.
KrzSampleHeaderInfo ReadSampleHeader(std::uint64_t nPos, const CByteCursor& header)
{
    KrzSampleHeaderInfo sh;
    sh.nFileOffset = nPos;
    sh.nNoteNumber = header.At(kShRootKey).U8();
    sh.nRootKey = sh.nNoteNumber - 12;
    sh.strRootKey = RootKeyText(sh.nRootKey);
    sh.nFlags = header.At(kShFlags).U8();
    sh.bLoop = (sh.nFlags & 0x80) == 0;
    sh.bDataInFile = (sh.nFlags & 0x40) != 0;
    sh.nVolume = static_cast<std::int8_t>(header.At(kShVolume).U8());
    sh.nPitch = static_cast<std::int16_t>(header.At(kShPitch).BE16());
    sh.nStart = header.At(kShStart).BE32();
    sh.nAltStart = header.At(kShAltStart).BE32();
    sh.nLoopStart = header.At(kShLoopStart).BE32();
    sh.nEnd = header.At(kShEnd).BE32();
    sh.nPeriod = header.At(kShPeriod).BE32();
    RatesForPeriod(sh.nPeriod, sh.nRateLow, sh.nRateHigh);
    if (sh.nRateLow != 0)
        sh.nRate = LikelyRate(sh);
    return sh;
}

// One entry of a keymap naming a sample per entry, its fields in the
// method's order: tuning, volume, sample number, sub-sample number.
KrzKeymapEntry ReadEntry(const CByteCursor& entry, std::uint16_t nMethod, std::size_t nSampleAt)
{
    KrzKeymapEntry read;
    if (nMethod & kKmTuning16)
        read.nTuning = static_cast<std::int16_t>(entry.At(0).BE16());
    else if (nMethod & kKmTuning8)
        read.nTuning = static_cast<std::int8_t>(entry.At(0).U8());
    if (nMethod & kKmVolume)
        read.nVolume = static_cast<std::int8_t>(entry.At(nSampleAt - 1).U8());
    read.nSample = entry.At(nSampleAt).BE16();
    if (nMethod & kKmSubSample)
        read.nSubSample = entry.At(nSampleAt + 2).U8();
    return read;
}

class CObjectReader
{
  public:
    CObjectReader(KrzObjectInfo& obj, const CByteCursor& bytes, CKrzProblems& problems)
        : m_obj(obj), m_bytes(bytes), m_problems(problems), m_strLabel(KrzObjectLabel(obj))
    {
    }

    void ReadSample(std::size_t nData);
    void ReadKeymap(std::size_t nData);
    void ReadProgram(std::size_t nData);

  private:
    void Error(std::uint64_t nOffset, const std::string& strText)
    {
        m_problems.Error(nOffset, m_strLabel + ": " + strText);
    }
    // The entry tables of a keymap whose entries are one byte (method 1)
    // or name a sample each; adds the entries that leave a key empty to
    // nEmpty.
    void ReadEntryTables(std::size_t nData, std::uint16_t nMethod, std::size_t nBytesPerEntry,
                         std::size_t& nEmpty);

    KrzObjectInfo& m_obj;
    const CByteCursor& m_bytes;
    CKrzProblems& m_problems;
    const std::string m_strLabel;
};

void CObjectReader::ReadSample(std::size_t nData)
{
    if (!m_bytes.FitsAt(nData, kSdFieldsSize))
    {
        Error(m_obj.nFileOffset, "too short for a sample object's fields");
        return;
    }
    const CByteCursor data = m_bytes.From(nData);
    const std::size_t nHeaders = data.At(kSdHeaderCount).BE16() + std::size_t{1};
    const std::size_t nFirst = nData + 4 + data.At(kSdHeaderDistance).BE16();
    m_obj.nChannels = (data.At(kSdFlags).U8() & kSdStereoFlag) ? 2 : 1;
    for (std::size_t i = 0; i < nHeaders; ++i)
    {
        const std::size_t nAt = nFirst + i * kSampleHeaderSize;
        if (!m_bytes.FitsAt(nAt, kSampleHeaderSize))
        {
            Error(m_obj.nFileOffset, "sample header " + KrzNum(i + 1) + " of " + KrzNum(nHeaders) +
                                         " lies past the object's end");
            return;
        }
        m_obj.aSampleHeaders.push_back(
            ReadSampleHeader(m_obj.nFileOffset + nAt, m_bytes.At(nAt).Take(kSampleHeaderSize)));
    }
    if (m_obj.nChannels == 2 && nHeaders % 2 != 0)
        Error(m_obj.nFileOffset,
              "a stereo sample holds left/right pairs of headers, but it has " + KrzNum(nHeaders));
}

void CObjectReader::ReadKeymap(std::size_t nData)
{
    if (!m_bytes.FitsAt(nData, 2))
    {
        Error(m_obj.nFileOffset, "too short for a keymap's sample number");
        return;
    }
    const CByteCursor data = m_bytes.From(nData);
    m_obj.nSampleNumber = data.At(kKdSampleNumber).BE16();
    if (!data.Fits(kKdFieldsSize))
        return;
    const std::uint16_t nMethod = data.At(kKdEntryMethod).BE16();
    const std::size_t nBytesPerEntry = data.At(kKdEntryBytes).BE16();
    m_obj.nEntryMethod = nMethod;
    const std::size_t nWidth = ((nMethod & kKmTuning16) ? 2 : 0) +
                               ((nMethod & kKmTuning8) ? 1 : 0) + ((nMethod & kKmVolume) ? 1 : 0) +
                               ((nMethod & kKmSample) ? 2 : 0) + ((nMethod & kKmSubSample) ? 1 : 0);
    m_obj.bSamplePerEntry = (nMethod & kKmSample) != 0;
    const bool bKnownMethod = (nMethod & ~kKmKnownBits) == 0;
    if (m_obj.bSamplePerEntry && bKnownMethod && nBytesPerEntry != nWidth)
    {
        Error(m_obj.nFileOffset + nData + kKdEntryBytes,
              KrzNum(nBytesPerEntry) + " bytes per entry, but entry method " + KrzHex(nMethod, 4) +
                  " needs " + KrzNum(nWidth));
        return;
    }
    // One-byte entries (method 1) or a sample per entry: each entry's
    // sub-sample number 0 (or sample number 0) leaves its key empty.
    if (!(nMethod == kKmSubSample && nBytesPerEntry == 1) &&
        !(m_obj.bSamplePerEntry && bKnownMethod))
        return;
    std::size_t nEmpty = 0;
    ReadEntryTables(nData, nMethod, nBytesPerEntry, nEmpty);
    if (nEmpty != 0)
        m_problems.Note(m_obj.nFileOffset,
                        m_strLabel + ": " + KrzNum(nEmpty) +
                            (nEmpty == 1 ? " empty entry" : " empty entries") +
                            " (a keymap with empty entries is known to upset the instrument)");
}

void CObjectReader::ReadEntryTables(std::size_t nData, std::uint16_t nMethod,
                                    std::size_t nBytesPerEntry, std::size_t& nEmpty)
{
    const std::size_t nSampleAt = ((nMethod & kKmTuning16) ? 2 : 0) +
                                  ((nMethod & kKmTuning8) ? 1 : 0) +
                                  ((nMethod & kKmVolume) ? 1 : 0);
    const std::size_t nEntries = m_bytes.At(nData + kKdEntryCount).BE16() + std::size_t{1};
    const std::size_t nTableBytes = nEntries * nBytesPerEntry;
    std::map<long, int> aSeen; // table offset, index into aTables
    std::set<int> aNamed;
    // The tables are kept for keymaps of at most one entry per key (128):
    // every key's entry is then at hand for the listing, while a damaged
    // count cannot make the reader hold many times the object's bytes.
    const bool bKeep = m_obj.bSamplePerEntry && nEntries <= kKrzListedEntries;
    for (std::size_t nLevel = 0; nLevel < kKdVelocityLevels; ++nLevel)
    {
        // The table's distance counts from its own field.
        const std::size_t nField = nData + kKdTables + 2 * nLevel;
        const long nTable =
            static_cast<long>(nField) + static_cast<std::int16_t>(m_bytes.At(nField).BE16());
        if (nTable < 0 || !m_bytes.FitsAt(static_cast<std::size_t>(nTable), nTableBytes))
        {
            Error(m_obj.nFileOffset + nField, "the entry table of velocity level " +
                                                  KrzNum(nLevel + 1) + " lies outside the keymap");
            if (bKeep)
                m_obj.anLevelTables.push_back(-1);
            continue;
        }
        const auto [itSeen, bNew] = aSeen.emplace(nTable, static_cast<int>(aSeen.size()));
        if (bKeep)
            m_obj.anLevelTables.push_back(itSeen->second);
        if (!bNew)
            continue;
        const CByteCursor table = m_bytes.At(static_cast<std::size_t>(nTable)).Take(nTableBytes);
        std::vector<KrzKeymapEntry> aEntries;
        for (std::size_t i = 0; i < nEntries; ++i)
        {
            const CByteCursor entry = table.At(i * nBytesPerEntry).Take(nBytesPerEntry);
            if (!m_obj.bSamplePerEntry)
            {
                nEmpty += entry.At(0).U8() == 0 ? 1 : 0;
                if (nLevel == 0 && nEntries <= kKrzListedEntries)
                    m_obj.aEntrySubSamples.push_back(entry.At(0).U8());
                continue;
            }
            KrzKeymapEntry read = ReadEntry(entry, nMethod, nSampleAt);
            if (read.nSample == 0 || read.nSubSample == 0)
                ++nEmpty;
            else
                aNamed.insert(read.nSample);
            if (nLevel == 0)
                m_obj.aEntrySamples.push_back(read.nSubSample == 0 ? 0 : read.nSample);
            if (bKeep)
                aEntries.push_back(read);
        }
        if (bKeep)
            m_obj.aTables.push_back(std::move(aEntries));
    }
    m_obj.aNamedSamples.assign(aNamed.begin(), aNamed.end());
}

void CObjectReader::ReadProgram(std::size_t nData)
{
    CByteCursor seg = m_bytes.At(nData);
    while (seg.Remaining() != 0)
    {
        const std::size_t i = seg.Pos();
        const std::uint8_t nTag = seg.At(i).U8();
        if (nTag == 0)
        {
            if (seg.FitsAt(i, 2) && seg.At(i + 1).U8() == 0)
                return; // the end word
            Error(m_obj.nFileOffset + i, "a zero tag that is not the end word of the segments");
            return;
        }
        const std::size_t nSeg = SegmentLength(nTag);
        if (nSeg == 0)
        {
            m_problems.Note(m_obj.nFileOffset + i,
                            m_strLabel + ": segment tag " + KrzHex(nTag, 2) +
                                " is not known; the program is read no further");
            return;
        }
        if (!seg.Fits(nSeg))
        {
            Error(m_obj.nFileOffset + i,
                  "segment " + KrzHex(nTag, 2) + " runs past the object's end");
            return;
        }
        const CByteCursor body = seg.Take(nSeg);
        if (nTag == kSegLayerTag)
        {
            KrzLayerInfo layer;
            layer.bStereo = (body.At(kSegLayerFlags).U8() & kSegLayerStereo) != 0;
            m_obj.aLayers.push_back(layer);
        }
        else if (nTag == kSegKeymapTag)
        {
            if (m_obj.aLayers.empty())
                m_obj.aLayers.emplace_back();
            m_obj.aLayers.back().nKeymap = body.At(kSegKeymap1).BE16();
            m_obj.aLayers.back().nKeymap2 = body.At(kSegKeymap2).BE16();
        }
    }
    Error(m_obj.nFileOffset, "its segments are not ended by a zero word");
}

} // namespace

KrzObjectInfo ReadKrzObject(std::uint64_t nPos, CByteCursor bytes, CKrzProblems& problems)
{
    const std::size_t n = bytes.Size();
    KrzObjectInfo obj;
    obj.nFileOffset = nPos;
    obj.nLength = static_cast<std::uint32_t>(n);
    obj.nId = bytes.At(kObjId).BE16();
    obj.nType = obj.nId >> 10;
    obj.nNumber = obj.nId & 0x3FF;
    obj.nObjectSize = bytes.At(kObjSize).BE16();
    if (obj.nObjectSize != n - 4 && obj.nObjectSize != n - 6)
        problems.Error(nPos + kObjSize, KrzObjectLabel(obj) + ": object size " +
                                            KrzNum(obj.nObjectSize) + " is not its length " +
                                            KrzNum(n) + " less 4 or 6");

    // The data begins where the distance says; the name fills the space
    // before it (16 characters and a terminator here), ended by a 0 byte.
    const std::size_t nData = kObjDataDistance + bytes.At(kObjDataDistance).BE16();
    const std::size_t nNameEnd =
        std::min({kObjName + kObjNameLength, n, std::max(nData, kObjName)});
    const auto abName = bytes.At(kObjName).Bytes(nNameEnd - kObjName);
    const auto itEnd = std::find(abName.begin(), abName.end(), std::uint8_t{0});
    obj.strName.assign(abName.begin(), itEnd);

    CObjectReader reader(obj, bytes, problems);
    if (nData < kObjName || nData > n)
        problems.Error(nPos + kObjDataDistance,
                       KrzObjectLabel(obj) + ": the data distance puts the object's data at " +
                           KrzNum(nData) + ", outside the object");
    else if (obj.nType == kKrzSampleType)
        reader.ReadSample(nData);
    else if (obj.nType == kKrzKeymapType)
        reader.ReadKeymap(nData);
    else if (obj.nType == kKrzProgramType)
        reader.ReadProgram(nData);
    return obj;
}
