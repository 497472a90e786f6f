// The "extract" fuzz target: a KRZ file taken apart in memory.
#include "ExtractNames.h"
#include "FuzzTargets.h"
#include "KrzExtract.h"

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

} // namespace

int fuzz::FuzzExtract(const std::uint8_t* pData, std::size_t nSize)
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
    return 0;
}
