#include "FatFiles.h"

#include "CFatVolume.h"
#include "CImageIO.h"
#include "FatLayout.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace
{

// "NAME.EXT" from an entry's 11-character name field, spaces dropped; a
// first byte 05 stands for E5.
std::string EntryName(const CByteCursor& entry)
{
    const auto ab = entry.At(kDirName).Bytes(kDirNameLength);
    std::string strBase(ab.begin(), ab.begin() + 8), strExt(ab.begin() + 8, ab.end());
    if (strBase[0] == 0x05)
        strBase[0] = static_cast<char>(kDirDeleted);
    strBase.erase(strBase.find_last_not_of(' ') + 1);
    strExt.erase(strExt.find_last_not_of(' ') + 1);
    return strExt.empty() ? strBase : strBase + "." + strExt;
}

struct SPendingFolder
{
    std::string strPath; // empty for the root
    std::uint32_t nFirstCluster = 0;
};

// Adds dir's files to listing and returns its folders.
std::vector<SPendingFolder> ReadEntries(const CFatDirectory& dir, const std::string& strPath,
                                        SFatListing& listing)
{
    std::vector<SPendingFolder> aFolders;
    for (std::size_t i = 0; i < dir.EntryCount(); ++i)
    {
        const CByteCursor entry = dir.EntryFields(i);
        const std::uint8_t nFirst = entry.At(kDirName).U8();
        const std::uint8_t nAttr = entry.At(kDirAttr).U8();
        if (nFirst == 0)
            break;
        if (nFirst == kDirDeleted || nFirst == '.' || nAttr == kAttrLongName ||
            (nAttr & kAttrVolumeLabel))
            continue;
        const std::string strName = (strPath.empty() ? "" : strPath + "/") + EntryName(entry);
        if (nAttr & kAttrFolder)
            aFolders.push_back({strName, dir.FirstCluster(i)});
        else
            listing.aFiles.push_back({strName, dir.FirstCluster(i), entry.At(kDirFileSize).LE32()});
    }
    return aFolders;
}

} // namespace

SFatListing ListFatFiles(CFatVolume& volume)
{
    SFatListing listing;
    // Depth first without recursion: a damaged volume may nest folders as
    // deep as it has clusters. A folder already read (an entry pointing
    // back up) is not read again.
    std::vector<SPendingFolder> aStack{{"", 0}};
    std::set<std::uint32_t> aSeen;
    while (!aStack.empty())
    {
        const SPendingFolder folder = aStack.back();
        aStack.pop_back();
        std::vector<SPendingFolder> aFolders;
        try
        {
            if (folder.strPath.empty())
                aFolders = ReadEntries(volume.ReadRoot(), folder.strPath, listing);
            else if (!aSeen.insert(folder.nFirstCluster).second)
                listing.aProblems.push_back(folder.strPath +
                                            ": the folder is one met before (left out)");
            else
                aFolders = ReadEntries(volume.ReadFolder(folder.nFirstCluster, folder.strPath),
                                       folder.strPath, listing);
        }
        catch (const CDiskImageRefusal& e)
        {
            listing.aProblems.push_back(folder.strPath + ": " + e.what());
        }
        aStack.insert(aStack.end(), aFolders.rbegin(), aFolders.rend());
    }
    return listing;
}

std::vector<std::uint8_t> ReadFatFile(CFatVolume& volume, const SFatFile& file)
{
    std::vector<std::uint8_t> ab;
    if (file.nSize == 0)
        return ab;
    const std::vector<std::uint32_t> anChain = volume.Chain(file.nFirstCluster, file.strPath);
    const std::uint64_t nClusterBytes = volume.ClusterBytes();
    const std::uint64_t nNeeded = (file.nSize + nClusterBytes - 1) / nClusterBytes;
    if (anChain.size() < nNeeded)
        throw CDiskImageRefusal("the FAT is damaged (" + file.strPath +
                                " is larger than its clusters)");
    ab.resize(file.nSize);
    // Clusters that follow each other on the volume are read in one go.
    std::size_t nDone = 0;
    for (std::size_t i = 0; i < nNeeded;)
    {
        std::size_t nRun = 1;
        while (i + nRun < nNeeded && anChain[i + nRun] == anChain[i] + nRun)
            ++nRun;
        const std::size_t nBytes = static_cast<std::size_t>(
            std::min<std::uint64_t>(nRun * nClusterBytes, ab.size() - nDone));
        volume.Io().ReadAt(volume.ClusterOffset(anChain[i]), ab.data() + nDone, nBytes);
        nDone += nBytes;
        i += nRun;
    }
    return ab;
}

bool IsKrzFileName(const std::string& strName)
{
    if (strName.size() < 4 || strName[strName.size() - 4] != '.')
        return false;
    std::string strExt = strName.substr(strName.size() - 3);
    std::transform(strExt.begin(), strExt.end(), strExt.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return strExt == "KRZ" || strExt == "K25" || strExt == "K26";
}
