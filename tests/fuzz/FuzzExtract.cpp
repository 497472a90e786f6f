// The "extract" fuzz target: a KRZ file taken apart in memory, or a disk
// image (anything not starting as a KRZ file) whose files are each taken
// apart so.
#include "CFatVolume.h"
#include "CImageIO.h"
#include "ExtractNames.h"
#include "FatFiles.h"
#include "FuzzTargets.h"
#include "KrzExtract.h"

#include <cstring>
#include <set>

namespace
{

void Check(bool bCondition, const std::string& strWhat)
{
    if (!bCondition)
        throw fuzz::CFuzzFailure("extract: " + strWhat);
}

std::uint32_t LE32(const std::vector<std::uint8_t>& ab, std::size_t n)
{
    return ab[n] | (ab[n + 1] << 8) | (ab[n + 2] << 16) | (std::uint32_t{ab[n + 3]} << 24);
}

void CheckExtraction(const std::uint8_t* pData, std::size_t nSize);

// Every file the image's folders lead to: within the image, and taken
// apart as a KRZ file.
void CheckImage(const std::uint8_t* pData, std::size_t nSize)
{
    std::vector<std::uint8_t> abImage(pData, pData + nSize);
    CMemoryImageIO io(abImage);
    try
    {
        CFatVolume volume(io, true);
        const SFatListing listing = ListFatFiles(volume);
        for (const SFatFile& file : listing.aFiles)
        {
            try
            {
                const std::vector<std::uint8_t> ab = ReadFatFile(volume, file);
                Check(ab.size() == file.nSize && ab.size() <= nSize,
                      "a file larger than the image");
                CheckExtraction(ab.data(), ab.size());
            }
            catch (const CDiskImageRefusal&)
            {
            }
        }
    }
    catch (const CDiskImageRefusal&)
    {
    }
}

} // namespace

int fuzz::FuzzExtract(const std::uint8_t* pData, std::size_t nSize)
{
    if (nSize >= 4 && std::memcmp(pData, "PRAM", 4) != 0)
        CheckImage(pData, nSize);
    else
        CheckExtraction(pData, nSize);
    return 0;
}

namespace
{

void CheckExtraction(const std::uint8_t* pData, std::size_t nSize)
{
    const SExtraction ex = ExtractKrz(pData, nSize, "X.KRZ");
    Check(ex.aFiles.size() == ex.nWavs + ex.nSfzs + 1, "files other than WAVs, SFZs, report");
    Check(ex.aFiles.back().strName == kExtractReportName, "the report is not last");
    std::set<std::string> aNames;
    for (std::size_t i = 0; i < ex.aFiles.size(); ++i)
    {
        const SExtractedFile& file = ex.aFiles[i];
        Check(SafeFileName(file.strName, "-") == file.strName, "an unsafe name: " + file.strName);
        Check(aNames.insert(file.strName).second, "two files named " + file.strName);
        if (i >= ex.nWavs)
            continue;
        // RIFF size, fmt, then data: the words come from the file's bytes.
        std::vector<std::uint8_t> ab;
        ExtractedBytes(file, ab);
        Check(ab.size() >= 44 && LE32(ab, 4) + 8 == ab.size(), "a WAV whose RIFF size is wrong");
        Check(LE32(ab, 40) <= nSize, "a WAV with more data than the file holds");
    }
}

} // namespace
