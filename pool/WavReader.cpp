#include "WavReader.h"

#include "AudioChunkLayout.h"
#include "ByteOrder.h"
#include "CByteCursor.h"
#include "CFile.h"
#include "RiffChunks.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <limits>

namespace
{

bool ReadWord(CFile& file, std::uint8_t (&ab)[4])
{
    return file.Read(ab, 4) == 4;
}

// Looks for the word "fmt " on the 4-byte grid that starts at the current
// position, regardless of chunk boundaries; leaves the file just past it.
// Reads in blocks, since a file without the word is read to its end.
bool FindFmtWord(CFile& file)
{
    std::array<std::uint8_t, 4096> abBuf{};
    std::uint64_t nPos = file.GetPosition();
    for (;;)
    {
        const std::size_t nGot = file.Read(abBuf.data(), abBuf.size());
        for (std::size_t i = 0; i + 4 <= nGot; i += 4)
        {
            if (IsChunkTag(&abBuf[i], "fmt "))
            {
                file.Seek(static_cast<std::int64_t>(nPos + i + 4), CFile::begin);
                return true;
            }
        }
        if (nGot < abBuf.size())
            return false;
        nPos += nGot;
    }
}

enum class Verdict
{
    Good,
    NotRiffWave,
    Bad,
};

// Steps of the header read that can find the file bad; fills info.
Verdict ReadHeader(CFile& file, WAVINFO& info)
{
    file.SeekToBegin();
    std::uint8_t ab[4];
    if (!ReadWord(file, ab) || !IsChunkTag(ab, "RIFF"))
        return Verdict::NotRiffWave;
    if (!ReadWord(file, ab))
        return Verdict::NotRiffWave;
    info.nRiffSize = static_cast<std::int32_t>(bo::LoadLE32(ab));
    if (!ReadWord(file, ab) || !IsChunkTag(ab, "WAVE"))
        return Verdict::NotRiffWave;
    if (!FindFmtWord(file))
        return Verdict::Bad;

    // The chunk's size (unused), then its fields.
    std::uint8_t abFmt[4 + kFmtFieldsSize];
    if (file.Read(abFmt, sizeof abFmt) != sizeof abFmt)
        return Verdict::Bad;
    const CByteCursor fmt = CByteCursor(abFmt, sizeof abFmt).From(4);
    info.nFormatTag = fmt.At(kFmtFormatTag).LE16();
    info.nChannels = fmt.At(kFmtChannels).LE16();
    info.nSamplesPerSec = static_cast<std::int32_t>(fmt.At(kFmtRate).LE32());
    info.nBlockAlign = fmt.At(kFmtBlockAlign).LE16();
    info.nBitsPerSample = fmt.At(kFmtBits).LE16();

    // Walk the chunks from offset 12 to the data chunk. Chunk sizes are
    // taken unsigned, so every step moves forward by at least 8 bytes. The RIFF size does not
    // end the walk: writers that could not seek back leave it at 0 or at its
    // maximum, and where it runs out before the data chunk the next 4 bytes
    // are a chunk's size, not a data size. The walk goes on to the data
    // chunk or the end of the file; a file without a data chunk is bad.
    const std::uint64_t nLength = file.GetLength();
    file.Seek(kFormHeaderSize, CFile::begin);
    std::uint8_t abId[4];
    if (!ReadWord(file, abId))
        return Verdict::Bad;
    int nChunks = 0;
    while (!IsChunkTag(abId, "data"))
    {
        if (!ReadWord(file, ab) || ++nChunks > kMaxWavChunks)
            return Verdict::Bad;
        const std::uint64_t nNext =
            NextChunkPos(file, file.GetPosition(), bo::LoadLE32(ab), nLength, false);
        if (nNext >= nLength) // points past the end: no next chunk to read
            return Verdict::Bad;
        file.Seek(static_cast<std::int64_t>(nNext), CFile::begin);
        if (!ReadWord(file, abId))
            return Verdict::Bad;
    }
    if (!ReadWord(file, ab))
        return Verdict::Bad;
    info.nDataSize = static_cast<std::int32_t>(bo::LoadLE32(ab));
    const std::uint64_t nOffset = file.GetPosition();
    if (nOffset > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
        return Verdict::Bad;
    info.nDataOffset = static_cast<std::int32_t>(nOffset);

    // Without one whole frame of sample data there is no sample: its end
    // word would lie before its start. The data is what the chunk declares
    // or what the file holds, whichever is less.
    const std::uint64_t nFrame = static_cast<std::uint64_t>(info.nChannels) *
                                 ((static_cast<std::uint64_t>(info.nBitsPerSample) + 7) / 8);
    const std::uint64_t nHeld =
        std::min<std::uint64_t>(static_cast<std::uint32_t>(info.nDataSize), nLength - nOffset);
    if (nFrame > 0 && nHeld < nFrame)
        return Verdict::Bad;
    return Verdict::Good;
}

// The refusal that applies to a header ReadHeader judged; strReason is
// the system's reason for an unreadable file.
WavRefusal Judge(CFile& file, WAVINFO& info, std::string& strReason)
{
    Verdict verdict = Verdict::Bad;
    try
    {
        verdict = ReadHeader(file, info);
    }
    catch (const CFileException& e)
    {
        // A read the system refused: the file cannot be read. One that ran
        // out, or a seek on something that is no file (a pipe), is bad.
        if (e.m_lOsError != 0 && e.m_lOsError != ESPIPE)
        {
            strReason = std::strerror(e.m_lOsError);
            return WavRefusal::Unreadable;
        }
        verdict = Verdict::Bad;
    }
    if (verdict != Verdict::Good)
        return verdict == Verdict::NotRiffWave ? WavRefusal::NotRiffWave : WavRefusal::Bad;
    if (!SampleRateRefusal(static_cast<std::uint32_t>(info.nSamplesPerSec)).empty())
        return WavRefusal::Rate;
    if (info.nBitsPerSample != 8 && info.nBitsPerSample != 16)
        return WavRefusal::BitDepth;
    if (info.nChannels != 1 && info.nChannels != 2)
        return WavRefusal::Channels;
    if (info.nFormatTag != 1)
        return WavRefusal::FormatTag;
    return WavRefusal::None;
}

// The refusal of a file that cannot be opened: none there, a folder, or
// one the system does not let be read.
WavRefusal OpenRefusal(const CFileException& error, std::string& strReason)
{
    switch (error.m_lOsError)
    {
    case ENOENT:
    case ENOTDIR:
        return WavRefusal::Missing;
    case EISDIR:
        return WavRefusal::Folder;
    default:
        strReason = std::strerror(error.m_lOsError);
        return WavRefusal::Unreadable;
    }
}

// The kind of audio file that is no WAV file but that the converting
// reader takes, with its article ("an AIFF", "a FLAC"), or empty.
std::string OtherAudioKind(CFile& file)
{
    std::uint8_t ab[12] = {};
    try
    {
        file.SeekToBegin();
        if (file.Read(ab, sizeof ab) != sizeof ab)
            return {};
    }
    catch (const CFileException&)
    {
        return {};
    }
    if (IsChunkTag(ab, "FORM") && (IsChunkTag(ab + 8, "AIFF") || IsChunkTag(ab + 8, "AIFC")))
        return "an AIFF";
    if (IsChunkTag(ab, "fLaC"))
        return "a FLAC";
    return {};
}

std::string RefusalTail(WavRefusal refusal, const WAVINFO& info, const std::string& strReason)
{
    switch (refusal)
    {
    case WavRefusal::None:
        break;
    case WavRefusal::Missing:
        return "The file was not found.";
    case WavRefusal::Folder:
        return "This is a folder, not a file.";
    case WavRefusal::Unreadable:
        return "The file cannot be read: " + strReason + ".";
    case WavRefusal::NotRiffWave:
    case WavRefusal::Bad:
        return "File is bad or non-existing...";
    case WavRefusal::Rate:
        return SampleRateRefusal(static_cast<std::uint32_t>(info.nSamplesPerSec));
    case WavRefusal::BitDepth:
        return std::to_string(info.nBitsPerSample) + "-bit files are currently not supported.\n" +
               kConvertHint;
    case WavRefusal::Channels:
        return std::to_string(info.nChannels) + "-track files are currently not supported.";
    case WavRefusal::FormatTag:
        return std::string("Only PCM wav-files are supported.\n") + kConvertHint;
    }
    return {};
}

} // namespace

WavRefusal ReadWavHeaderFrom(CFile& file, WAVINFO& info)
{
    info = WAVINFO{};
    std::string strReason;
    const WavRefusal refusal = Judge(file, info, strReason);
    info.bValid = refusal == WavRefusal::None;
    return refusal;
}

COutcome ReadWavHeader(const std::string& strPath, WAVINFO& info, WavRefusal* pRefusal)
{
    info = WAVINFO{};
    std::string strReason;
    WavRefusal refusal = WavRefusal::None;
    CFile file;
    CFileException error;
    if (!file.Open(strPath, CFile::modeRead, &error))
        refusal = OpenRefusal(error, strReason);
    else
        refusal = Judge(file, info, strReason);
    if (pRefusal != nullptr)
        *pRefusal = refusal;

    info.bValid = refusal == WavRefusal::None;
    if (info.bValid)
        return {};
    std::string strTail = RefusalTail(refusal, info, strReason);
    // An AIFF or FLAC file is no bad WAV file: say what it is and what reads it.
    if (const std::string strKind =
            refusal == WavRefusal::NotRiffWave ? OtherAudioKind(file) : std::string();
        !strKind.empty())
        strTail = "This is " + strKind + " file, not a WAV file.\n" + kConvertHint;
    COutcome outcome;
    outcome.Refuse({"Error in file: " + strPath + "\n" + strTail, kWavInfoCaption,
                    MessageIcon::None, strPath});
    return outcome;
}

std::string SampleRateRefusal(std::uint64_t nRate)
{
    const std::string strRate = "The sample rate " + std::to_string(nRate) + " Hz";
    if (nRate == 0)
        return strRate + " cannot be written: a sample header holds no rate of 0.";
    if (nRate > kMaxSampleRate)
        return strRate + " cannot be written: its period in whole nanoseconds is 0, and a " +
               "sample header holds rates up to " + std::to_string(kMaxSampleRate) + " Hz.";
    return {};
}

std::string WavTypeText(const WAVINFO& info)
{
    if (!info.bValid)
        return "UNSUPPORTED FILETYPE !!!";
    std::string str = std::to_string(info.nBitsPerSample) + "-bit ";
    if (info.nChannels == 1)
        str += "Mono PCM";
    else if (info.nChannels == 2)
        str += "Stereo PCM";
    str += ", " + std::to_string(info.nSamplesPerSec) + " Hz, " +
           std::to_string(static_cast<std::uint32_t>(info.nDataSize)) + " Bytes";
    return str;
}

std::uint64_t WavFrameBytes(const WAVINFO& info)
{
    const std::uint64_t nChannels = info.nChannels == 1 ? 1 : 2;
    return nChannels * (info.nBitsPerSample == 8 ? 1 : 2);
}

std::uint64_t UsableDataBytes(const WAVINFO& info, std::uint64_t nFileLength)
{
    const auto nOffset = static_cast<std::uint64_t>(static_cast<std::uint32_t>(info.nDataOffset));
    const std::uint64_t nHeld = nFileLength > nOffset ? nFileLength - nOffset : 0;
    const std::uint64_t nDeclared = static_cast<std::uint32_t>(info.nDataSize);
    const std::uint64_t nBytes = std::min({nHeld, nDeclared, kMaxWavDataBytes});
    return nBytes - nBytes % WavFrameBytes(info);
}
