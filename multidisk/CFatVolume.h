// A FAT12 or FAT16 volume in a disk image, and copying files into it in
// place. The volume starts at byte 0 of the image (no partition table) or
// is the first partition of an MBR partition table (sectors of 512 bytes).
#pragma once

#include "CByteCursor.h"
#include "CFatDirectory.h"
#include "COutcome.h"

#include <cstdint>
#include <ctime>
#include <stdexcept>
#include <string>
#include <vector>

class CFeedback;
class CFile;
class CImageIO;
class CImageUndo;

// A request the volume refuses, before anything is written: the text is
// the user's message.
class CDiskImageRefusal : public std::runtime_error
{
  public:
    using std::runtime_error::runtime_error;
};

// One file to copy: its path and the 8.3 name ("NAME.EXT") it gets.
struct SPutFile
{
    std::string strSource;
    std::string strDosName;
};

class CFatVolume
{
  public:
    // Reads the boot sector and the FAT. Throws CDiskImageRefusal when the
    // image holds no FAT12 or FAT16 volume (FAT32, exFAT, another system,
    // a first partition of another type), when the image is shorter than
    // the volume, or when the FAT is damaged (its copies differ, or an
    // entry points outside the volume). Read errors throw CFileException.
    // The image must stay open while the volume is used.
    // For reading only (bReadOnly), FAT copies that differ and entries
    // pointing outside the volume are let be: the first copy is taken, and
    // Chain refuses each chain that meets damage.
    explicit CFatVolume(CImageIO& io, bool bReadOnly = false);

    std::uint32_t FreeClusters() const;

    // Reading files and folders (FatFiles.h walks them).
    CImageIO& Io() const { return m_io; }
    std::uint32_t ClusterBytes() const { return m_nClusterBytes; }
    int FatBits() const { return m_nFatBits; }
    // The byte offset in the image of cluster nCluster (2 .. clusters + 1).
    std::uint64_t ClusterOffset(std::uint32_t nCluster) const;
    // The clusters of the chain from nFirst; throws CDiskImageRefusal
    // naming strWhat for a chain that leaves the volume, meets a free or
    // bad cluster, or loops.
    std::vector<std::uint32_t> Chain(std::uint32_t nFirst, const std::string& strWhat) const;
    CFatDirectory ReadRoot();
    // The folder whose chain starts at nFirst (Chain's refusals).
    CFatDirectory ReadFolder(std::uint32_t nFirst, const std::string& strName);

    // Copies the files into the root folder, or into the folder at the end
    // of aFolderPath (8.3 names, each a folder of the one before, from the
    // root; those missing are created). A file whose
    // name exists in that folder is refused unless bReplace (then the
    // old entry takes the new file and its clusters are freed). Every
    // check (names, room, damage on the way) runs before the first write;
    // a refusal throws CDiskImageRefusal with the image untouched. The
    // change is written in the order: data clusters (with new folder
    // clusters), every FAT copy, directory sectors, and last the FAT
    // copies again with replaced files' clusters freed; each step reaches
    // the disk before the next, so that an interruption leaves at most
    // lost clusters. Progress runs 0..100 over the data written. When
    // feedback's user asks to stop (asked at each step of the data), throws
    // COperationCancelled (CCancel.h) and, for a feedback that MayCancel,
    // leaves the image byte for byte as it was.
    void PutFiles(const std::vector<SPutFile>& aFiles, const std::vector<std::string>& aFolderPath,
                  bool bReplace, CFeedback& feedback);

  private:
    using SDirectory = CFatDirectory;
    struct SFilePlan;

    // The boot sector of the volume (at byte 0, or the first partition's),
    // its parameters taken into the members below.
    void ReadBootSector();
    void ReadBpb(const CByteCursor& bpb);
    std::uint32_t EndOfChain() const { return m_nFatBits == 12 ? 0xFFF : 0xFFFF; }
    bool IsEndOfChain(std::uint32_t nValue) const;
    void ReadFat();
    std::vector<std::uint8_t> EncodeFat(const std::vector<std::uint32_t>& anFat) const;
    // Writes the FAT sectors of every copy that differ from abOld.
    void WriteFatChanges(const std::vector<std::uint8_t>& abOld,
                         const std::vector<std::uint8_t>& abNew);
    // A free entry of dir (the root when bRoot), a folder growing by a
    // cluster when it has none (counted in nNewDirClusters); the root's
    // being full is refused.
    long ClaimSlot(SDirectory& dir, bool bRoot, std::uint32_t& nNewDirClusters);
    // The root and the folders of aPath below it into aDirs, in memory:
    // those missing are made, each entered in its parent at anEntrySlot
    // (-1 for a folder that exists) with one new cluster.
    void OpenFolderPath(const std::vector<std::string>& aPath, std::vector<SDirectory>& aDirs,
                        std::vector<long>& anEntrySlot, std::uint32_t& nNewDirClusters,
                        std::time_t tNow);
    // Checks each file against the target folder and claims its entry
    // there (in memory); returns the clusters the files need.
    std::uint64_t PlanFiles(const std::vector<SPutFile>& aFiles, SDirectory& target,
                            bool bTargetIsRoot, bool bReplace, std::time_t tNow,
                            std::vector<SFilePlan>& aPlans, std::vector<CFile>& aSources,
                            std::uint32_t& nNewDirClusters);
    // Chooses the new clusters of folders and files in anFat and sets the
    // entries that name them.
    void AssignClusters(std::vector<SDirectory>& aDirs, const std::vector<long>& anEntrySlot,
                        std::vector<SFilePlan>& aPlans, std::vector<std::uint32_t>& anFat);
    // Copies the files' data and new folder clusters into their clusters.
    // Asks feedback before each run and once more at the end; a stop (or
    // any failure) when feedback.MayCancel() puts back what was written.
    void WriteData(const std::vector<SFilePlan>& aPlans, std::vector<CFile>& aSources,
                   const std::vector<SDirectory>& aDirs, std::uint64_t nClusters,
                   CFeedback& feedback);
    // WriteData's copies, each range kept in undo before it is written.
    void WriteRuns(const std::vector<SFilePlan>& aPlans, std::vector<CFile>& aSources,
                   const std::vector<SDirectory>& aDirs, std::uint64_t nTotal, CFeedback& feedback,
                   CImageUndo& undo);
    // The FAT copies, the directory entries, and the freeing of replaced
    // files' clusters, each step synced before the next.
    void CommitChanges(const std::vector<SDirectory>& aDirs, const std::vector<SFilePlan>& aPlans,
                       std::vector<std::uint32_t> anFat);
    void WriteDirectoryChanges(const SDirectory& dir);

    CImageIO& m_io;
    bool m_bReadOnly = false;
    std::uint64_t m_nVolumeOffset = 0;
    std::uint32_t m_nBytesPerSector = 0;
    std::uint32_t m_nClusterBytes = 0;
    std::uint32_t m_nReservedSectors = 0;
    std::uint32_t m_nFats = 0;
    std::uint32_t m_nFatSectors = 0;
    std::uint32_t m_nRootEntries = 0;
    std::uint64_t m_nRootOffset = 0;
    std::uint64_t m_nDataOffset = 0;
    std::uint32_t m_nClusters = 0;
    int m_nFatBits = 0;
    std::vector<std::uint32_t> m_anFat; // entries 0 .. m_nClusters + 1
    std::vector<std::uint8_t> m_abFat;  // the bytes of one FAT copy
};

// Copies KRZ files (or parts) into the FAT12/FAT16 disk image strImage in
// place: into the root folder, or the folder strFolder (any name, made an
// 8.3 name; a path such as a/b is a folder within a folder; those missing
// are created). Each file is stored under OwnDosName of its path, its own
// extension kept. A refusal (see CFatVolume) leaves the image unchanged
// and is returned, naming the image; file errors throw
// CFileException (an image that cannot be opened for writing, a source
// that cannot be read).
COutcome PutIntoDiskImage(const std::string& strImage, const std::vector<std::string>& aFiles,
                          const std::string& strFolder, bool bReplace, CFeedback& feedback);
