#include "KrzBuilder.h"

#include "ByteOrder.h"
#include "CAtomicFile.h"
#include "CFeedback.h"
#include "CFile.h"
#include "KrzName.h"
#include "SampleConverter.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{

void SetName(std::uint8_t* pObject, const std::string& strName)
{
    const std::string strField = KrzNameField(strName);
    for (std::size_t i = 0; i < kObjNameLength; ++i)
        pObject[kObjName + i] = static_cast<std::uint8_t>(strField[i]);
}

struct ChannelSpan
{
    std::uint64_t nStart; // first word
    std::int64_t nEnd;    // last word, inclusive
};

void SetSampleHeader(std::uint8_t* pHeader, const CWPoolObj& entry, const WAVINFO& info,
                     const ChannelSpan& span)
{
    pHeader[kShRootKey] = static_cast<std::uint8_t>(entry.m_nRootKey + 12);
    pHeader[kShFlags] = entry.m_bLoop ? kLoopOnFlags : kLoopOffFlags;
    // Stored in two's complement, as the sampler reads a signed 16-bit value.
    bo::StoreBE16(pHeader + kShPitch,
                  static_cast<std::uint16_t>(KrzPitch(entry.m_nRootKey, info.nSamplesPerSec)));
    const auto nStart = static_cast<std::uint32_t>(span.nStart);
    bo::StoreBE32(pHeader + kShStart, nStart);
    bo::StoreBE32(pHeader + kShAltStart, nStart);
    bo::StoreBE32(pHeader + kShLoopStart, nStart);
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
    std::uint64_t nUsable = 0;       // WAV data bytes converted
    std::uint64_t nChannelBytes = 0; // bytes one channel takes in the KRZ file
    std::uint64_t nDataBytes = 0;    // bytes of all its channels
};

// Every size is known from the headers before the first byte is written:
// the objects, then each entry's data in pool order, the right channel of a
// stereo entry right after its left one. Each word of sample data is then
// written once, straight into its place, with no temporary file.
void WriteKrz(CDorvane_V2Doc& doc, const WavInfoArray& aWavInfo, int nFirstObjectID,
              TemplateBytes& abTemplate, CFile& out, CFeedback& feedback, KrzBuildSummary& summary)
{
    const int nCount = std::clamp(doc.m_nCount, 0, MAX_POOL);

    // First pass: the data of every usable entry, from its file as it is now.
    std::vector<EntryPlan> aPlans;
    std::uint64_t nObjectBytes = kKrzHeaderSize + kEndMarkSize;
    std::uint64_t nTotalData = 0;
    for (int i = 0; i < nCount; ++i)
    {
        const WAVINFO& info = aWavInfo[i];
        if (!info.bValid)
            continue;
        const CWPoolObj& entry = doc.m_aPool[i];
        CFile wav(entry.m_strFileName, CFile::modeRead);
        const std::uint64_t nLength = wav.GetLength();
        // The header read found the data chunk's size word just before
        // nDataOffset. A file that no longer reaches that far has lost its
        // header since (emptied, cut, being rewritten): it is no WAV file
        // any more, and building it would make an empty sample in silence.
        if (nLength < static_cast<std::uint32_t>(info.nDataOffset))
            throw CFileException(CFileException::endOfFile, wav.GetFilePath());
        EntryPlan plan;
        plan.nIndex = i;
        plan.nUsable = UsableDataBytes(info, nLength);
        plan.nChannelBytes = ChannelBytes(info, plan.nUsable);
        // Without one whole frame the sample's end word would lie before its
        // start: a file that lost its data since its header was read.
        if (plan.nChannelBytes == 0)
            throw CFileException(CFileException::endOfFile, wav.GetFilePath());
        plan.nDataBytes = plan.nChannelBytes * (info.nChannels == 1 ? 1 : 2);
        nTotalData += plan.nDataBytes;
        const bool bMono = info.nChannels == 1;
        nObjectBytes += (bMono ? kMonoSample : kStereoSample).nLength;
        if (entry.m_bKeymapEnable)
            nObjectBytes += (bMono ? kMonoKeymap : kStereoKeymap).nLength;
        if (entry.m_bProgramEnable)
            nObjectBytes += (bMono ? kMonoProgram : kStereoProgram).nLength;
        aPlans.push_back(plan);
    }

    bo::StoreBE32(abTemplate.data() + kHdrDataOffset, static_cast<std::uint32_t>(nObjectBytes));
    out.Write(abTemplate.data() + kFileHeader.nOffset, kFileHeader.nLength);

    // The bar follows the bytes of sample data written, the build's time.
    feedback.ProgressSetRange(0, kBuildProgressRange);
    feedback.ProgressSetPos(0);
    feedback.ProgressSetStep(1);

    std::uint64_t nRunningBytes = 0; // the data byte count A
    for (const EntryPlan& plan : aPlans)
    {
        const WAVINFO& info = aWavInfo[plan.nIndex];
        CWPoolObj& entry = doc.m_aPool[plan.nIndex];
        if (entry.m_strKeymapName.empty())
            entry.m_strKeymapName = entry.m_strSampleName;
        if (entry.m_strProgramName.empty())
            entry.m_strProgramName = entry.m_strSampleName;

        const bool bMono = info.nChannels == 1;
        const TemplateRegion sample = bMono ? kMonoSample : kStereoSample;
        const TemplateRegion keymap = bMono ? kMonoKeymap : kStereoKeymap;
        const TemplateRegion program = bMono ? kMonoProgram : kStereoProgram;
        const auto n = static_cast<std::uint16_t>(nFirstObjectID + plan.nIndex);

        std::uint8_t* pSample = abTemplate.data() + sample.nOffset;
        bo::StoreBE16(pSample + kObjId, static_cast<std::uint16_t>(kSampleTypeBase + n));
        SetName(pSample, entry.m_strSampleName);
        SetSampleHeader(pSample + kSampleHeader1, entry, info,
                        NextSpan(nRunningBytes, plan.nChannelBytes));
        if (!bMono)
            SetSampleHeader(pSample + kSampleHeader2, entry, info,
                            NextSpan(nRunningBytes, plan.nChannelBytes));

        std::uint8_t* pKeymap = abTemplate.data() + keymap.nOffset;
        bo::StoreBE16(pKeymap + kObjId, static_cast<std::uint16_t>(kKeymapTypeBase + n));
        SetName(pKeymap, entry.m_strKeymapName);
        bo::StoreBE16(pKeymap + kKeymapSampleNumber, n);

        std::uint8_t* pProgram = abTemplate.data() + program.nOffset;
        bo::StoreBE16(pProgram + kObjId, static_cast<std::uint16_t>(kProgramTypeBase + n));
        SetName(pProgram, entry.m_strProgramName);
        if (!bMono)
            bo::StoreBE16(pProgram + kProgramKeymap2, n);
        bo::StoreBE16(pProgram + kProgramKeymap1, n);

        out.Write(pSample, sample.nLength);
        ++summary.nSamples;
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

    const std::uint8_t abEndMark[kEndMarkSize] = {0, 0, 0, 0};
    out.Write(abEndMark, sizeof abEndMark);

    // Second pass: the sample data, each entry at its place.
    std::uint64_t nDataAt = nObjectBytes;
    std::uint64_t nDone = 0;
    for (const EntryPlan& plan : aPlans)
    {
        const CWPoolObj& entry = doc.m_aPool[plan.nIndex];
        feedback.SetStatusText("Working on " + entry.m_strFileName);
        CFile wav(entry.m_strFileName, CFile::modeRead);
        ConvertSampleData(wav, aWavInfo[plan.nIndex], plan.nUsable, out, nDataAt,
                          [&](std::uint64_t nBytes)
                          {
                              nDone += nBytes;
                              feedback.ProgressSetPos(
                                  static_cast<int>(nDone * kBuildProgressRange /
                                                   std::max<std::uint64_t>(1, nTotalData)));
                          });
        wav.Close();
        nDataAt += plan.nDataBytes;
    }
    feedback.ProgressSetPos(kBuildProgressRange);
    summary.nBytes = nObjectBytes + nTotalData;
}

} // namespace

KrzBuildSummary BuildKrzFile(CDorvane_V2Doc& doc, const WavInfoArray& aWavInfo, int nFirstObjectID,
                             TemplateBytes& abTemplate, const std::string& strOutput,
                             CFeedback& feedback)
{
    KrzBuildSummary summary;
    // The output can be made again from the pool: it is not forced to the
    // disk before it replaces its name (that would multiply the build's time).
    CAtomicFile output(strOutput, false);
    WriteKrz(doc, aWavInfo, nFirstObjectID, abTemplate, output.File(), feedback, summary);
    output.Commit();
    return summary;
}
