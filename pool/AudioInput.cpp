#include "AudioInput.h"

#include "ByteOrder.h"
#include "CFile.h"
#include "FileMetadata.h"
#include "RootKey.h"
#include "WavReader.h"

#ifndef DORVANE_NO_AUDIO_LIBS
#include "SndfileOpen.h"

#include <sndfile.h>
#include <soxr.h>
#endif

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <vector>

namespace
{

const std::string kBadTail = "File is bad or non-existing...";

std::string Head(const std::string& strPath)
{
    return "Error in file: " + strPath + "\n";
}

// A refusal of ReadWavHeader that the converting reader may overcome: the
// bit depth, the format tag, or a file that is not RIFF/WAVE at all.
bool ConvertibleRefusal(WavRefusal refusal)
{
    return refusal == WavRefusal::BitDepth || refusal == WavRefusal::FormatTag ||
           refusal == WavRefusal::NotRiffWave;
}

std::uint64_t FileLength(const std::string& strPath)
{
    CFile file;
    return file.Open(strPath, CFile::modeRead) ? file.GetLength() : 0;
}

#ifndef DORVANE_NO_AUDIO_LIBS
std::string SndfileName(int nFormat)
{
    SF_FORMAT_INFO fi{};
    fi.format = nFormat;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &fi, sizeof fi) == 0 && fi.name != nullptr)
        return fi.name;
    return "audio";
}

// "24-bit Stereo PCM WAV", "32-bit Mono Float AIFF", "16-bit Stereo FLAC".
std::string Describe(const SF_INFO& sfinfo)
{
    const int nMajor = sfinfo.format & SF_FORMAT_TYPEMASK;
    const int nSub = sfinfo.format & SF_FORMAT_SUBMASK;
    const std::string strChannels = sfinfo.channels == 1 ? "Mono" : "Stereo";
    std::string strContainer;
    switch (nMajor)
    {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
        strContainer = "WAV";
        break;
    case SF_FORMAT_AIFF:
        strContainer = "AIFF";
        break;
    case SF_FORMAT_FLAC:
        strContainer = "FLAC";
        break;
    default:
        strContainer = SndfileName(nMajor);
        break;
    }
    std::string strBits;
    std::string strKind = "PCM";
    switch (nSub)
    {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
        strBits = "8-bit ";
        break;
    case SF_FORMAT_PCM_16:
        strBits = "16-bit ";
        break;
    case SF_FORMAT_PCM_24:
        strBits = "24-bit ";
        break;
    case SF_FORMAT_PCM_32:
        strBits = "32-bit ";
        break;
    case SF_FORMAT_FLOAT:
        strBits = "32-bit ";
        strKind = "Float";
        break;
    case SF_FORMAT_DOUBLE:
        strBits = "64-bit ";
        strKind = "Float";
        break;
    default:
        strKind = SndfileName(nSub);
        break;
    }
    if (nMajor == SF_FORMAT_FLAC)
        return strBits + strChannels + " " + strContainer;
    return strBits + strChannels + " " + strKind + " " + strContainer;
}

#endif // DORVANE_NO_AUDIO_LIBS

std::string TypeText(const std::string& strWhat, bool bConverted, int nInRate, int nOutRate,
                     std::uint64_t nFrames)
{
    std::string str = strWhat + (bConverted ? ", converted, " : ", resampled, ") +
                      std::to_string(nOutRate) + " Hz";
    if (nOutRate != nInRate)
        str += " (from " + std::to_string(nInRate) + " Hz)";
    return str + ", " + std::to_string(nFrames) + " frames";
}

// Fills the fields that describe the decoder's output.
void SetDecoded(WAVINFO& info, int nChannels, int nInRate, const CAudioOptions& options,
                std::uint64_t nInFrames)
{
    info.bDecoded = true;
    info.nChannels = nChannels;
    info.nBitsPerSample = 16;
    info.nFormatTag = 1;
    info.nBlockAlign = 2 * nChannels;
    info.nSamplesPerSec = NeedsResampling(nInRate, options) ? options.nMaxRate : nInRate;
    info.nFrames = std::min(ResampledFrames(nInFrames, nInRate, info.nSamplesPerSec),
                            MaxDecodedFrames(nChannels));
    info.nDataOffset = 0;
    info.nDataSize = static_cast<std::int32_t>(
        static_cast<std::uint32_t>(info.nFrames * static_cast<std::uint64_t>(info.nBlockAlign)));
    info.nRiffSize = 0;
}

// The file's loop and root key, the loop scaled to the output frames.
void SetMetadata(const std::string& strPath, WAVINFO& info, int nInRate, std::uint64_t nInFrames)
{
    const CFileMetadata metadata = ReadFileMetadata(strPath);
    info.nFileRootKey = metadata.nRootKey;
    info.bMetadataIgnored = metadata.bDamaged;
    if (!metadata.bHasLoop || info.nFrames == 0)
        return;
    if (!LoopFits(metadata, nInFrames))
    {
        info.bLoopIgnored = true;
        return;
    }
    const int nOutRate = info.nSamplesPerSec;
    std::uint64_t nStart = ResampledFrames(metadata.nLoopStart, nInRate, nOutRate);
    std::uint64_t nEnd = ResampledFrames(metadata.nLoopEnd + 1, nInRate, nOutRate);
    nEnd = nEnd > 0 ? nEnd - 1 : 0;
    // Rounding may put a loop of a frame or two past its end or before its
    // start; it stays within the output and at least one frame long.
    nStart = std::min(nStart, info.nFrames - 1);
    nEnd = std::clamp(nEnd, nStart, info.nFrames - 1);
    info.bHasLoop = true;
    info.nLoopStart = nStart;
    info.nLoopEnd = nEnd;
}

#ifndef DORVANE_NO_AUDIO_LIBS
// The libsndfile path of ReadAudioHeader; returns the message tail of a
// refusal, empty for a usable file.
std::string ReadWithLibrary(const std::string& strPath, WAVINFO& info, const CAudioOptions& options,
                            std::uint64_t& nInFrames, int& nInRate)
{
    SF_INFO sfinfo;
    const CSndfileHandle pFile = OpenSndfile(strPath, sfinfo);
    if (!pFile || sfinfo.channels <= 0)
        return kBadTail;
    // The library makes an AIFF rate of 0 (or below 1) 1 Hz: the rate as
    // stored is judged.
    const std::uint64_t nRate = pFile.Layout().nAiffRate.value_or(
        static_cast<std::uint64_t>(std::max(sfinfo.samplerate, 0)));
    if (const std::string strRate = SampleRateRefusal(nRate); !strRate.empty())
        return strRate;
    if (sfinfo.channels > 2)
        return std::to_string(sfinfo.channels) + "-track files are currently not supported.";
    if (sfinfo.frames <= 0)
        return kBadTail;
    nInFrames = static_cast<std::uint64_t>(sfinfo.frames);
    nInRate = sfinfo.samplerate;
    info = WAVINFO{};
    SetDecoded(info, sfinfo.channels, sfinfo.samplerate, options, nInFrames);
    if (info.nFrames == 0)
        return kBadTail;
    info.strTypeText =
        TypeText(Describe(sfinfo), true, sfinfo.samplerate, info.nSamplesPerSec, info.nFrames);
    return {};
}

#endif // DORVANE_NO_AUDIO_LIBS

} // namespace

std::uint64_t MaxDecodedFrames(int nChannels)
{
    return kMaxWavDataBytes / (2u * static_cast<std::uint64_t>(nChannels == 1 ? 1 : 2));
}

std::uint64_t ResampledFrames(std::uint64_t nInFrames, int nInRate, int nOutRate)
{
    if (nInRate <= 0 || nOutRate <= 0 || nInRate == nOutRate)
        return nInFrames;
    const unsigned __int128 nScaled =
        static_cast<unsigned __int128>(nInFrames) * static_cast<unsigned>(nOutRate);
    const auto nIn = static_cast<unsigned>(nInRate);
    return static_cast<std::uint64_t>((nScaled + nIn / 2) / nIn);
}

bool NeedsResampling(int nRate, const CAudioOptions& options)
{
    return options.nMaxRate > 0 && nRate > options.nMaxRate;
}

COutcome ReadAudioHeader(const std::string& strPath, WAVINFO& info, const CAudioOptions& options)
{
    const auto Refusal = [&](const std::string& strText) {
        COutcome outcome;
        outcome.Refuse({strText, kWavInfoCaption, MessageIcon::None, strPath});
        return outcome;
    };
    WavRefusal refusal = WavRefusal::None;
    const COutcome plain = ReadWavHeader(strPath, info, &refusal);
    if (plain.IsOk())
    {
        const std::uint64_t nInFrames =
            UsableDataBytes(info, FileLength(strPath)) / WavFrameBytes(info);
        info.nFrames = nInFrames;
        const int nInRate = info.nSamplesPerSec;
        if (NeedsResampling(nInRate, options) && !kAudioLibrariesBuilt)
        {
            info = WAVINFO{};
            return Refusal(Head(strPath) + std::to_string(nInRate) +
                           " Hz is above the rate limit, and this build cannot resample.");
        }
        if (NeedsResampling(nInRate, options))
        {
            const std::string strWhat = std::to_string(info.nBitsPerSample) + "-bit " +
                                        (info.nChannels == 1 ? "Mono" : "Stereo") + " PCM WAV";
            SetDecoded(info, info.nChannels, nInRate, options, nInFrames);
            if (info.nFrames == 0)
            {
                info = WAVINFO{};
                return Refusal(Head(strPath) + kBadTail);
            }
            info.strTypeText = TypeText(strWhat, false, nInRate, info.nSamplesPerSec, info.nFrames);
        }
        if (options.bFileMetadata)
            SetMetadata(strPath, info, nInRate, nInFrames);
        return {};
    }

    if (!kAudioLibrariesBuilt || !options.bConvert || !ConvertibleRefusal(refusal))
    {
        // With conversion on, the hint to turn it on is no help.
        std::string strText = plain.Text();
        const std::string strHint = std::string("\n") + kConvertHint;
        if (options.bConvert && strText.ends_with(strHint))
            strText.resize(strText.size() - strHint.size());
        return Refusal(strText);
    }
#ifndef DORVANE_NO_AUDIO_LIBS
    std::uint64_t nInFrames = 0;
    int nInRate = 0;
    WAVINFO decoded;
    const std::string strTail = ReadWithLibrary(strPath, decoded, options, nInFrames, nInRate);
    if (!strTail.empty())
    {
        info.bValid = false;
        return Refusal(Head(strPath) + strTail);
    }
    info = decoded;
    info.bValid = true;
    if (options.bFileMetadata)
        SetMetadata(strPath, info, nInRate, nInFrames);
    return {};
#else
    return plain;
#endif
}

bool NeedsAudioLibraries(const std::string& strPath, const CAudioOptions& options)
{
    WAVINFO info;
    WavRefusal refusal = WavRefusal::None;
    if (ReadWavHeader(strPath, info, &refusal).IsOk())
        return NeedsResampling(info.nSamplesPerSec, options);
    return options.bConvert && ConvertibleRefusal(refusal);
}

std::string MetadataIgnoredText(const std::string& strName)
{
    return "the markers or instrument stored in " + strName + " cannot be read and are ignored";
}

int RootKeyForNewEntry(const WAVINFO& info, const std::string& strTitle,
                       const CAudioOptions& options)
{
    if (!options.bFileMetadata)
        return kDefaultRootKey;
    if (info.nFileRootKey >= 0)
        return RootKeyFromMidiNote(info.nFileRootKey);
    return RootKeyFromTitle(strTitle).value_or(kDefaultRootKey);
}
