#include "KrzBuilder.h"

#include "ByteOrder.h"
#include "CAtomicFile.h"
#include "CCancel.h"
#include "CFeedback.h"
#include "CFile.h"
#include "InputStamp.h"
#include "KrzName.h"
#include "Multisample.h"
#include "SampleConverter.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace
{

struct ChannelSpan
{
    std::uint64_t nStart; // first word
    std::int64_t nEnd;    // last word, inclusive
};

void SetSampleHeader(std::uint8_t* pHeader, const CWPoolObj& entry, const WAVINFO& info,
                     const ChannelSpan& span, bool bFileLoop)
{
    pHeader[kShRootKey] = static_cast<std::uint8_t>(entry.m_nRootKey + 12);
    pHeader[kShFlags] = entry.m_bLoop ? kLoopOnFlags : kLoopOffFlags;
    // Stored in two's complement, as the sampler reads a signed 16-bit value.
    bo::StoreBE16(pHeader + kShPitch,
                  static_cast<std::uint16_t>(KrzPitch(entry.m_nRootKey, info.nSamplesPerSec)));
    const auto nStart = static_cast<std::uint32_t>(span.nStart);
    bo::StoreBE32(pHeader + kShStart, nStart);
    bo::StoreBE32(pHeader + kShAltStart, nStart);
    // A loop stored in the file starts at its first frame; the sampler's
    // loop always ends at the sample's end, which is the loop's last frame.
    const auto nLoopStart =
        bFileLoop ? static_cast<std::uint32_t>(nStart + info.nLoopStart) : nStart;
    bo::StoreBE32(pHeader + kShLoopStart, nLoopStart);
    bo::StoreBE32(pHeader + kShEnd, static_cast<std::uint32_t>(span.nEnd));
    bo::StoreBE32(pHeader + kShPeriod, KrzPeriod(info.nSamplesPerSec));
}

ChannelSpan NextSpan(std::uint64_t& nRunningBytes, std::uint64_t nChannelBytes)
{
    ChannelSpan span{};
    span.nStart = nRunningBytes / 2;
    nRunningBytes += nChannelBytes;
    span.nEnd = static_cast<std::int64_t>(nRunningBytes / 2) - 1;
    return span;
}

// What the first pass learns of one usable entry: the data it takes and
// where its words go.
struct EntryPlan
{
    int nIndex = 0;
    std::uint64_t nUsable = 0;       // WAV data bytes converted (plain entries)
    std::uint64_t nFrames = 0;       // frames written (decoded entries)
    std::uint64_t nChannelBytes = 0; // bytes one channel takes in the KRZ file
    std::uint64_t nDataBytes = 0;    // bytes of all its channels
    bool bFileLoop = false;          // looped at the loop stored in the file
    CFileStamp stamp;                // the file as it was planned
    // Multisample keymaps: the group this entry is the first of (its keymap
    // and program are the group's), or -1; bGroupMember: a later entry of a
    // group, which writes only its sample.
    int nGroupFirstOf = -1;
    bool bGroupMember = false;
};

[[noreturn]] void ThrowChanged(const std::string& strPath)
{
    throw CFileException(CFileException::fileChanged, CFile::FullPath(strPath));
}

// A plain entry's header read again through the handle its data is read
// from: it must describe the data the entry was planned with.
void CheckPlainHeader(CFile& wav, const WAVINFO& planned)
{
    WAVINFO now;
    ReadWavHeaderFrom(wav, now);
    // The file's own loop is not in the plain header: it is the planned one.
    now.bHasLoop = planned.bHasLoop;
    now.nLoopStart = planned.nLoopStart;
    now.nLoopEnd = planned.nLoopEnd;
    if (!SameHeaderFacts(planned, now))
        ThrowChanged(wav.GetFilePath());
}

// A decoded entry's header read again now, between two stamps of its file
// that must agree: the file the header describes is the one stamped.
CFileStamp CheckDecodedHeader(const std::string& strPath, const WAVINFO& planned,
                              const CAudioOptions& audio)
{
    const CFileStamp before = FileStampOf(strPath);
    WAVINFO now;
    ReadAudioHeader(strPath, now, audio); // an unusable file differs in its facts
    now.bLoopIgnored = planned.bLoopIgnored;
    if (FileStampOf(strPath) != before || !SameHeaderFacts(planned, now))
        ThrowChanged(strPath);
    return before;
}

// The data one usable entry takes, from its file as it is now, whose
// header must still be the one planned.
void PlanEntryData(const CWPoolObj& entry, const WAVINFO& info, const CAudioOptions& audio,
                   EntryPlan& plan)
{
    const bool bMono = info.nChannels == 1;
    // A loop stored in the file, with LoopSwitch on: the frames after
    // it are not written.
    plan.bFileLoop = entry.m_bLoop && info.bHasLoop;
    if (info.bDecoded)
    {
        plan.nFrames = info.nFrames;
        if (plan.bFileLoop)
            plan.nFrames = std::min<std::uint64_t>(plan.nFrames, info.nLoopEnd + 1);
        if (plan.nFrames == 0)
            throw CFileException(CFileException::endOfFile, CFile::FullPath(entry.FilePath()));
        plan.nChannelBytes = 2 * plan.nFrames;
        plan.stamp = CheckDecodedHeader(entry.FilePath(), info, audio);
    }
    else
    {
        CFile wav(entry.FilePath(), CFile::modeRead);
        const std::uint64_t nLength = wav.GetLength();
        // The header read found the data chunk's size word just before
        // nDataOffset. A file that no longer reaches that far has lost its
        // header since (emptied, cut, being rewritten): it is no WAV file
        // any more, and building it would make an empty sample in silence.
        if (nLength < static_cast<std::uint32_t>(info.nDataOffset))
            throw CFileException(CFileException::endOfFile, wav.GetFilePath());
        plan.nUsable = UsableDataBytes(info, nLength);
        if (plan.bFileLoop)
        {
            plan.nUsable = std::min(plan.nUsable, (info.nLoopEnd + 1) * WavFrameBytes(info));
        }
        plan.nChannelBytes = ChannelBytes(info, plan.nUsable);
        // Without one whole frame the sample's end word would lie before its
        // start: a file that lost its data since its header was read.
        if (plan.nChannelBytes == 0)
            throw CFileException(CFileException::endOfFile, wav.GetFilePath());
        plan.stamp = FileStampOf(wav);
        CheckPlainHeader(wav, info);
    }
    plan.nDataBytes = plan.nChannelBytes * (bMono ? 1 : 2);
}

// Writes one entry's data at nDataAt. The file is read only while it is the
// one planned: the same file, size and modification time before and after
// its data is read, and (plain files) the same header through the handle
// the data comes from.
void WriteEntryData(const std::string& strPath, const WAVINFO& info, const EntryPlan& plan,
                    const CAudioOptions& audio, CFile& out, std::uint64_t nDataAt,
                    const std::function<void(std::uint64_t)>& fnWritten)
{
    if (info.bDecoded)
    {
        if (FileStampOf(strPath) != plan.stamp)
            ThrowChanged(strPath);
        ConvertDecodedData(strPath, info, audio, plan.nFrames, out, nDataAt, fnWritten);
        if (FileStampOf(strPath) != plan.stamp)
            ThrowChanged(strPath);
    }
    else
    {
        CFile wav(strPath, CFile::modeRead);
        if (FileStampOf(wav) != plan.stamp)
            ThrowChanged(strPath);
        CheckPlainHeader(wav, info);
        ConvertSampleData(wav, info, plan.nUsable, out, nDataAt, fnWritten);
        if (FileStampOf(wav) != plan.stamp)
            ThrowChanged(strPath);
        wav.Close();
    }
}

// The data plan of every usable entry, from its file as it is now, with
// its place in the keymap groups; nTotalData is the sum of their bytes.
std::vector<EntryPlan> PlanEntries(const CDorvane_V2Doc& doc, const WavInfoArray& aWavInfo,
                                   const std::vector<CKeymapGroup>& aGroups,
                                   const CAudioOptions& audio, std::uint64_t& nTotalData)
{
    const int nCount = std::clamp(doc.m_nCount, 0, MAX_POOL);
    std::vector<int> anFirstOf(MAX_POOL, -1);
    std::vector<bool> abMember(MAX_POOL, false);
    for (std::size_t g = 0; g < aGroups.size(); ++g)
    {
        // A group of one entry is written exactly as without groups.
        if (aGroups[g].aEntries.size() < 2)
            continue;
        anFirstOf[aGroups[g].aEntries[0]] = static_cast<int>(g);
        for (std::size_t k = 1; k < aGroups[g].aEntries.size(); ++k)
            abMember[aGroups[g].aEntries[k]] = true;
    }

    std::vector<EntryPlan> aPlans;
    nTotalData = 0;
    for (int i = 0; i < nCount; ++i)
    {
        const WAVINFO& info = aWavInfo[i];
        if (!info.bValid)
            continue;
        EntryPlan plan;
        plan.nIndex = i;
        plan.nGroupFirstOf = anFirstOf[i];
        plan.bGroupMember = abMember[i];
        PlanEntryData(doc.m_aPool[i], info, audio, plan);
        nTotalData += plan.nDataBytes;
        aPlans.push_back(plan);
    }
    return aPlans;
}

// Writes the objects of one entry: its sample, and unless it is a later
// member of a keymap group, its keymap (or the group's) and program, as
// they are enabled. nRunningBytes counts the data bytes placed so far.
void WriteEntryObjects(CWPoolObj& entry, const WAVINFO& info, const EntryPlan& plan,
                       const std::vector<CKeymapGroup>& aGroups, int nFirstObjectID,
                       TemplateBytes& abTemplate, std::uint64_t& nRunningBytes, CFile& out,
                       KrzBuildSummary& summary)
{
    entry.m_strKeymapName = EffectiveKeymapName(entry);
    entry.m_strProgramName = EffectiveProgramName(entry);

    const bool bMono = info.nChannels == 1;
    const TemplateRegion sample = bMono ? kMonoSample : kStereoSample;
    const TemplateRegion keymap = bMono ? kMonoKeymap : kStereoKeymap;
    const TemplateRegion program = bMono ? kMonoProgram : kStereoProgram;
    const auto n = static_cast<std::uint16_t>(nFirstObjectID + plan.nIndex);

    std::uint8_t* pSample = abTemplate.data() + sample.nOffset;
    bo::StoreBE16(pSample + kObjId, static_cast<std::uint16_t>(kSampleTypeBase + n));
    StoreKrzName(pSample, entry.m_strSampleName);
    SetSampleHeader(pSample + kSampleHeader1, entry, info,
                    NextSpan(nRunningBytes, plan.nChannelBytes), plan.bFileLoop);
    if (!bMono)
        SetSampleHeader(pSample + kSampleHeader2, entry, info,
                        NextSpan(nRunningBytes, plan.nChannelBytes), plan.bFileLoop);

    std::uint8_t* pKeymap = abTemplate.data() + keymap.nOffset;
    bo::StoreBE16(pKeymap + kObjId, static_cast<std::uint16_t>(kKeymapTypeBase + n));
    StoreKrzName(pKeymap, entry.m_strKeymapName);
    bo::StoreBE16(pKeymap + kKeymapSampleNumber, n);

    std::uint8_t* pProgram = abTemplate.data() + program.nOffset;
    bo::StoreBE16(pProgram + kObjId, static_cast<std::uint16_t>(kProgramTypeBase + n));
    StoreKrzName(pProgram, entry.m_strProgramName);
    if (!bMono)
        bo::StoreBE16(pProgram + kProgramKeymap2, n);
    bo::StoreBE16(pProgram + kProgramKeymap1, n);

    out.Write(pSample, sample.nLength);
    ++summary.nSamples;
    if (plan.bGroupMember)
        return;
    if (plan.nGroupFirstOf >= 0)
    {
        // The group's keymap names a sample per key; its program (the
        // first entry's) names that keymap, as any program names its
        // entry's keymap by the entry's number.
        const CKeymapGroup& group = aGroups[plan.nGroupFirstOf];
        const MultiKeymapBytes abKeymap =
            BuildMultiKeymap(n, group.strKeymapName, GroupSampleNumbers(group, nFirstObjectID));
        out.Write(abKeymap.data(), abKeymap.size());
        ++summary.nKeymaps;
        if (group.bProgram)
        {
            StoreKrzName(pProgram, group.strProgramName);
            out.Write(pProgram, program.nLength);
            ++summary.nPrograms;
        }
        return;
    }
    if (entry.m_bKeymapEnable)
    {
        out.Write(pKeymap, keymap.nLength);
        ++summary.nKeymaps;
    }
    if (entry.m_bProgramEnable)
    {
        out.Write(pProgram, program.nLength);
        ++summary.nPrograms;
    }
}

void WriteKrz(CDorvane_V2Doc& doc, const WavInfoArray& aWavInfo, int nFirstObjectID,
              TemplateBytes& abTemplate, CFile& out, CFeedback& feedback,
              const KrzBuildExtras& extras, KrzBuildSummary& summary)
{
    static const std::vector<CKeymapGroup> s_aNoGroups;
    const std::vector<CKeymapGroup>& aGroups = extras.pGroups ? *extras.pGroups : s_aNoGroups;
    // First pass: the data of every usable entry.
    std::uint64_t nTotalData = 0;
    const std::vector<EntryPlan> aPlans =
        PlanEntries(doc, aWavInfo, aGroups, extras.audio, nTotalData);

    // The header's sample-data offset is set once the objects are written.
    out.Write(abTemplate.data() + kFileHeader.nOffset, kFileHeader.nLength);

    // The bar follows the bytes of sample data written, the build's time.
    feedback.ProgressSetRange(0, kBuildProgressRange);
    feedback.ProgressSetPos(0);
    feedback.ProgressSetStep(1);

    std::uint64_t nRunningBytes = 0; // the data byte count A
    for (const EntryPlan& plan : aPlans)
        WriteEntryObjects(doc.m_aPool[plan.nIndex], aWavInfo[plan.nIndex], plan, aGroups,
                          nFirstObjectID, abTemplate, nRunningBytes, out, summary);

    const std::uint8_t abEndMark[kEndMarkSize] = {0, 0, 0, 0};
    out.Write(abEndMark, sizeof abEndMark);
    // The sample data follows the objects.
    const std::uint64_t nObjectBytes = out.GetPosition();
    bo::StoreBE32(abTemplate.data() + kHdrDataOffset, static_cast<std::uint32_t>(nObjectBytes));
    out.Seek(kHdrDataOffset, CFile::begin);
    out.Write(abTemplate.data() + kHdrDataOffset, 4);

    // Second pass: the sample data, each entry at its place.
    std::uint64_t nDataAt = nObjectBytes;
    std::uint64_t nDone = 0;
    for (const EntryPlan& plan : aPlans)
    {
        const CWPoolObj& entry = doc.m_aPool[plan.nIndex];
        feedback.SetStatusText("Working on " + entry.FilePath());
        StopIfCancelled(feedback);
        const auto fnWritten = [&](std::uint64_t nBytes)
        {
            nDone += nBytes;
            feedback.ProgressSetPos(static_cast<int>(nDone * kBuildProgressRange /
                                                     std::max<std::uint64_t>(1, nTotalData)));
            StopIfCancelled(feedback);
        };
        WriteEntryData(entry.FilePath(), aWavInfo[plan.nIndex], plan, extras.audio, out, nDataAt,
                       fnWritten);
        nDataAt += plan.nDataBytes;
    }
    feedback.ProgressSetPos(kBuildProgressRange);
    summary.nBytes = nObjectBytes + nTotalData;
}

} // namespace

KrzBuildSummary BuildKrzFile(CDorvane_V2Doc& doc, const WavInfoArray& aWavInfo, int nFirstObjectID,
                             TemplateBytes& abTemplate, const std::string& strOutput,
                             CFeedback& feedback, const KrzBuildExtras& extras)
{
    KrzBuildSummary summary;
    // The output can be made again from the pool: it is not forced to the
    // disk before it replaces its name (that would multiply the build's time).
    CAtomicFile output(strOutput, false);
    WriteKrz(doc, aWavInfo, nFirstObjectID, abTemplate, output.File(), feedback, extras, summary);
    output.Commit();
    return summary;
}

KrzBuildSummary BuildKrzInto(CDorvane_V2Doc& doc, const WavInfoArray& aWavInfo, int nFirstObjectID,
                             TemplateBytes& abTemplate, CAtomicFile& output, CFeedback& feedback,
                             const KrzBuildExtras& extras)
{
    KrzBuildSummary summary;
    WriteKrz(doc, aWavInfo, nFirstObjectID, abTemplate, output.File(), feedback, extras, summary);
    return summary;
}
