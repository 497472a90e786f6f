#include "KrzBuilder.h"

#include "ByteOrder.h"
#include "CAtomicFile.h"
#include "CCopyBuffer.h"
#include "CFeedback.h"
#include "CFile.h"
#include "CTempFile.h"
#include "KrzName.h"
#include "SampleConverter.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace
{

// Header bytes 4..7: the sample-data offset, set when the objects are written.
constexpr std::size_t kDataOffsetField = 4;

void SetName(std::uint8_t* pObject, const std::string& strName)
{
    const std::string strField = KrzNameField(strName);
    for (std::size_t i = 0; i < kObjNameLength; ++i)
        pObject[kObjName + i] = static_cast<std::uint8_t>(strField[i]);
}

// Maximum pitch in cents: 100 * root key + 1200 * log2(96000 / rate),
// rounded by adding 0.5 and cutting toward zero.
std::int64_t Pitch(std::int32_t nRootKey, std::int32_t nRate)
{
    const double dTerm = 1200.0 * std::log2(96000.0 / nRate) + 0.5;
    return 100 * static_cast<std::int64_t>(nRootKey) + static_cast<std::int64_t>(std::trunc(dTerm));
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
                  static_cast<std::uint16_t>(Pitch(entry.m_nRootKey, info.nSamplesPerSec)));
    const auto nStart = static_cast<std::uint32_t>(span.nStart);
    bo::StoreBE32(pHeader + kShStart, nStart);
    bo::StoreBE32(pHeader + kShAltStart, nStart);
    bo::StoreBE32(pHeader + kShLoopStart, nStart);
    bo::StoreBE32(pHeader + kShEnd, static_cast<std::uint32_t>(span.nEnd));
    bo::StoreBE32(pHeader + kShPeriod,
                  static_cast<std::uint32_t>(1000000000 / info.nSamplesPerSec));
}

ChannelSpan NextSpan(std::uint64_t& nRunningBytes, std::uint64_t nChannelBytes)
{
    ChannelSpan span{};
    span.nStart = nRunningBytes / 2;
    nRunningBytes += nChannelBytes;
    span.nEnd = static_cast<std::int64_t>(nRunningBytes / 2) - 1;
    return span;
}

std::string Beside(const std::string& strOutput, const char* szName)
{
    return (std::filesystem::path(CFile::FullPath(strOutput)).parent_path() / szName).string();
}

// Writes the file into output; the temporary files are made at
// strSampleTemp and strRightTemp and removed again, whichever way this ends.
void WriteKrz(CDorvane_V2Doc& doc, const WavInfoArray& aWavInfo, int nFirstObjectID,
              TemplateBytes& abTemplate, CFile& out, const std::string& strSampleTemp,
              const std::string& strRightTemp, CFeedback& feedback, KrzBuildSummary& summary)
{
    const int nCount = std::clamp(doc.m_nCount, 0, MAX_POOL);

    CTempFile sampleData(strSampleTemp);

    out.Write(abTemplate.data() + kFileHeader.nOffset, kFileHeader.nLength);

    feedback.ProgressSetRange(0, nCount);
    feedback.ProgressSetPos(0);
    feedback.ProgressSetStep(1);

    std::uint64_t nObjectBytes = kKrzHeaderSize;
    std::uint64_t nRunningBytes = 0; // the data byte count A
    for (int i = 0; i < nCount; ++i)
    {
        feedback.ProgressStepIt();
        const WAVINFO& info = aWavInfo[i];
        if (!info.bValid)
            continue;
        CWPoolObj& entry = doc.m_aPool[i];
        feedback.SetStatusText("Working on " + entry.m_strFileName);
        if (entry.m_strKeymapName.empty())
            entry.m_strKeymapName = entry.m_strSampleName;
        if (entry.m_strProgramName.empty())
            entry.m_strProgramName = entry.m_strSampleName;

        CFile wav(entry.m_strFileName, CFile::modeRead);
        const std::uint64_t nLength = wav.GetLength();
        // The header read found the data chunk's size word just before
        // nDataOffset. A file that no longer reaches that far has lost its
        // header since (emptied, cut, being rewritten): it is no WAV file
        // any more, and building it would make an empty sample in silence.
        if (nLength < static_cast<std::uint32_t>(info.nDataOffset))
            throw CFileException(CFileException::endOfFile, wav.GetFilePath());
        const std::uint64_t nUsable = UsableDataBytes(info, nLength);
        const std::uint64_t nChannelBytes = ChannelBytes(info, nUsable);
        // Without one whole frame the sample's end word would lie before its
        // start: a file that lost its data since its header was read.
        if (nChannelBytes == 0)
            throw CFileException(CFileException::endOfFile, wav.GetFilePath());

        const bool bMono = info.nChannels == 1;
        const TemplateRegion sample = bMono ? kMonoSample : kStereoSample;
        const TemplateRegion keymap = bMono ? kMonoKeymap : kStereoKeymap;
        const TemplateRegion program = bMono ? kMonoProgram : kStereoProgram;
        const auto n = static_cast<std::uint16_t>(nFirstObjectID + i);

        std::uint8_t* pSample = abTemplate.data() + sample.nOffset;
        bo::StoreBE16(pSample + kObjId, static_cast<std::uint16_t>(kSampleTypeBase + n));
        SetName(pSample, entry.m_strSampleName);
        SetSampleHeader(pSample + kSampleHeader1, entry, info,
                        NextSpan(nRunningBytes, nChannelBytes));
        if (!bMono)
            SetSampleHeader(pSample + kSampleHeader2, entry, info,
                            NextSpan(nRunningBytes, nChannelBytes));

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
        nObjectBytes += sample.nLength;
        ++summary.nSamples;
        if (entry.m_bKeymapEnable)
        {
            out.Write(pKeymap, keymap.nLength);
            nObjectBytes += keymap.nLength;
            ++summary.nKeymaps;
        }
        if (entry.m_bProgramEnable)
        {
            out.Write(pProgram, program.nLength);
            nObjectBytes += program.nLength;
            ++summary.nPrograms;
        }

        ConvertSampleData(wav, info, nUsable, sampleData, strRightTemp);
        wav.Close();
    }

    const std::uint8_t abEndMark[kEndMarkSize] = {0, 0, 0, 0};
    out.Write(abEndMark, sizeof abEndMark);
    nObjectBytes += kEndMarkSize;

    feedback.SetStatusText("Adding sample data...");
    sampleData.SeekToBegin();
    CCopyBuffer().CopyToEnd(sampleData, out);

    out.Seek(kDataOffsetField, CFile::begin);
    bo::StoreBE32(abTemplate.data() + kDataOffsetField, static_cast<std::uint32_t>(nObjectBytes));
    out.Write(abTemplate.data() + kDataOffsetField, 4);
    summary.nBytes = nObjectBytes + nRunningBytes;

    sampleData.Close();
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
    const std::string strSampleTemp = Beside(strOutput, kSampleDataTempName);
    const std::string strRightTemp = Beside(strOutput, kRightChannelTempName);
    try
    {
        WriteKrz(doc, aWavInfo, nFirstObjectID, abTemplate, output.File(), strSampleTemp,
                 strRightTemp, feedback, summary);
    }
    catch (const CFileException& e)
    {
        // The temporary files hold the output's data on its way: a disk
        // that fills while they grow is full for the output, the file the
        // user chose and the one whose folder needs room.
        const std::string strFailed = CFile::FullPath(e.m_strFileName);
        if (e.m_cause == CFileException::diskFull &&
            (strFailed == strSampleTemp || strFailed == strRightTemp))
            throw CFileException(CFileException::diskFull, output.TargetPath(), e.m_lOsError);
        throw;
    }
    output.Commit();
    return summary;
}
