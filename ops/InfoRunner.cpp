#include "InfoRunner.h"

#include "CFileException.h"
#include "ImageKrzFiles.h"
#include "KrzReader.h"

namespace
{

// The KRZ files of a disk image, a line each (path, size), then what each
// holds; whether every file was read and passes its checks.
bool FormatImageInfo(const std::string& strPath, CImageKrzFiles& image, std::string& strText)
{
    bool bOk = image.Problems().empty();
    strText += "Disk image " + strPath + ", FAT" + std::to_string(image.FatBits()) + ", " +
               std::to_string(image.Files().size()) + " KRZ file(s)\n";
    for (const SFatFile& file : image.Files())
        strText += "  /" + file.strPath + "  " + std::to_string(file.nSize) + " bytes\n";
    for (const std::string& strProblem : image.Problems())
        strText += "  damaged: " + strProblem + "\n";
    for (const SFatFile& file : image.Files())
    {
        const std::string strLabel = strPath + ":/" + file.strPath;
        std::vector<std::uint8_t> ab;
        try
        {
            ab = image.Read(file);
        }
        catch (const CDiskImageRefusal& e)
        {
            strText += "\n" + strLabel + ": " + e.what() + "\n";
            bOk = false;
            continue;
        }
        KrzFileInfo info = ReadKrzData(ab.data(), ab.size());
        info.strPath = strLabel;
        strText += "\n" + FormatKrzFileInfo(info);
        bOk = bOk && info.IsValid();
    }
    return bOk;
}

// Adds the text of strPath when it is a disk image (or the refusal of an
// image that cannot be read); false when it is no disk image.
bool InfoOfImage(const std::string& strPath, std::string& strText, COutcome& outcome)
{
    if (StartsAsKrzFile(strPath))
        return false;
    std::string strRefusal;
    const std::unique_ptr<CImageKrzFiles> pImage = OpenKrzImage(strPath, strRefusal);
    if (pImage ? !FormatImageInfo(strPath, *pImage, strText) : !strRefusal.empty())
        outcome.Fail();
    if (!pImage && !strRefusal.empty())
        strText += "Disk image " + strPath + ": " + strRefusal + "\n";
    return pImage || !strRefusal.empty();
}

} // namespace

COutcome RunInfoFiles(const std::vector<std::string>& aFiles, std::string& strText)
{
    COutcome outcome;
    bool bFirst = true;
    for (const auto& strPath : aFiles)
    {
        if (!bFirst)
            strText += "\n";
        bFirst = false;
        try
        {
            if (InfoOfImage(strPath, strText, outcome))
                continue;
            const KrzFileInfo info = ReadKrzFile(strPath);
            strText += FormatKrzFileInfo(info);
            if (!info.IsValid())
                outcome.Fail();
        }
        catch (const CFileException& e)
        {
            outcome.Append(COutcome::FileError(e));
        }
    }
    return outcome;
}
