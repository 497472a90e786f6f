#include "CFatVolume.h"

#include "ByteOrder.h"
#include "CCancel.h"
#include "CFeedback.h"
#include "CFile.h"
#include "CImageIO.h"
#include "CImageUndo.h"
#include "DosName.h"
#include "FatLayout.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <set>

namespace
{

// The largest size a directory entry can hold.
constexpr std::uint64_t kMaxFileSize = 0xFFFFFFFFull;

bool IsPowerOfTwo(std::uint32_t n)
{
    return n != 0 && (n & (n - 1)) == 0;
}

// Whether a sector looks like a FAT boot sector: a BIOS parameter block with
// sizes a FAT volume can have. A partition table's first sector has zeros
// there.
bool HasBpb(const CByteCursor& sector)
{
    const std::uint32_t nBytesPerSector = sector.At(kBpbBytesPerSector).LE16();
    return (nBytesPerSector == 512 || nBytesPerSector == 1024 || nBytesPerSector == 2048 ||
            nBytesPerSector == 4096) &&
           IsPowerOfTwo(sector.At(kBpbSectorsPerCluster).U8()) &&
           sector.At(kBpbReservedSectors).LE16() != 0 && sector.At(kBpbFatCount).U8() != 0 &&
           sector.At(kBpbMedia).U8() >= 0xF0;
}

bool IsExFat(const CByteCursor& sector)
{
    const auto abName = sector.At(kBsOemName).Bytes(8);
    return std::memcmp(abName.data(), "EXFAT   ", 8) == 0;
}

} // namespace

// The file to copy, its entry and its clusters.
struct CFatVolume::SFilePlan
{
    std::size_t nSlot = 0;
    std::uint64_t nSize = 0;
    std::uint32_t nClusters = 0;
    std::vector<std::uint32_t> anOld; // the clusters of a replaced file
    std::vector<std::uint32_t> anNew;
};

CFatVolume::CFatVolume(CImageIO& io, bool bReadOnly) : m_io(io), m_bReadOnly(bReadOnly)
{
    ReadBootSector();
    ReadFat();
}

void CFatVolume::ReadBootSector()
{
    if (m_io.Length() < kFatBootSectorSize)
        throw CDiskImageRefusal("the image is too small to hold a volume");
    std::uint8_t ab[kFatBootSectorSize];
    m_io.ReadAt(0, ab, sizeof ab);
    const CByteCursor sector(ab, sizeof ab);
    if (IsExFat(sector))
        throw CDiskImageRefusal("the volume is exFAT, not FAT12 or FAT16");
    if (!HasBpb(sector))
    {
        if (sector.At(kBsSignature).U8() != kBsSignature0 ||
            sector.At(kBsSignature + 1).U8() != kBsSignature1)
            throw CDiskImageRefusal("the image holds no FAT volume and no partition table");
        const CByteCursor part = sector.From(kMbrPartitionTable);
        const std::uint8_t nType = part.At(kPartType).U8();
        if (nType == 0x0B || nType == 0x0C)
            throw CDiskImageRefusal("the first partition is FAT32, not FAT12 or FAT16");
        if (nType != 0x01 && nType != 0x04 && nType != 0x06 && nType != 0x0E)
            throw CDiskImageRefusal("the first partition is not FAT12 or FAT16");
        m_nVolumeOffset = std::uint64_t{part.At(kPartFirstSector).LE32()} * kMbrSectorBytes;
        if (m_nVolumeOffset == 0 || m_nVolumeOffset + kFatBootSectorSize > m_io.Length())
            throw CDiskImageRefusal("the first partition lies outside the image");
        m_io.ReadAt(m_nVolumeOffset, ab, sizeof ab);
        if (IsExFat(sector))
            throw CDiskImageRefusal("the first partition is exFAT, not FAT12 or FAT16");
        if (!HasBpb(sector))
            throw CDiskImageRefusal("the first partition holds no FAT volume");
    }
    ReadBpb(sector);
}

void CFatVolume::ReadBpb(const CByteCursor& bpb)
{
    m_nBytesPerSector = bpb.At(kBpbBytesPerSector).LE16();
    const std::uint32_t nSectorsPerCluster = bpb.At(kBpbSectorsPerCluster).U8();
    m_nClusterBytes = m_nBytesPerSector * nSectorsPerCluster;
    m_nReservedSectors = bpb.At(kBpbReservedSectors).LE16();
    m_nFats = bpb.At(kBpbFatCount).U8();
    m_nRootEntries = bpb.At(kBpbRootEntries).LE16();
    m_nFatSectors = bpb.At(kBpbFatSectors).LE16();
    const std::uint32_t nTotal16 = bpb.At(kBpbTotalSectors16).LE16();
    const std::uint64_t nTotalSectors =
        nTotal16 != 0 ? nTotal16 : bpb.At(kBpbTotalSectors32).LE32();
    // FAT32 keeps its FAT size elsewhere and its root folder in clusters.
    if (m_nFatSectors == 0 || m_nRootEntries == 0)
        throw CDiskImageRefusal("the volume is FAT32, not FAT12 or FAT16");

    const std::uint64_t nRootSectors =
        (std::uint64_t{m_nRootEntries} * kDirEntrySize + m_nBytesPerSector - 1) / m_nBytesPerSector;
    const std::uint64_t nFirstData =
        m_nReservedSectors + std::uint64_t{m_nFats} * m_nFatSectors + nRootSectors;
    if (nTotalSectors <= nFirstData)
        throw CDiskImageRefusal("the boot sector is damaged (no data area)");
    const std::uint64_t nClusters = (nTotalSectors - nFirstData) / nSectorsPerCluster;
    // The FAT type follows from the cluster count alone.
    if (nClusters >= 65525)
        throw CDiskImageRefusal("the volume is FAT32, not FAT12 or FAT16");
    m_nClusters = static_cast<std::uint32_t>(nClusters);
    m_nFatBits = nClusters < 4085 ? 12 : 16;
    if (std::uint64_t{m_nFatSectors} * m_nBytesPerSector * 8 / m_nFatBits < nClusters + 2)
        throw CDiskImageRefusal("the boot sector is damaged (the FAT is too small)");
    if (m_nVolumeOffset + nTotalSectors * m_nBytesPerSector > m_io.Length())
        throw CDiskImageRefusal("the image is shorter than its volume");

    m_nRootOffset = m_nVolumeOffset +
                    (std::uint64_t{m_nReservedSectors} + std::uint64_t{m_nFats} * m_nFatSectors) *
                        m_nBytesPerSector;
    m_nDataOffset = m_nVolumeOffset + nFirstData * m_nBytesPerSector;
}

void CFatVolume::ReadFat()
{
    const std::size_t nFatBytes = std::size_t{m_nFatSectors} * m_nBytesPerSector;
    const std::uint64_t nFatOffset =
        m_nVolumeOffset + std::uint64_t{m_nReservedSectors} * m_nBytesPerSector;
    std::vector<std::uint8_t> abFirst(nFatBytes), abCopy(nFatBytes);
    m_io.ReadAt(nFatOffset, abFirst.data(), nFatBytes);
    // Copies that differ leave it open which one is right; a check would
    // report them, so nothing is added to such a volume.
    for (std::uint32_t n = 1; n < m_nFats; ++n)
    {
        m_io.ReadAt(nFatOffset + std::uint64_t{n} * nFatBytes, abCopy.data(), nFatBytes);
        if (abCopy != abFirst && !m_bReadOnly)
            throw CDiskImageRefusal(
                "the FAT is damaged (its copies differ); a file-system check repairs it");
    }
    m_abFat = abFirst;

    // A FAT16 entry is a u16; two FAT12 entries share three bytes.
    const CByteCursor fat(abFirst);
    m_anFat.resize(std::size_t{m_nClusters} + 2);
    for (std::uint32_t c = 0; c < m_nClusters + 2; ++c)
    {
        if (m_nFatBits == 16)
        {
            m_anFat[c] = fat.At(2 * std::size_t{c}).LE16();
        }
        else
        {
            const std::uint32_t nPair = fat.At(std::size_t{c} * 3 / 2).LE16();
            m_anFat[c] = (c & 1) ? nPair >> 4 : nPair & 0xFFF;
        }
    }
    const std::uint32_t nBad = EndOfChain() - 8;
    for (std::uint32_t c = 2; c < m_nClusters + 2; ++c)
    {
        const std::uint32_t v = m_anFat[c];
        if (v != 0 && v != nBad && !IsEndOfChain(v) && (v < 2 || v >= m_nClusters + 2) &&
            !m_bReadOnly)
            throw CDiskImageRefusal("the FAT is damaged (cluster " + std::to_string(c) +
                                    " points outside the volume)");
    }
}

bool CFatVolume::IsEndOfChain(std::uint32_t nValue) const
{
    return nValue >= EndOfChain() - 7;
}

std::uint32_t CFatVolume::FreeClusters() const
{
    return static_cast<std::uint32_t>(std::count(m_anFat.begin() + 2, m_anFat.end(), 0u));
}

std::uint64_t CFatVolume::ClusterOffset(std::uint32_t nCluster) const
{
    return m_nDataOffset + std::uint64_t{nCluster - 2} * m_nClusterBytes;
}

std::vector<std::uint32_t> CFatVolume::Chain(std::uint32_t nFirst, const std::string& strWhat) const
{
    std::vector<std::uint32_t> an;
    std::uint32_t c = nFirst;
    while (true)
    {
        if (c < 2 || c >= m_nClusters + 2 || m_anFat[c] == 0 || an.size() >= m_nClusters)
            throw CDiskImageRefusal("the FAT is damaged (the clusters of " + strWhat + ")");
        an.push_back(c);
        const std::uint32_t nNext = m_anFat[c];
        if (IsEndOfChain(nNext))
            return an;
        c = nNext;
    }
}

std::vector<std::uint8_t> CFatVolume::EncodeFat(const std::vector<std::uint32_t>& anFat) const
{
    // Bytes past the last entry keep what the volume has there.
    std::vector<std::uint8_t> ab = m_abFat;
    for (std::uint32_t c = 0; c < anFat.size(); ++c)
    {
        if (m_nFatBits == 16)
        {
            bo::StoreLE16(ab.data() + 2 * c, static_cast<std::uint16_t>(anFat[c]));
            continue;
        }
        std::uint8_t* p = ab.data() + c * 3 / 2;
        if (c & 1)
        {
            p[0] = static_cast<std::uint8_t>((p[0] & 0x0F) | ((anFat[c] & 0x0F) << 4));
            p[1] = static_cast<std::uint8_t>(anFat[c] >> 4);
        }
        else
        {
            p[0] = static_cast<std::uint8_t>(anFat[c]);
            p[1] = static_cast<std::uint8_t>((p[1] & 0xF0) | ((anFat[c] >> 8) & 0x0F));
        }
    }
    return ab;
}

void CFatVolume::WriteFatChanges(const std::vector<std::uint8_t>& abOld,
                                 const std::vector<std::uint8_t>& abNew)
{
    const std::uint64_t nFatOffset =
        m_nVolumeOffset + std::uint64_t{m_nReservedSectors} * m_nBytesPerSector;
    for (std::uint32_t n = 0; n < m_nFats; ++n)
        for (std::size_t nPos = 0; nPos < abNew.size(); nPos += m_nBytesPerSector)
            if (std::memcmp(abOld.data() + nPos, abNew.data() + nPos, m_nBytesPerSector) != 0)
                m_io.WriteAt(nFatOffset + std::uint64_t{n} * abNew.size() + nPos,
                             abNew.data() + nPos, m_nBytesPerSector);
}

CFatVolume::SDirectory CFatVolume::ReadRoot()
{
    SDirectory dir;
    dir.m_nRegionBytes = std::size_t{m_nRootEntries} * kDirEntrySize;
    dir.m_ab.resize(dir.m_nRegionBytes);
    m_io.ReadAt(m_nRootOffset, dir.m_ab.data(), dir.m_ab.size());
    dir.m_abOriginal = dir.m_ab;
    dir.m_anRegionOffset.push_back(m_nRootOffset);
    dir.m_nNewFrom = 1;
    return dir;
}

CFatVolume::SDirectory CFatVolume::ReadFolder(std::uint32_t nFirst, const std::string& strName)
{
    SDirectory dir;
    dir.m_nRegionBytes = m_nClusterBytes;
    dir.m_anClusters = Chain(nFirst, "the folder " + strName);
    dir.m_ab.resize(dir.m_anClusters.size() * std::size_t{m_nClusterBytes});
    for (std::size_t i = 0; i < dir.m_anClusters.size(); ++i)
    {
        dir.m_anRegionOffset.push_back(ClusterOffset(dir.m_anClusters[i]));
        m_io.ReadAt(dir.m_anRegionOffset[i], dir.m_ab.data() + i * m_nClusterBytes,
                    m_nClusterBytes);
    }
    dir.m_abOriginal = dir.m_ab;
    dir.m_nNewFrom = dir.m_anClusters.size();
    return dir;
}

void CFatVolume::WriteDirectoryChanges(const SDirectory& dir)
{
    for (std::size_t r = 0; r < dir.m_nNewFrom && r < dir.m_anRegionOffset.size(); ++r)
        for (std::size_t nPos = 0; nPos < dir.m_nRegionBytes; nPos += m_nBytesPerSector)
        {
            const std::size_t nAt = r * dir.m_nRegionBytes + nPos;
            const std::size_t nCount =
                std::min<std::size_t>(m_nBytesPerSector, dir.m_nRegionBytes - nPos);
            if (std::memcmp(dir.m_ab.data() + nAt, dir.m_abOriginal.data() + nAt, nCount) != 0)
                m_io.WriteAt(dir.m_anRegionOffset[r] + nPos, dir.m_ab.data() + nAt, nCount);
        }
}

long CFatVolume::ClaimSlot(SDirectory& dir, bool bRoot, std::uint32_t& nNewDirClusters)
{
    long nSlot = dir.FreeSlot();
    if (nSlot >= 0)
        return nSlot;
    if (bRoot)
        throw CDiskImageRefusal("the root folder is full");
    // A folder grows by a cluster of empty entries.
    nSlot = static_cast<long>(dir.EntryCount());
    dir.m_ab.resize(dir.m_ab.size() + m_nClusterBytes, 0);
    dir.m_abOriginal.resize(dir.m_ab.size(), 0);
    dir.m_anRegionOffset.push_back(0);
    dir.m_anClusters.push_back(0);
    ++nNewDirClusters;
    return nSlot;
}

void CFatVolume::OpenFolderPath(const std::vector<std::string>& aPath,
                                std::vector<SDirectory>& aDirs, std::vector<long>& anEntrySlot,
                                std::uint32_t& nNewDirClusters, std::time_t tNow)
{
    // References into aDirs stay valid: it never grows past this.
    aDirs.reserve(aPath.size() + 1);
    aDirs.push_back(ReadRoot());
    anEntrySlot.push_back(-1);
    bool bCreating = false;
    for (const std::string& strName : aPath)
    {
        SDirectory& parent = aDirs.back();
        const std::string strField = DirEntryName(strName);
        const long i = bCreating ? -1 : parent.Find(strField);
        if (i >= 0)
        {
            if (!(parent.EntryFields(i).At(kDirAttr).U8() & kAttrFolder))
                throw CDiskImageRefusal(strName + " exists and is not a folder");
            aDirs.push_back(ReadFolder(parent.FirstCluster(i), strName));
            anEntrySlot.push_back(-1);
            continue;
        }
        // This folder and every one below it are new: each gets one
        // cluster, with "." and ".." filled in once the clusters are chosen.
        bCreating = true;
        const long nSlot = ClaimSlot(parent, aDirs.size() == 1, nNewDirClusters);
        FillFatEntry(parent.Entry(nSlot), strField, kAttrFolder, 0, 0, tNow);
        SDirectory folder;
        folder.m_nRegionBytes = m_nClusterBytes;
        folder.m_ab.assign(m_nClusterBytes, 0);
        folder.m_abOriginal = folder.m_ab;
        folder.m_anRegionOffset.push_back(0);
        folder.m_anClusters.push_back(0);
        folder.m_nNewFrom = 0;
        FillFatEntry(folder.Entry(0), ".          ", kAttrFolder, 0, 0, tNow);
        FillFatEntry(folder.Entry(1), "..         ", kAttrFolder, 0, 0, tNow);
        ++nNewDirClusters;
        aDirs.push_back(std::move(folder));
        anEntrySlot.push_back(nSlot);
    }
}

void CFatVolume::PutFiles(const std::vector<SPutFile>& aFiles,
                          const std::vector<std::string>& aFolderPath, bool bReplace,
                          CFeedback& feedback)
{
    const std::time_t tNow = std::time(nullptr);
    // aDirs[0] is the root, each next one a folder of the one before; the
    // files go into the last.
    std::vector<SDirectory> aDirs;
    std::vector<long> anEntrySlot; // the parent's entry of a folder made here, or -1
    std::uint32_t nNewDirClusters = 0;
    OpenFolderPath(aFolderPath, aDirs, anEntrySlot, nNewDirClusters, tNow);

    // Every name, slot and size first: nothing is written until all the
    // files are known to fit.
    std::vector<SFilePlan> aPlans(aFiles.size());
    std::vector<CFile> aSources(aFiles.size());
    const std::uint64_t nClustersNeeded = PlanFiles(
        aFiles, aDirs.back(), aDirs.size() == 1, bReplace, tNow, aPlans, aSources, nNewDirClusters);

    // Replaced clusters are freed only after the entry points at the new
    // ones, so the new file needs room beside the old.
    const std::uint64_t nFree = FreeClusters();
    if (nClustersNeeded + nNewDirClusters > nFree)
        throw CDiskImageRefusal(
            "there is not enough room on the image (" +
            std::to_string((nClustersNeeded + nNewDirClusters) * m_nClusterBytes / 1024) +
            " KB needed, " + std::to_string(nFree * m_nClusterBytes / 1024) + " KB free)");

    std::vector<std::uint32_t> anFat = m_anFat;
    AssignClusters(aDirs, anEntrySlot, aPlans, anFat);
    WriteData(aPlans, aSources, aDirs, nClustersNeeded, feedback);
    CommitChanges(aDirs, aPlans, std::move(anFat));
    feedback.ProgressSetPos(0);
}

std::uint64_t CFatVolume::PlanFiles(const std::vector<SPutFile>& aFiles, SDirectory& target,
                                    bool bTargetIsRoot, bool bReplace, std::time_t tNow,
                                    std::vector<SFilePlan>& aPlans, std::vector<CFile>& aSources,
                                    std::uint32_t& nNewDirClusters)
{
    std::set<std::string> setNames;
    std::uint64_t nClustersNeeded = 0;
    for (std::size_t f = 0; f < aFiles.size(); ++f)
    {
        const SPutFile& file = aFiles[f];
        SFilePlan& plan = aPlans[f];
        if (!setNames.insert(file.strDosName).second)
            throw CDiskImageRefusal("two of the files get the same name " + file.strDosName);
        aSources[f] = CFile(file.strSource, CFile::modeRead);
        plan.nSize = aSources[f].GetLength();
        if (plan.nSize > kMaxFileSize)
            throw CDiskImageRefusal(file.strSource + " is larger than a FAT volume's files can be");
        plan.nClusters =
            static_cast<std::uint32_t>((plan.nSize + m_nClusterBytes - 1) / m_nClusterBytes);
        nClustersNeeded += plan.nClusters;

        const std::string strField = DirEntryName(file.strDosName);
        const long i = target.Find(strField);
        if (i >= 0)
        {
            const std::uint8_t nAttr = target.EntryFields(i).At(kDirAttr).U8();
            if (nAttr & (kAttrFolder | kAttrVolumeLabel))
                throw CDiskImageRefusal(file.strDosName + " exists on the image as a folder");
            if (!bReplace)
                throw CDiskImageRefusal(file.strDosName + " exists on the image already");
            if (nAttr & kAttrReadOnly)
                throw CDiskImageRefusal(file.strDosName + " is read-only on the image");
            const std::uint32_t nOldFirst = target.FirstCluster(i);
            if (nOldFirst != 0)
                plan.anOld = Chain(nOldFirst, file.strDosName);
            plan.nSlot = static_cast<std::size_t>(i);
        }
        else
        {
            plan.nSlot =
                static_cast<std::size_t>(ClaimSlot(target, bTargetIsRoot, nNewDirClusters));
        }
        // The entry is claimed now, so that the next file finds another
        // slot; its cluster is set once the clusters are chosen.
        FillFatEntry(target.Entry(plan.nSlot), strField, kAttrArchive, 0,
                     static_cast<std::uint32_t>(plan.nSize), tNow);
    }
    return nClustersNeeded;
}

void CFatVolume::AssignClusters(std::vector<SDirectory>& aDirs,
                                const std::vector<long>& anEntrySlot,
                                std::vector<SFilePlan>& aPlans, std::vector<std::uint32_t>& anFat)
{
    // First fit from the start of the volume: holes of a fragmented volume
    // are filled before the free space at its end.
    std::uint32_t nNext = 2;
    auto Allocate = [&]()
    {
        while (anFat[nNext] != 0)
            ++nNext;
        anFat[nNext] = EndOfChain();
        return nNext;
    };
    auto Link = [&](const std::vector<std::uint32_t>& an)
    {
        for (std::size_t i = 0; i + 1 < an.size(); ++i)
            anFat[an[i]] = an[i + 1];
        if (!an.empty())
            anFat[an.back()] = EndOfChain();
    };

    // New folder clusters: new folders' own, or clusters that extend one.
    for (std::size_t d = 1; d < aDirs.size(); ++d)
    {
        SDirectory& dir = aDirs[d];
        for (std::size_t r = dir.m_nNewFrom; r < dir.m_anClusters.size(); ++r)
        {
            dir.m_anClusters[r] = Allocate();
            dir.m_anRegionOffset[r] = ClusterOffset(dir.m_anClusters[r]);
        }
        Link(dir.m_anClusters);
    }
    // A new folder's entry, "." and ".." (0 for the root) take the numbers.
    for (std::size_t d = 1; d < aDirs.size(); ++d)
        if (anEntrySlot[d] >= 0)
        {
            const auto nSelf = static_cast<std::uint16_t>(aDirs[d].m_anClusters[0]);
            const auto nParent =
                static_cast<std::uint16_t>(d == 1 ? 0 : aDirs[d - 1].m_anClusters[0]);
            bo::StoreLE16(aDirs[d - 1].Entry(anEntrySlot[d]) + kDirFirstCluster, nSelf);
            bo::StoreLE16(aDirs[d].Entry(0) + kDirFirstCluster, nSelf);
            bo::StoreLE16(aDirs[d].Entry(1) + kDirFirstCluster, nParent);
        }
    SDirectory& target = aDirs.back();
    for (SFilePlan& plan : aPlans)
    {
        for (std::uint32_t n = 0; n < plan.nClusters; ++n)
            plan.anNew.push_back(Allocate());
        Link(plan.anNew);
        bo::StoreLE16(target.Entry(plan.nSlot) + kDirFirstCluster,
                      static_cast<std::uint16_t>(plan.anNew.empty() ? 0 : plan.anNew[0]));
    }
}

void CFatVolume::WriteData(const std::vector<SFilePlan>& aPlans, std::vector<CFile>& aSources,
                           const std::vector<SDirectory>& aDirs, std::uint64_t nClusters,
                           CFeedback& feedback)
{
    // Each run of adjacent clusters in one copy; the rest of a file's last
    // cluster is zeroed, so no old bytes remain.
    const std::uint64_t nTotal = std::max<std::uint64_t>(1, nClusters);
    feedback.ProgressSetRange(0, 100);
    // Only free clusters are written here, but a stop must leave the image
    // byte for byte as it was: what each run overwrites is kept first.
    CImageUndo undo(m_io, feedback.MayCancel());
    try
    {
        WriteRuns(aPlans, aSources, aDirs, nTotal, feedback, undo);
    }
    catch (...)
    {
        undo.Restore();
        throw;
    }
}

void CFatVolume::WriteRuns(const std::vector<SFilePlan>& aPlans, std::vector<CFile>& aSources,
                           const std::vector<SDirectory>& aDirs, std::uint64_t nTotal,
                           CFeedback& feedback, CImageUndo& undo)
{
    const std::vector<std::uint8_t> abZero(m_nClusterBytes, 0);
    std::uint64_t nDone = 0;
    for (std::size_t f = 0; f < aPlans.size(); ++f)
    {
        const SFilePlan& plan = aPlans[f];
        std::uint64_t nLeft = plan.nSize;
        for (std::size_t i = 0; i < plan.anNew.size();)
        {
            std::size_t j = i + 1;
            while (j < plan.anNew.size() && plan.anNew[j] == plan.anNew[j - 1] + 1 &&
                   (j - i) * std::uint64_t{m_nClusterBytes} < (64u << 20))
                ++j;
            const std::uint64_t nRunBytes = (j - i) * std::uint64_t{m_nClusterBytes};
            const std::uint64_t nCopy = std::min(nLeft, nRunBytes);
            StopIfCancelled(feedback);
            undo.Keep(ClusterOffset(plan.anNew[i]), nRunBytes);
            m_io.CopyFrom(aSources[f], ClusterOffset(plan.anNew[i]), nCopy);
            if (nCopy < nRunBytes)
                m_io.WriteAt(ClusterOffset(plan.anNew[i]) + nCopy, abZero.data(),
                             static_cast<std::size_t>(nRunBytes - nCopy));
            nLeft -= nCopy;
            nDone += j - i;
            feedback.ProgressSetPos(static_cast<int>(nDone * 100 / nTotal));
            i = j;
        }
    }
    for (std::size_t d = 1; d < aDirs.size(); ++d)
        for (std::size_t r = aDirs[d].m_nNewFrom; r < aDirs[d].m_anClusters.size(); ++r)
        {
            undo.Keep(aDirs[d].m_anRegionOffset[r], m_nClusterBytes);
            m_io.WriteAt(aDirs[d].m_anRegionOffset[r], aDirs[d].m_ab.data() + r * m_nClusterBytes,
                         m_nClusterBytes);
        }
    // The last moment to stop before the FAT and the folders change.
    StopIfCancelled(feedback);
    m_io.Sync();
}

void CFatVolume::CommitChanges(const std::vector<SDirectory>& aDirs,
                               const std::vector<SFilePlan>& aPlans,
                               std::vector<std::uint32_t> anFat)
{
    // Every FAT copy; m_abFat holds m_anFat as encoded.
    const std::vector<std::uint8_t> abNewFat = EncodeFat(anFat);
    WriteFatChanges(m_abFat, abNewFat);
    m_anFat = anFat;
    m_abFat = abNewFat;
    m_io.Sync();

    // The directory entries, the deepest folder first.
    for (std::size_t d = aDirs.size(); d-- > 0;)
        WriteDirectoryChanges(aDirs[d]);
    m_io.Sync();

    // The clusters of replaced files are free now that nothing points at
    // them.
    bool bFreed = false;
    for (const SFilePlan& plan : aPlans)
        for (const std::uint32_t c : plan.anOld)
        {
            anFat[c] = 0;
            bFreed = true;
        }
    if (bFreed)
    {
        const std::vector<std::uint8_t> abFreedFat = EncodeFat(anFat);
        WriteFatChanges(abNewFat, abFreedFat);
        m_anFat = anFat;
        m_abFat = abFreedFat;
        m_io.Sync();
    }
}
