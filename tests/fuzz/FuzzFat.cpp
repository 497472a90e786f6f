// The "fat" target: copying a file into a disk image through CFatVolume.
#include "CFatVolume.h"
#include "CFeedback.h"
#include "CFile.h"
#include "CImageIO.h"
#include "FuzzTargets.h"

#include <vector>

namespace
{

void Check(bool bCondition, const std::string& strWhat)
{
    if (!bCondition)
        throw fuzz::CFuzzFailure("fat: " + strWhat);
}

constexpr std::size_t kSourceSizes[4] = {0, 1, 700, 3000};

// The source file, made once per size in the scratch folder.
std::string SourceFile(std::size_t nSize)
{
    const std::string strPath = fuzz::ScratchDir() + "/SRC" + std::to_string(nSize) + ".KRZ";
    CFile file;
    if (!file.Open(strPath, CFile::modeRead))
    {
        const std::vector<std::uint8_t> ab(nSize, 0x5A);
        CFile out(strPath, CFile::modeCreate | CFile::modeWrite);
        if (nSize != 0)
            out.Write(ab.data(), ab.size());
        out.Close();
    }
    return strPath;
}

} // namespace

namespace fuzz
{

int FuzzFatPut(const std::uint8_t* pData, std::size_t nSize)
{
    if (nSize < 1)
        return 0;
    const std::uint8_t nPlan = pData[0];
    const bool bReplace = (nPlan & 1) != 0;
    const std::vector<std::string> aFolder =
        (nPlan & 2) ? std::vector<std::string>{"SUB", "DEEP"} : std::vector<std::string>{};
    const std::vector<SPutFile> aFiles = {{SourceFile(kSourceSizes[(nPlan >> 2) & 3]), "A.KRZ"}};
    const std::vector<std::uint8_t> abBefore(pData + 1, pData + nSize);
    std::vector<std::uint8_t> abImage = abBefore;
    CMemoryImageIO io(abImage);
    CNullFeedback feedback;
    std::uint32_t nFreeBefore = 0;
    try
    {
        CFatVolume volume(io);
        nFreeBefore = volume.FreeClusters();
        volume.PutFiles(aFiles, aFolder, bReplace, feedback);
    }
    catch (const CDiskImageRefusal&)
    {
        Check(abImage == abBefore, "a refusal changed the image");
        return 0;
    }
    // What was written is a volume that reads again, with no more room
    // than before unless a replaced file's clusters were freed.
    try
    {
        CFatVolume again(io);
        Check(bReplace || again.FreeClusters() <= nFreeBefore, "free clusters grew");
    }
    catch (const CDiskImageRefusal& e)
    {
        Check(false, std::string("the volume written is refused: ") + e.what());
    }
    return 0;
}

} // namespace fuzz
