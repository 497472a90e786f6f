#include "SampleConverter.h"

#include "CFile.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace
{

// Input block size: a multiple of every frame size (1, 2, 4 bytes). Chosen
// by measurement; the buffers below are the conversion's whole memory.
constexpr std::size_t kBlock = 64 * 1024;

std::uint64_t FrameBytes(const WAVINFO& info)
{
    const std::uint64_t nChannels = info.nChannels == 1 ? 1 : 2;
    return nChannels * (info.nBitsPerSample == 8 ? 1 : 2);
}

// Removes a file when the scope ends, whatever way it ends.
class CRemoveOnExit
{
  public:
    explicit CRemoveOnExit(std::string strPath) : m_strPath(std::move(strPath)) {}
    ~CRemoveOnExit() { CFile::RemoveQuietly(m_strPath); }
    CRemoveOnExit(const CRemoveOnExit&) = delete;
    CRemoveOnExit& operator=(const CRemoveOnExit&) = delete;

  private:
    std::string m_strPath;
};

} // namespace

std::uint64_t UsableDataBytes(const WAVINFO& info, std::uint64_t nFileLength)
{
    const auto nOffset = static_cast<std::uint64_t>(static_cast<std::uint32_t>(info.nDataOffset));
    const std::uint64_t nHeld = nFileLength > nOffset ? nFileLength - nOffset : 0;
    const std::uint64_t nDeclared = static_cast<std::uint32_t>(info.nDataSize);
    const std::uint64_t nBytes = std::min(nHeld, nDeclared);
    const std::uint64_t nFrame = FrameBytes(info);
    return nBytes - nBytes % nFrame;
}

std::uint64_t ChannelBytes(const WAVINFO& info, std::uint64_t nUsableBytes)
{
    const bool bMono = info.nChannels == 1;
    const bool b8Bit = info.nBitsPerSample == 8;
    if (bMono)
        return b8Bit ? 2 * nUsableBytes : nUsableBytes;
    return b8Bit ? 2 * (nUsableBytes / 2) : nUsableBytes / 2;
}

void ConvertSampleData(CFile& wav, const WAVINFO& info, std::uint64_t nUsableBytes,
                       CFile& sampleData, const std::string& strRightTempPath)
{
    const bool bMono = info.nChannels == 1;
    const bool b8Bit = info.nBitsPerSample == 8;

    std::vector<std::uint8_t> abIn(kBlock);
    std::vector<std::uint8_t> abLeft(2 * kBlock); // 8-bit mono doubles the block
    std::vector<std::uint8_t> abRight(bMono ? 0 : kBlock);

    // Declared before the file, so that the file is closed before it is removed.
    std::unique_ptr<CRemoveOnExit> pRemoveRight;
    CFile right;
    if (!bMono)
    {
        pRemoveRight = std::make_unique<CRemoveOnExit>(strRightTempPath);
        right = CFile(strRightTempPath, CFile::modeCreate | CFile::modeReadWrite);
    }

    wav.Seek(static_cast<std::uint32_t>(info.nDataOffset), CFile::begin);
    std::uint64_t nLeft = nUsableBytes;
    while (nLeft > 0)
    {
        const std::size_t nWant = static_cast<std::size_t>(std::min<std::uint64_t>(nLeft, kBlock));
        const std::size_t nGot = wav.Read(abIn.data(), nWant);
        if (nGot < nWant) // the file shrank since its size was taken
            throw CFileException(CFileException::endOfFile, wav.GetFilePath());
        nLeft -= nGot;

        const std::uint8_t* p = abIn.data();
        std::uint8_t* pL = abLeft.data();
        std::uint8_t* pR = abRight.data();
        if (bMono && !b8Bit)
        {
            for (std::size_t i = 0; i < nGot; i += 2, pL += 2)
            {
                pL[0] = p[i + 1];
                pL[1] = p[i];
            }
        }
        else if (bMono)
        {
            for (std::size_t i = 0; i < nGot; ++i, pL += 2)
            {
                pL[0] = static_cast<std::uint8_t>(p[i] ^ 0x80);
                pL[1] = 0;
            }
        }
        else if (!b8Bit)
        {
            for (std::size_t i = 0; i < nGot; i += 4, pL += 2, pR += 2)
            {
                pL[0] = p[i + 1];
                pL[1] = p[i];
                pR[0] = p[i + 3];
                pR[1] = p[i + 2];
            }
        }
        else
        {
            for (std::size_t i = 0; i < nGot; i += 2, pL += 2, pR += 2)
            {
                pL[0] = static_cast<std::uint8_t>(p[i] ^ 0x80);
                pL[1] = 0;
                pR[0] = static_cast<std::uint8_t>(p[i + 1] ^ 0x80);
                pR[1] = 0;
            }
        }
        sampleData.Write(abLeft.data(), static_cast<std::size_t>(pL - abLeft.data()));
        if (!bMono)
            right.Write(abRight.data(), static_cast<std::size_t>(pR - abRight.data()));
    }

    if (!bMono)
    {
        // Append the parked right channel behind the left one.
        right.SeekToBegin();
        for (;;)
        {
            const std::size_t nGot = right.Read(abLeft.data(), abLeft.size());
            sampleData.Write(abLeft.data(), nGot);
            if (nGot < abLeft.size())
                break;
        }
        right.Close();
    }
}
