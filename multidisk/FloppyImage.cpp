#include "FloppyImage.h"

#include "KrzFormat.h"

#include "ByteOrder.h"
#include "CAtomicFile.h"
#include "CCancel.h"
#include "CFatVolume.h"
#include "CFeedback.h"
#include "CFile.h"
#include "CImageIO.h"
#include "COutputSet.h"
#include "DosName.h"
#include "FatLayout.h"
#include "KrzSplit.h"

#include <algorithm>
#include <cstring>
#include <ctime>

namespace
{

constexpr std::uint32_t kSectorBytes = 512;

constexpr SFloppyGeometry kDD{720, 1440, 9, 2, 2, 112, 0xF9, 3};
constexpr SFloppyGeometry kHD{1440, 2880, 18, 2, 1, 224, 0xF0, 9};

std::string Padded(const std::string& str, std::size_t nLength)
{
    std::string strOut = str.substr(0, nLength);
    strOut.resize(nLength, ' ');
    return strOut;
}

} // namespace

const SFloppyGeometry* FloppyGeometry(int nKB)
{
    if (nKB == kDD.m_nKB)
        return &kDD;
    if (nKB == kHD.m_nKB)
        return &kHD;
    return nullptr;
}

std::uint64_t FloppyDataBytes(const SFloppyGeometry& g)
{
    const std::uint32_t nRootSectors = g.m_nRootEntries * 32 / kSectorBytes;
    return std::uint64_t{g.m_nSectors - 1u - 2u * g.m_nFatSectors - nRootSectors} * kSectorBytes;
}

int MaxFloppyPartKB(const SFloppyGeometry& g)
{
    return static_cast<int>((FloppyDataBytes(g) - kLaterPartHeaderSize) / 1024);
}

std::vector<std::uint8_t> FormatFloppy(const SFloppyGeometry& g, const std::string& strLabel,
                                       std::uint32_t nSerial)
{
    std::vector<std::uint8_t> ab(std::size_t{g.m_nSectors} * kSectorBytes, 0);
    std::uint8_t* p = ab.data();
    // A jump over the parameter block to a loop that asks the BIOS to boot
    // from elsewhere (INT 18h): the disk holds data, not a system.
    p[kBsJump] = 0xEB;
    p[kBsJump + 1] = 0x3C;
    p[kBsJump + 2] = 0x90;
    std::memcpy(p + kBsOemName, "DORVANE ", 8);
    bo::StoreLE16(p + kBpbBytesPerSector, kSectorBytes);
    p[kBpbSectorsPerCluster] = g.m_nSectorsPerCluster;
    bo::StoreLE16(p + kBpbReservedSectors, 1); // the boot sector
    p[kBpbFatCount] = 2;
    bo::StoreLE16(p + kBpbRootEntries, g.m_nRootEntries);
    bo::StoreLE16(p + kBpbTotalSectors16, g.m_nSectors);
    p[kBpbMedia] = g.m_nMedia;
    bo::StoreLE16(p + kBpbFatSectors, g.m_nFatSectors);
    bo::StoreLE16(p + kBpbSectorsPerTrack, g.m_nSectorsPerTrack);
    bo::StoreLE16(p + kBpbHeads, g.m_nHeads);
    p[kBsDriveNumber] = 0x00; // a floppy
    p[kBsExtSignature] = kBsExtSignatureValue;
    bo::StoreLE32(p + kBsSerial, nSerial);
    std::memcpy(p + kBsLabel, Padded(strLabel, 11).data(), 11);
    std::memcpy(p + kBsFsType, "FAT12   ", 8);
    p[kBsBootCode] = 0xCD; // INT 18h
    p[kBsBootCode + 1] = 0x18;
    p[kBsBootCode + 2] = 0xEB; // and stay there
    p[kBsBootCode + 3] = 0xFE;
    p[kBsSignature] = kBsSignature0;
    p[kBsSignature + 1] = kBsSignature1;

    for (int n = 0; n < 2; ++n)
    {
        std::uint8_t* pFat = p + (1 + n * g.m_nFatSectors) * kSectorBytes;
        pFat[0] = g.m_nMedia;
        pFat[1] = 0xFF;
        pFat[2] = 0xFF;
    }

    std::uint8_t* pLabel = p + (1 + 2 * g.m_nFatSectors) * kSectorBytes;
    std::memcpy(pLabel + kDirName, Padded(strLabel, kDirNameLength).data(), kDirNameLength);
    pLabel[kDirAttr] = kAttrVolumeLabel;
    const SDosDateTime written = DosDateTime(std::time(nullptr));
    bo::StoreLE16(pLabel + kDirWriteTime, written.nTime);
    bo::StoreLE16(pLabel + kDirWriteDate, written.nDate);
    return ab;
}

std::vector<std::uint8_t> FloppyImageBytes(const std::string& strSource,
                                           const std::string& strSourcePath,
                                           const std::string& strDosName, const SFloppyGeometry& g)
{
    {
        CFile source(strSourcePath, CFile::modeRead);
        if (source.GetLength() > FloppyDataBytes(g))
            throw CDiskImageRefusal(strSource + " (" + std::to_string(source.GetLength()) +
                                    " bytes) does not fit on a " + std::to_string(g.m_nKB) +
                                    " KB floppy image (at most " +
                                    std::to_string(FloppyDataBytes(g)) +
                                    " bytes); split it into parts of at most " +
                                    std::to_string(MaxFloppyPartKB(g)) + " KB");
    }
    // The serial number tells disks apart; the time is what formatting
    // programs use too.
    const auto nSerial = static_cast<std::uint32_t>(std::time(nullptr));
    std::vector<std::uint8_t> ab = FormatFloppy(g, DosBaseName(strDosName), nSerial);
    CMemoryImageIO io(ab);
    CFatVolume volume(io);
    CNullFeedback quiet;
    try
    {
        volume.PutFiles({{strSourcePath, strDosName}}, {}, false, quiet);
    }
    catch (const CFileException& e)
    {
        // A temporary file is no name the user knows: the error names the
        // file it will become.
        if (e.m_strFileName != CFile::FullPath(strSourcePath))
            throw;
        throw CFileException(e.m_cause, CFile::FullPath(strSource), e.m_lOsError);
    }
    return ab;
}

void MakeFloppyImage(const std::string& strSource, const std::string& strDosName,
                     const std::string& strImage, const SFloppyGeometry& g)
{
    const std::vector<std::uint8_t> ab = FloppyImageBytes(strSource, strSource, strDosName, g);
    // An image can be made again from its file: not forced to the disk
    // before it replaces its name, like the parts.
    CAtomicFile image(strImage, false);
    image.File().Write(ab.data(), ab.size());
    image.Commit();
}

namespace
{

// One image of Make File's set: the file strShown, read at strPath (its
// uncommitted temporary file), becomes the uncommitted image strImage.
void WriteSetImage(const std::string& strShown, const std::string& strPath,
                   const std::string& strDosName, const std::string& strImage,
                   const SFloppyGeometry& g, COutputSet& outputs)
{
    const std::vector<std::uint8_t> ab = FloppyImageBytes(strShown, strPath, strDosName, g);
    CAtomicFile& image = outputs.Create(strImage, false);
    image.File().Write(ab.data(), ab.size());
    image.Finish();
}

} // namespace

COutcome MakeOutputImages(const std::string& strOutput, bool bSplit, int nSplitKB, int nFloppyKB,
                          CFeedback& feedback, int& nParts)
{
    COutputSet outputs;
    outputs.AddInput(strOutput);
    COutcome outcome;
    try
    {
        WriteOutputImages(strOutput, strOutput, bSplit, nSplitKB, nFloppyKB, feedback, outputs,
                          nParts, outcome);
        if (outcome.IsOk())
            outputs.Commit();
    }
    catch (const COutputRefusal& e)
    {
        outcome.Refuse({e.what(), kAppTitle, MessageIcon::None, strOutput});
    }
    return outcome;
}

void WriteOutputImages(const std::string& strOutput, const std::string& strOutputPath, bool bSplit,
                       int nSplitKB, int nFloppyKB, CFeedback& feedback, COutputSet& outputs,
                       int& nParts, COutcome& outcome)
{
    const SFloppyGeometry* pGeometry = FloppyGeometry(nFloppyKB);
    if (pGeometry == nullptr)
        throw std::invalid_argument("floppy size " + std::to_string(nFloppyKB));
    const int nPartKB = std::min(bSplit ? nSplitKB : kMaxSplitKB, MaxFloppyPartKB(*pGeometry));
    const std::string strDosName = KrzDosName(strOutput);

    std::uint64_t nLength = 0;
    {
        CFile output(strOutputPath, CFile::modeRead);
        output.SetFilePath(CFile::FullPath(strOutput));
        nLength = output.GetLength();
    }
    nParts = 0;
    if (bSplit || nLength > FloppyDataBytes(*pGeometry))
    {
        feedback.SetStatusText("Splitting...");
        nParts =
            SplitKrzInto(strOutput, strOutputPath, strOutput, nPartKB, feedback, outputs, outcome);
    }
    // Every image is planned (and checked against the inputs and the other
    // outputs) before the first is written.
    std::vector<std::string> aFiles;
    if (nParts == 0)
        aFiles.push_back(strOutput);
    for (int n = 1; n <= nParts; ++n)
        aFiles.push_back(PartName(strOutput, n));
    for (const std::string& strFile : aFiles)
        if (!outputs.IsPlanned(strFile + ".img"))
            outputs.AddOutput(strFile + ".img");
    const std::string strRefusal = outputs.CheckPlan();
    if (!strRefusal.empty())
        throw COutputRefusal(strRefusal);

    feedback.SetStatusText("Writing floppy images...");
    try
    {
        for (const std::string& strFile : aFiles)
        {
            StopIfCancelled(feedback);
            const CAtomicFile* pFile = outputs.Find(strFile);
            WriteSetImage(strFile, pFile != nullptr ? pFile->TemporaryPath() : strOutputPath,
                          strDosName, strFile + ".img", *pGeometry, outputs);
        }
    }
    catch (const CDiskImageRefusal& e)
    {
        outcome.Refuse({e.what(), kAppTitle, MessageIcon::Exclamation, strOutput});
    }
}

COutcome MakeFileImages(const std::vector<std::string>& aFiles, int nFloppyKB)
{
    const SFloppyGeometry* pGeometry = FloppyGeometry(nFloppyKB);
    if (pGeometry == nullptr)
        throw std::invalid_argument("floppy size " + std::to_string(nFloppyKB));
    // Every image is planned before the first is written: one whose name
    // is one of the files (an earlier file's image name given as a later
    // file), or two files with one image, is refused and nothing is written.
    COutputSet outputs;
    for (const std::string& strFile : aFiles)
        outputs.AddInput(strFile);
    for (const std::string& strFile : aFiles)
        outputs.AddOutput(strFile + ".img");
    const std::string strRefusal = outputs.CheckPlan();
    if (!strRefusal.empty())
        return COutcome::Refusal(strRefusal);
    COutcome outcome;
    for (const std::string& strFile : aFiles)
    {
        try
        {
            MakeFloppyImage(strFile, KrzDosName(strFile), strFile + ".img", *pGeometry);
        }
        catch (const CDiskImageRefusal& e)
        {
            outcome.Refuse({e.what(), kAppTitle, MessageIcon::Exclamation, strFile});
        }
    }
    return outcome;
}
