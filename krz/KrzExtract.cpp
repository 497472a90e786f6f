#include "KrzExtract.h"

#include "ExtractNames.h"
#include "ExtractWav.h"
#include "KrzReader.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <utility>

namespace
{

constexpr int kSampleType = 38;
constexpr int kKeymapType = 37;
constexpr int kProgramType = 36;
constexpr int kLevels = 8;
constexpr int kHighestNote = 127;

// What a region needs of the WAV made from a header set.
struct SHeaderWav
{
    std::string strName;
    int nRootNote = 60;
    int nVolume = 0; // 0.5 dB steps
    bool bLoop = false;
    std::uint32_t nLoopStart = 0;
    std::uint32_t nLoopEnd = 0;
};

std::string Quoted(const std::string& str)
{
    std::string strOut = "\"";
    for (const char c : str)
    {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u >= 0x7F)
        {
            static const char kHex[] = "0123456789ABCDEF";
            strOut += std::string("\\x") + kHex[u >> 4] + kHex[u & 15];
        }
        else
            strOut += c;
    }
    return strOut + "\"";
}

std::string ObjectLabel(const char* szKind, const KrzObjectInfo& obj)
{
    // Names are stored padded with spaces.
    std::string strName = obj.strName;
    while (!strName.empty() && strName.back() == ' ')
        strName.pop_back();
    return std::string(szKind) + " " + std::to_string(obj.nNumber) + " " + Quoted(strName);
}

// Half-decibel steps as decibels: -6, 1.5.
std::string Decibels(int nSteps)
{
    std::string str = std::to_string(nSteps / 2);
    if (nSteps % 2 != 0)
        str = (nSteps < 0 && nSteps / 2 == 0 ? "-0" : str) + ".5";
    return str;
}

// Runs of adjacent levels that play table nTable: velocity ranges.
std::vector<std::pair<int, int>> VelocityRanges(const std::vector<int>& anLevelTables, int nTable)
{
    std::vector<std::pair<int, int>> aRanges;
    for (int j = 0; j < static_cast<int>(anLevelTables.size()); ++j)
    {
        if (anLevelTables[j] != nTable)
            continue;
        if (!aRanges.empty() && aRanges.back().second == 16 * j - 1)
            aRanges.back().second = 16 * j + 15;
        else
            aRanges.emplace_back(16 * j, 16 * j + 15);
    }
    return aRanges;
}

class CExtractor
{
  public:
    CExtractor(const std::uint8_t* pData, std::size_t nSize, const std::string& strSource)
        : m_pData(pData), m_nSize(nSize), m_strSource(strSource)
    {
    }
    SExtraction Run();

  private:
    void Line(const std::string& str) { m_strReport += str + "\n"; }
    void Skip(const std::string& str)
    {
        Line("  not written: " + str);
        ++m_out.nSkipped;
    }
    void IndexObjects();
    void ExtractSample(const KrzObjectInfo& obj);
    bool FindWords(const KrzSampleHeaderInfo& sh, const std::uint8_t*& pWords, std::size_t& nWords,
                   std::string& strWhy) const;
    void WriteHeaderSet(const KrzObjectInfo& obj, std::size_t nFirst, const std::string& strStem);
    void ExtractPrograms();
    void WriteSfz(const std::string& strStem, const std::string& strHeading,
                  const std::vector<const KrzObjectInfo*>& apKeymaps);
    std::string KeymapRegions(const KrzObjectInfo& km);
    std::string TableRegions(const std::vector<KrzKeymapEntry>& aTable, std::pair<int, int> vel,
                             std::size_t& nUnplayable) const;
    std::string Region(const KrzKeymapEntry& entry, int nLoKey, int nHiKey,
                       std::pair<int, int> vel) const;
    const SHeaderWav* WavOf(const KrzKeymapEntry& entry) const;

    const std::uint8_t* m_pData;
    std::size_t m_nSize;
    std::string m_strSource;
    KrzFileInfo m_info;
    std::map<std::pair<int, int>, const KrzObjectInfo*> m_aObjects; // by type, number
    std::map<std::pair<int, int>, SHeaderWav> m_aWavs; // by sample number, first header index
    CExtractNames m_names;
    std::string m_strReport;
    std::vector<SExtractedFile> m_aSfzFiles;
    SExtraction m_out;
    std::uint64_t m_nWordsWritten = 0; // the WAV files' words so far
};

void CExtractor::IndexObjects()
{
    std::map<int, int> aCounts;
    for (const KrzObjectInfo& obj : m_info.aObjects)
    {
        ++aCounts[obj.nType];
        if (!m_aObjects.emplace(std::make_pair(obj.nType, obj.nNumber), &obj).second)
            Line("  object " + std::to_string(obj.nId) +
                 " repeats an earlier object's number; the first is used");
    }
    Line("Objects found: " + std::to_string(aCounts[kSampleType]) + " samples, " +
         std::to_string(aCounts[kKeymapType]) + " keymaps, " +
         std::to_string(aCounts[kProgramType]) + " programs, " +
         std::to_string(m_info.aObjects.size() - aCounts[kSampleType] - aCounts[kKeymapType] -
                        aCounts[kProgramType]) +
         " others");
}

SExtraction CExtractor::Run()
{
    m_info = ReadKrzData(m_pData, m_nSize);
    m_names.Unique("report", ".txt");
    Line("Extracted from " + m_strSource);
    if (m_info.ErrorCount() != 0)
    {
        Line("The file's checks found problems; what they touch is skipped:");
        for (const KrzProblem& problem : m_info.aProblems)
            if (problem.severity == KrzSeverity::error)
                Line("  at byte " + std::to_string(problem.nFileOffset) + ": " + problem.strText);
    }
    IndexObjects();
    Line("Samples:");
    for (const KrzObjectInfo& obj : m_info.aObjects)
        if (obj.nType == kSampleType && m_aObjects.at({obj.nType, obj.nNumber}) == &obj)
            ExtractSample(obj);
    Line("Programs and keymaps:");
    ExtractPrograms();
    Line("Program parameters other than keys, velocities and keymaps (envelopes, filters, "
         "effects, layer windows) are not converted.");
    m_out.nSfzs = m_aSfzFiles.size();
    for (SExtractedFile& file : m_aSfzFiles)
        m_out.aFiles.push_back(std::move(file));
    m_out.aFiles.push_back(
        {kExtractReportName, std::vector<std::uint8_t>(m_strReport.begin(), m_strReport.end())});
    return std::move(m_out);
}

// Where the header's words lie in the file (big-endian, as stored).
bool CExtractor::FindWords(const KrzSampleHeaderInfo& sh, const std::uint8_t*& pWords,
                           std::size_t& nWords, std::string& strWhy) const
{
    if (!sh.bDataInFile)
    {
        strWhy = "its data is not in the file (flag 0x40 clear)";
        return false;
    }
    const std::uint64_t nOffset = m_info.header.nSampleDataOffset;
    const std::uint64_t nFileWords = nOffset <= m_nSize ? (m_nSize - nOffset) / 2 : 0;
    if (sh.nStart > sh.nEnd || sh.nEnd >= nFileWords)
    {
        strWhy = "its words " + std::to_string(sh.nStart) + ".." + std::to_string(sh.nEnd) +
                 " are not inside the file's " + std::to_string(nFileWords) + " words of data";
        return false;
    }
    pWords = m_pData + nOffset + 2 * sh.nStart;
    nWords = static_cast<std::size_t>(sh.nEnd - sh.nStart) + 1;
    return true;
}

void CExtractor::ExtractSample(const KrzObjectInfo& obj)
{
    const std::size_t nStep = obj.nChannels == 2 ? 2 : 1;
    const std::size_t nSets = obj.aSampleHeaders.size() / nStep;
    const std::string strBase = SafeFileName(obj.strName, "sample " + std::to_string(obj.nNumber));
    if (nSets == 0)
        Skip(ObjectLabel("sample", obj) + ": it holds no complete header set");
    for (std::size_t s = 0; s < nSets; ++s)
    {
        std::string strStem = strBase;
        if (nSets > 1)
        {
            std::string strRoot = obj.aSampleHeaders[s * nStep].strRootKey;
            std::erase(strRoot, ' ');
            strStem += " " + SafeFileName(strRoot, std::to_string(s + 1));
        }
        WriteHeaderSet(obj, s * nStep, strStem);
    }
}

void CExtractor::WriteHeaderSet(const KrzObjectInfo& obj, std::size_t nFirst,
                                const std::string& strStem)
{
    const KrzSampleHeaderInfo& sh = obj.aSampleHeaders[nFirst];
    const std::string strLabel =
        ObjectLabel("sample", obj) + " header " + std::to_string(nFirst + 1);
    SWavOut wav;
    wav.nChannels = obj.nChannels == 2 ? 2 : 1;
    std::string strWhy;
    std::size_t nRightFrames = 0;
    if (!FindWords(sh, wav.apChannel[0], wav.nFrames, strWhy) ||
        (wav.nChannels == 2 &&
         !FindWords(obj.aSampleHeaders[nFirst + 1], wav.apChannel[1], nRightFrames, strWhy)))
        return Skip(strLabel + ": " + strWhy);
    if (wav.nChannels == 2 && nRightFrames != wav.nFrames)
        return Skip(strLabel + ": its left and right channels differ in length");
    if (sh.nPeriod == 0)
        return Skip(strLabel + ": its sample period is 0");
    // Headers may share words, but a damaged file whose headers all repeat
    // one long stretch of data would write without end.
    const std::uint64_t nSetWords = std::uint64_t{wav.nFrames} * wav.nChannels;
    if (m_nWordsWritten + nSetWords > ExtractWordLimit(m_nSize))
        return Skip(strLabel + ": the WAV files would hold more than " +
                    std::to_string(kExtractWordsPerFileByte) +
                    " words per byte of the file (its headers repeat the same data)");
    m_nWordsWritten += nSetWords;
    wav.nRate =
        sh.nRate != 0 ? sh.nRate : static_cast<std::uint32_t>(std::llround(1e9 / sh.nPeriod));
    wav.nRootNote = sh.nNoteNumber;
    // A loop whose start is its end word is how a header without a loop
    // may be written.
    wav.bLoop = sh.bLoop && sh.nLoopStart >= sh.nStart && sh.nLoopStart < sh.nEnd;
    if (wav.bLoop)
    {
        wav.nLoopStart = sh.nLoopStart - sh.nStart;
        wav.nLoopEnd = sh.nEnd - sh.nStart;
    }
    else if (sh.bLoop && sh.nLoopStart != sh.nEnd)
        Line("  " + strLabel + ": its loop start lies outside the sample; written without a loop");
    const std::string strName = m_names.Unique(strStem, ".wav");
    m_out.aFiles.push_back({strName, {}, wav});
    ++m_out.nWavs;
    m_aWavs[{obj.nNumber, static_cast<int>(nFirst)}] = {strName,   wav.nRootNote,  sh.nVolume,
                                                        wav.bLoop, wav.nLoopStart, wav.nLoopEnd};
    Line("  " + strName + ": " + strLabel + ", root note " + std::to_string(wav.nRootNote) + ", " +
         std::to_string(wav.nRate) + " Hz, " + std::to_string(wav.nFrames) + " frames" +
         (wav.bLoop ? ", looped" : ""));
}

void CExtractor::ExtractPrograms()
{
    std::set<int> aUsed;
    for (const KrzObjectInfo& prog : m_info.aObjects)
    {
        if (prog.nType != kProgramType || m_aObjects.at({prog.nType, prog.nNumber}) != &prog)
            continue;
        std::vector<const KrzObjectInfo*> apKeymaps;
        for (const KrzLayerInfo& layer : prog.aLayers)
            for (const int nKeymap : {layer.nKeymap, layer.nKeymap2})
            {
                if (nKeymap == 0 || !aUsed.insert(nKeymap).second)
                    continue;
                const auto it = m_aObjects.find({kKeymapType, nKeymap});
                if (it == m_aObjects.end())
                    Line("  " + ObjectLabel("program", prog) + ": its keymap " +
                         std::to_string(nKeymap) + " is not in the file");
                // A stereo layer's second slot names the keymap again:
                // the WAV of a left/right pair holds both channels.
                else if (nKeymap == layer.nKeymap || layer.nKeymap == 0)
                    apKeymaps.push_back(it->second);
            }
        WriteSfz(SafeFileName(prog.strName, "program " + std::to_string(prog.nNumber)),
                 ObjectLabel("program", prog), apKeymaps);
    }
    for (const KrzObjectInfo& km : m_info.aObjects)
        if (km.nType == kKeymapType && m_aObjects.at({km.nType, km.nNumber}) == &km &&
            aUsed.count(km.nNumber) == 0)
            WriteSfz(SafeFileName(km.strName, "keymap " + std::to_string(km.nNumber)),
                     ObjectLabel("keymap", km) + " (no program plays it)", {&km});
}

void CExtractor::WriteSfz(const std::string& strStem, const std::string& strHeading,
                          const std::vector<const KrzObjectInfo*>& apKeymaps)
{
    std::string strText = "// " + strHeading + "\n";
    std::string strRegions;
    for (const KrzObjectInfo* pKeymap : apKeymaps)
        strRegions += KeymapRegions(*pKeymap);
    if (strRegions.empty())
        return Skip(strHeading + ": it plays no sample that was written");
    strText += strRegions;
    const std::string strName = m_names.Unique(strStem, ".sfz");
    m_aSfzFiles.push_back({strName, std::vector<std::uint8_t>(strText.begin(), strText.end())});
    Line("  " + strName + ": " + strHeading);
}

std::string CExtractor::KeymapRegions(const KrzObjectInfo& km)
{
    std::vector<std::vector<KrzKeymapEntry>> aTables = km.aTables;
    std::vector<int> anLevelTables = km.anLevelTables;
    if (!km.bSamplePerEntry && !km.aEntrySubSamples.empty())
    {
        // One-byte entries: every entry plays the keymap's one sample.
        aTables.emplace_back();
        for (const int nSub : km.aEntrySubSamples)
            aTables.back().push_back({0, 0, km.nSampleNumber, nSub});
        anLevelTables.assign(kLevels, 0);
    }
    if (aTables.empty())
    {
        Skip(ObjectLabel("keymap", km) + ": its entries are not in a form that can be converted");
        return {};
    }
    std::string str;
    std::size_t nUnplayable = 0;
    for (std::size_t t = 0; t < aTables.size(); ++t)
        for (const auto& vel : VelocityRanges(anLevelTables, static_cast<int>(t)))
            str += TableRegions(aTables[t], vel, nUnplayable);
    if (nUnplayable != 0)
        Line("  " + ObjectLabel("keymap", km) + ": " + std::to_string(nUnplayable) +
             " entries play a sample that was not written; they have no region");
    return str;
}

const SHeaderWav* CExtractor::WavOf(const KrzKeymapEntry& entry) const
{
    const auto it = m_aObjects.find({kSampleType, entry.nSample});
    if (it == m_aObjects.end())
        return nullptr;
    // A stereo object's entries name the left header of a pair: 1, 3, ...
    if (it->second->nChannels == 2 && entry.nSubSample % 2 == 0)
        return nullptr;
    const auto itWav = m_aWavs.find({entry.nSample, entry.nSubSample - 1});
    return itWav == m_aWavs.end() ? nullptr : &itWav->second;
}

std::string CExtractor::TableRegions(const std::vector<KrzKeymapEntry>& aTable,
                                     std::pair<int, int> vel, std::size_t& nUnplayable) const
{
    std::string str;
    const int nKeys = std::min(static_cast<int>(aTable.size()), kHighestNote - 12 + 1);
    for (int i = 0; i < nKeys;)
    {
        int nEnd = i + 1;
        while (nEnd < nKeys && aTable[nEnd].nSample == aTable[i].nSample &&
               aTable[nEnd].nSubSample == aTable[i].nSubSample &&
               aTable[nEnd].nTuning == aTable[i].nTuning)
            ++nEnd;
        if (aTable[i].nSample != 0 && aTable[i].nSubSample != 0)
        {
            if (WavOf(aTable[i]) != nullptr)
                str += Region(aTable[i], i + 12, nEnd - 1 + 12, vel);
            else
                nUnplayable += nEnd - i;
        }
        i = nEnd;
    }
    return str;
}

std::string CExtractor::Region(const KrzKeymapEntry& entry, int nLoKey, int nHiKey,
                               std::pair<int, int> vel) const
{
    const SHeaderWav& wav = *WavOf(entry);
    std::string str = "<region> lokey=" + std::to_string(nLoKey) +
                      " hikey=" + std::to_string(nHiKey) + " lovel=" + std::to_string(vel.first) +
                      " hivel=" + std::to_string(vel.second) +
                      " pitch_keycenter=" + std::to_string(wav.nRootNote);
    if (entry.nTuning != 0)
        str += " tune=" + std::to_string(entry.nTuning);
    if (wav.nVolume != 0)
        str += " volume=" + Decibels(wav.nVolume);
    if (wav.bLoop)
        str += " loop_mode=loop_continuous loop_start=" + std::to_string(wav.nLoopStart) +
               " loop_end=" + std::to_string(wav.nLoopEnd);
    else
        str += " loop_mode=no_loop";
    // Last on the line: a name may hold spaces.
    return str + " sample=" + wav.strName + "\n";
}

} // namespace

void ExtractedBytes(const SExtractedFile& file, std::vector<std::uint8_t>& ab)
{
    if (file.wav.apChannel[0] != nullptr)
        BuildWav16(file.wav, ab);
    else
        ab.assign(file.abData.begin(), file.abData.end());
}

SExtraction ExtractKrz(const std::uint8_t* pData, std::size_t nSize, const std::string& strSource)
{
    return CExtractor(pData, nSize, strSource).Run();
}
