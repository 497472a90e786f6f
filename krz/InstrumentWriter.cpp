#include "InstrumentWriter.h"

#include "AudioDecoder.h"
#include "ByteOrder.h"
#include "CFeedback.h"
#include "CFile.h"
#include "CFileException.h"
#include "KrzFormat.h"
#include "KrzName.h"
#include "SampleConverter.h"

#include <algorithm>
#include <functional>

namespace
{

constexpr int kEntry0Note = 12;
// Frames converted per block: 64 KiB of words per channel.
constexpr std::size_t kBlockFrames = 32768;

// The source of one file: its header with and without the rate limit.
bool ReadZoneFile(const std::string& strPath, const CAudioOptions& audio, CZoneFile& file,
                  double& dScale, std::vector<std::string>& aNotes)
{
    CAudioOptions own = audio;
    own.bFileMetadata = false;
    own.nMaxRate = 0;
    CFileStamp before;
    try
    {
        before = FileStampOf(strPath);
    }
    catch (const CFileException& e)
    {
        aNotes.push_back(e.GetErrorMessage());
        return false;
    }
    COutcome read = ReadAudioHeader(strPath, file.info, own);
    if (!read.IsOk())
    {
        aNotes.push_back(read.Text());
        return false;
    }
    file.options = own;
    dScale = 1.0;
    if (NeedsResampling(file.info.nSamplesPerSec, audio))
    {
        const int nOwnRate = file.info.nSamplesPerSec;
        file.options.nMaxRate = audio.nMaxRate;
        read = ReadAudioHeader(strPath, file.info, file.options);
        if (!read.IsOk())
        {
            aNotes.push_back(read.Text());
            return false;
        }
        dScale = static_cast<double>(file.info.nSamplesPerSec) / nOwnRate;
    }
    file.stamp = FileStampOf(strPath);
    if (file.stamp != before)
        throw CFileException(CFileException::fileChanged, CFile::FullPath(strPath));
    return true;
}

CZoneSource MemorySource(const CZoneAudio& audio)
{
    CZoneSource source;
    if ((audio.nChannels != 1 && audio.nChannels != 2) || audio.nRate <= 0)
        return source;
    source.bUsable = true;
    source.nChannels = audio.nChannels;
    source.nRate = audio.nRate;
    source.nFrames = audio.pData->size() / static_cast<std::size_t>(audio.nChannels);
    return source;
}

void SetHeader(std::uint8_t* pHeader, const CSamplePlan& sample, std::uint64_t nStart,
               std::uint64_t nFrames)
{
    pHeader[kShRootKey] = static_cast<std::uint8_t>(sample.nRootNote);
    pHeader[kShFlags] = sample.bLoop ? kLoopOnFlags : kLoopOffFlags;
    const auto nGain = static_cast<std::uint8_t>(static_cast<std::int8_t>(sample.nGainSteps));
    pHeader[2] = nGain; // volume adjust, 0.5 dB steps
    pHeader[3] = nGain; // the same for the alternative start
    bo::StoreBE16(pHeader + kShPitch, static_cast<std::uint16_t>(
                                          KrzPitch(sample.nRootNote - kEntry0Note, sample.nRate)));
    bo::StoreBE32(pHeader + kShStart, static_cast<std::uint32_t>(nStart));
    bo::StoreBE32(pHeader + kShAltStart, static_cast<std::uint32_t>(nStart));
    bo::StoreBE32(pHeader + kShLoopStart,
                  static_cast<std::uint32_t>(nStart + (sample.bLoop ? sample.nLoopStart : 0)));
    bo::StoreBE32(pHeader + kShEnd, static_cast<std::uint32_t>(nStart + nFrames - 1));
    bo::StoreBE32(pHeader + kShPeriod, KrzPeriod(sample.nRate));
}

void WriteSample(const CSamplePlan& sample, const CDataPlan& data, TemplateBytes& abTemplate,
                 CFile& out)
{
    const TemplateRegion region = data.bStereo ? kStereoSample : kMonoSample;
    std::uint8_t* p = abTemplate.data() + region.nOffset;
    bo::StoreBE16(p + kObjId, static_cast<std::uint16_t>(kSampleTypeBase + sample.nNumber));
    StoreKrzName(p, sample.strName);
    SetHeader(p + kSampleHeader1, sample, data.nWordAt, data.nFrames);
    if (data.bStereo)
        SetHeader(p + kSampleHeader2, sample, data.nWordAt + data.nFrames, data.nFrames);
    out.Write(p, region.nLength);
}

void WriteProgram(const CInstrumentPlan& instrument, TemplateBytes& abTemplate, CFile& out)
{
    const TemplateRegion region = instrument.bStereo ? kStereoProgram : kMonoProgram;
    std::uint8_t* p = abTemplate.data() + region.nOffset;
    bo::StoreBE16(p + kObjId, static_cast<std::uint16_t>(kProgramTypeBase + instrument.nNumber));
    StoreKrzName(p, instrument.strName);
    // A stereo layer reads its right channel through the second slot.
    if (instrument.bStereo)
        bo::StoreBE16(p + kProgramKeymap2, instrument.nNumber);
    bo::StoreBE16(p + kProgramKeymap1, instrument.nNumber);
    out.Write(p, region.nLength);
}

// Reads frames of one run's source, interleaved as the source holds them.
using FrameReader = std::function<std::size_t(std::int16_t*, std::size_t)>;

// Converts nFrames frames from read into big-endian words at nLeftAt (and,
// stereo, the right channel's at nLeftAt + 2 * nFrames).
void WriteRun(const CDataPlan& data, const FrameReader& read, const std::string& strSource,
              CFile& out, std::uint64_t nLeftAt, const std::function<void(std::uint64_t)>& fnDone)
{
    std::vector<std::int16_t> anIn(kBlockFrames * 2);
    std::vector<std::uint8_t> abLeft(kBlockFrames * 2);
    std::vector<std::uint8_t> abRight(kBlockFrames * 2);
    const std::size_t nChannels = static_cast<std::size_t>(data.nSourceChannels);
    std::uint64_t nRightAt = nLeftAt + 2 * data.nFrames;
    for (std::uint64_t nLeft = data.nFrames; nLeft > 0;)
    {
        const std::size_t nWant =
            static_cast<std::size_t>(std::min<std::uint64_t>(nLeft, kBlockFrames));
        std::size_t nGot = 0;
        while (nGot < nWant)
        {
            const std::size_t n = read(anIn.data() + nGot * nChannels, nWant - nGot);
            if (n == 0)
                throw CFileException(CFileException::endOfFile, strSource);
            nGot += n;
        }
        for (std::size_t i = 0; i < nGot; ++i)
        {
            // A mono source in a stereo layer plays the same words on both sides.
            bo::StoreBE16(abLeft.data() + 2 * i, static_cast<std::uint16_t>(anIn[i * nChannels]));
            bo::StoreBE16(abRight.data() + 2 * i,
                          static_cast<std::uint16_t>(anIn[i * nChannels + nChannels - 1]));
        }
        out.Seek(static_cast<std::int64_t>(nLeftAt), CFile::begin);
        out.Write(abLeft.data(), 2 * nGot);
        nLeftAt += 2 * nGot;
        if (data.bStereo)
        {
            out.Seek(static_cast<std::int64_t>(nRightAt), CFile::begin);
            out.Write(abRight.data(), 2 * nGot);
            nRightAt += 2 * nGot;
        }
        nLeft -= nGot;
        fnDone((data.bStereo ? 4 : 2) * nGot);
    }
}

// A plain 8/16-bit WAV file's run that keeps its channels goes through the
// pool's sample converter from the run's first frame: the same words as the
// decoder's, at the converter's speed. Its header is read again through the
// handle the data comes from.
void WritePlainRun(const CDataPlan& data, const CZoneFile& file, CFile& out, std::uint64_t nLeftAt,
                   const std::function<void(std::uint64_t)>& fnDone)
{
    CFile wav(data.audio.strPath, CFile::modeRead);
    const std::string& strFull = wav.GetFilePath();
    WAVINFO now;
    ReadWavHeaderFrom(wav, now);
    if (FileStampOf(wav) != file.stamp || !SameHeaderFacts(file.info, now))
        throw CFileException(CFileException::fileChanged, strFull);
    WAVINFO run = file.info;
    const std::uint64_t nFrameBytes = WavFrameBytes(file.info);
    run.nDataOffset = static_cast<std::int32_t>(
        static_cast<std::uint64_t>(static_cast<std::uint32_t>(file.info.nDataOffset)) +
        data.nFirstFrame * nFrameBytes);
    ConvertSampleData(wav, run, data.nFrames * nFrameBytes, out, nLeftAt, fnDone);
    if (FileStampOf(wav) != file.stamp)
        throw CFileException(CFileException::fileChanged, strFull);
}

// One run's words from its file, read only while the file is the one
// planned; the frames before the run are read and dropped (constant memory).
void WriteFileRun(const CDataPlan& data, const CZoneFile& file, CFile& out, std::uint64_t nLeftAt,
                  const std::function<void(std::uint64_t)>& fnDone)
{
    const std::string& strPath = data.audio.strPath;
    const std::string strFull = CFile::FullPath(strPath);
    if (FileStampOf(strPath) != file.stamp)
        throw CFileException(CFileException::fileChanged, strFull);
    CAudioDecoder decoder(strPath, file.info, file.options);
    const std::size_t nChannels = static_cast<std::size_t>(data.nSourceChannels);
    std::vector<std::int16_t> anSkip(kBlockFrames * nChannels);
    for (std::uint64_t nSkip = data.nFirstFrame; nSkip > 0;)
    {
        const std::size_t n = decoder.Read(
            anSkip.data(), static_cast<std::size_t>(std::min<std::uint64_t>(nSkip, kBlockFrames)));
        if (n == 0)
            throw CFileException(CFileException::endOfFile, strFull);
        nSkip -= n;
    }
    WriteRun(
        data, [&](std::int16_t* p, std::size_t n) { return decoder.Read(p, n); }, strFull, out,
        nLeftAt, fnDone);
    if (FileStampOf(strPath) != file.stamp)
        throw CFileException(CFileException::fileChanged, strFull);
}

void WriteMemoryRun(const CDataPlan& data, CFile& out, std::uint64_t nLeftAt,
                    const std::function<void(std::uint64_t)>& fnDone)
{
    const std::vector<std::int16_t>& an = *data.audio.pData;
    const std::size_t nChannels = static_cast<std::size_t>(data.nSourceChannels);
    std::size_t nAt = static_cast<std::size_t>(data.nFirstFrame) * nChannels;
    const auto read = [&](std::int16_t* p, std::size_t nFrames)
    {
        const std::size_t nWords = std::min(nFrames * nChannels, an.size() - nAt);
        std::copy_n(an.begin() + static_cast<std::ptrdiff_t>(nAt), nWords, p);
        nAt += nWords;
        return nWords / nChannels;
    };
    WriteRun(data, read, data.audio.strPath, out, nLeftAt, fnDone);
}

} // namespace

CInstrumentInputs ReadInstrumentInputs(const std::vector<CInstrument>& aInstruments,
                                       const CAudioOptions& audio, std::vector<std::string>& aNotes)
{
    CInstrumentInputs inputs;
    std::map<std::string, std::pair<bool, double>> aRead; // usable, frame scale
    for (const CInstrument& instrument : aInstruments)
    {
        std::vector<CZoneSource>& aSources = inputs.aSources.emplace_back();
        for (const CZone& zone : instrument.aZones)
        {
            if (zone.audio.strPath.empty())
            {
                aSources.push_back(zone.audio.pData ? MemorySource(zone.audio) : CZoneSource{});
                continue;
            }
            auto it = aRead.find(zone.audio.strPath);
            if (it == aRead.end())
            {
                CZoneFile file;
                double dScale = 1.0;
                const bool bUsable = ReadZoneFile(zone.audio.strPath, audio, file, dScale, aNotes);
                if (bUsable)
                    inputs.aFiles.emplace(zone.audio.strPath, file);
                it = aRead.emplace(zone.audio.strPath, std::make_pair(bUsable, dScale)).first;
            }
            CZoneSource source;
            if (it->second.first)
            {
                const WAVINFO& info = inputs.aFiles.at(zone.audio.strPath).info;
                source.bUsable = true;
                source.nChannels = info.nChannels;
                source.nRate = info.nSamplesPerSec;
                source.nFrames = info.nFrames;
                source.dFrameScale = it->second.second;
            }
            aSources.push_back(source);
        }
    }
    return inputs;
}

KrzBuildSummary WriteInstrumentKrz(const CLibraryFilePlan& plan, const CInstrumentInputs& inputs,
                                   TemplateBytes& abTemplate, CFile& out, CFeedback& feedback)
{
    KrzBuildSummary summary;
    out.Write(abTemplate.data() + kFileHeader.nOffset, kFileHeader.nLength);
    feedback.ProgressSetRange(0, kBuildProgressRange);
    feedback.ProgressSetPos(0);
    feedback.ProgressSetStep(1);
    for (const CSamplePlan& sample : plan.aSamples)
    {
        WriteSample(sample, plan.aData[sample.nData], abTemplate, out);
        ++summary.nSamples;
    }
    for (const CInstrumentPlan& instrument : plan.aInstruments)
    {
        const std::vector<std::uint8_t> abKeymap =
            BuildInstrumentKeymap(instrument.nNumber, instrument.strName, instrument.keymap);
        out.Write(abKeymap.data(), abKeymap.size());
        ++summary.nKeymaps;
        WriteProgram(instrument, abTemplate, out);
        ++summary.nPrograms;
    }
    const std::uint8_t abEndMark[kEndMarkSize] = {0, 0, 0, 0};
    out.Write(abEndMark, sizeof abEndMark);
    const std::uint64_t nObjectBytes = out.GetPosition();
    std::uint8_t abOffset[4];
    bo::StoreBE32(abOffset, static_cast<std::uint32_t>(nObjectBytes));
    out.Seek(kHdrDataOffset, CFile::begin);
    out.Write(abOffset, sizeof abOffset);

    std::uint64_t nDone = 0;
    const auto fnDone = [&](std::uint64_t nBytes)
    {
        nDone += nBytes;
        feedback.ProgressSetPos(static_cast<int>(nDone * kBuildProgressRange /
                                                 std::max<std::uint64_t>(1, plan.nDataBytes)));
    };
    for (const CDataPlan& data : plan.aData)
    {
        const std::uint64_t nAt = nObjectBytes + 2 * data.nWordAt;
        if (data.audio.strPath.empty())
        {
            WriteMemoryRun(data, out, nAt, fnDone);
            continue;
        }
        feedback.SetStatusText("Working on " + data.audio.strPath);
        const CZoneFile& file = inputs.aFiles.at(data.audio.strPath);
        if (!file.info.bDecoded && (data.nSourceChannels == 2 || !data.bStereo))
            WritePlainRun(data, file, out, nAt, fnDone);
        else
            WriteFileRun(data, file, out, nAt, fnDone);
    }
    feedback.ProgressSetPos(kBuildProgressRange);
    summary.nBytes = nObjectBytes + plan.nDataBytes;
    return summary;
}
