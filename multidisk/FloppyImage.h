// DOS floppy images (720 KB and 1.44 MB, FAT12) that hold one KRZ file or
// one part of a split KRZ file each, as floppy emulators read them.
#pragma once

#include "COutcome.h"

#include <cstdint>
#include <string>
#include <vector>

class CFeedback;
class COutputSet;

struct SFloppyGeometry
{
    int m_nKB;                // 720 or 1440
    std::uint16_t m_nSectors; // 512-byte sectors in all
    std::uint8_t m_nSectorsPerTrack;
    std::uint8_t m_nHeads;
    std::uint8_t m_nSectorsPerCluster;
    std::uint16_t m_nRootEntries;
    std::uint8_t m_nMedia;
    std::uint16_t m_nFatSectors; // per FAT copy; there are two
};

// The geometry of a 720 or 1440 KB floppy; nullptr for any other size.
const SFloppyGeometry* FloppyGeometry(int nKB);
// Bytes of the data area: the largest file the image holds (730,112 and
// 1,457,664).
std::uint64_t FloppyDataBytes(const SFloppyGeometry& geometry);
// The largest split part size, in units of 1024 bytes, whose parts (payload
// and the 36-byte header of a later part) fit the image: 712 and 1423.
int MaxFloppyPartKB(const SFloppyGeometry& geometry);

// An empty formatted image: boot sector with the BIOS parameter block (and
// 55 AA at byte 510), two FATs starting F9/F0 FF FF, a root folder holding
// only the volume label strLabel (up to 11 characters), the data area zero.
std::vector<std::uint8_t> FormatFloppy(const SFloppyGeometry& geometry, const std::string& strLabel,
                                       std::uint32_t nSerial);

// The bytes of a formatted floppy image holding the file strSource, read at
// strSourcePath (its uncommitted temporary file, say), under the 8.3 name
// strDosName and labelled with that name's name part. Refusals and errors
// name strSource. Throws CDiskImageRefusal when the file does not fit and
// CFileException on a file error.
std::vector<std::uint8_t> FloppyImageBytes(const std::string& strSource,
                                           const std::string& strSourcePath,
                                           const std::string& strDosName,
                                           const SFloppyGeometry& geometry);

// Writes strImage, a formatted floppy image holding strSource under the 8.3
// name strDosName and labelled with that name's name part. The image
// replaces strImage only when complete. Throws CDiskImageRefusal when the
// file does not fit and CFileException on a file error.
void MakeFloppyImage(const std::string& strSource, const std::string& strDosName,
                     const std::string& strImage, const SFloppyGeometry& geometry);

// The floppy images of a KRZ file that Make File wrote at strOutput, with
// nFloppyKB images (720 or 1440). bSplit and nSplitKB are the Split Files
// setting; the part size is nSplitKB or, when that is larger, the largest
// that fits the image. When splitting is on, or the file does not fit one
// image, the file is split as Split Files does and every part becomes an
// image named like the part with ".img" added; otherwise the file becomes
// the one image strOutput + ".img". Every image holds its file under the
// 8.3 name of strOutput (KrzDosName). nParts is set to the parts written
// (0 when not split). The parts and images replace the files of their names
// together, once all are written. Returns a refusal when an image could not
// be made or a part or image is refused as the same file as strOutput or as
// another of them (nothing written); throws
// CFileException on a file error, leaving every earlier file as it was.
COutcome MakeOutputImages(const std::string& strOutput, bool bSplit, int nSplitKB, int nFloppyKB,
                          CFeedback& feedback, int& nParts);

// MakeOutputImages as part of Make File's set: the file strOutput is read
// at strOutputPath (its uncommitted temporary file), and its parts (from
// SplitKrzInto) and images become uncommitted files of outputs, which the
// caller commits. Every image name is planned and checked before the first
// is written. Adds to outcome a refusal when an image could not be made,
// and the split's note (a file no larger than a part) when it did not
// split; throws COutputRefusal when a part or image may not be written and
// CFileException on a file error.
void WriteOutputImages(const std::string& strOutput, const std::string& strOutputPath, bool bSplit,
                       int nSplitKB, int nFloppyKB, CFeedback& feedback, COutputSet& outputs,
                       int& nParts, COutcome& outcome);

// Images made from KRZ files or parts that exist already: each file
// becomes strFile + ".img" holding it under KrzDosName(strFile). A file
// that does not fit is refused (a note naming it) and the rest are made.
// Before any image is written, every image name is checked against every
// file and against the other images: one that is the same file is refused
// with SameFileMessage or TwoOutputsMessage and nothing is written.
// Returns a refusal when any file was refused; throws CFileException on a
// file error.
COutcome MakeFileImages(const std::vector<std::string>& aFiles, int nFloppyKB);
