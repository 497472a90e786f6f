// Make File's engine: writes the pool as one KRZ file (header, the objects
// of every usable entry, end mark, then the sample data of all entries).
#pragma once

#include "AudioInput.h"
#include "CDorvane_V2Doc.h"
#include "KrzTemplate.h"
#include "PoolEdit.h"

#include <cstdint>
#include <string>
#include <vector>

class CAtomicFile;
class CFeedback;

// The progress bar's range during a build: it follows the bytes of sample
// data written, in thousandths.
inline constexpr int kBuildProgressRange = 1000;

// What a build wrote: objects of each kind and the file's size in bytes.
struct KrzBuildSummary
{
    int nSamples = 0;
    int nKeymaps = 0;
    int nPrograms = 0;
    std::uint64_t nBytes = 0;
};

struct CKeymapGroup;

// What a build takes beyond the template's fields: how decoded entries
// (WAVINFO::bDecoded) are read, and the multisample groups (groups of two
// or more entries write one keymap with a sample per key and the first
// entry's program; nullptr or groups of one: every entry as usual).
struct KrzBuildExtras
{
    CAudioOptions audio;
    const std::vector<CKeymapGroup>* pGroups = nullptr;
};

// Builds strOutput from entries 0..doc.m_nCount-1 of doc and their
// aWavInfo records, reading each entry's file at its FilePath() (where it
// was found, else its stored name). Entries whose bValid is false get no objects and no
// data but keep their place in the object numbering (first object ID + i).
// Empty keymap and program names of usable entries are set to the sample
// name in the document (which is not marked modified). abTemplate is the
// working buffer whose fields are overwritten.
//
// Reports: progress range 0..kBuildProgressRange, the position following
// the bytes of sample data written; "Working on <path>" while each usable
// entry's data is written. The caller sets "Ready" and resets the bar.
//
// Every size is known from the headers first, so each word is written once,
// straight into the output: no temporary file is made. The output is
// written under a temporary name and renamed when complete. Throws
// CFileException and leaves any earlier file of that name as it was:
// failures of the output name the output; a WAV file that cannot be opened
// or read names the WAV file, and one that has become shorter than its
// header (its data offset) raises endOfFile on it. Every input is read only
// as it was planned: before anything is written its header is read again
// and must give what aWavInfo holds (format, channels, bits, rate, data
// offset and size, loop; a decoded entry's frames), and its data is read
// only while the file is the one planned then (device, inode, size and
// modification time, before and after the read; a plain file's header read
// again through the handle its data comes from); otherwise fileChanged is
// raised on it. A WAV file that holds fewer data bytes than its
// data chunk declares gives the whole frames it holds. An entry with
// LoopSwitch on and a loop read from its file (WAVINFO::bHasLoop) loops
// from start + the loop's first frame and ends at its last frame; the frames
// after the loop are not written. Asks feedback before each entry's data
// and after each block of it: when its user asks to stop, throws
// COperationCancelled (CCancel.h) and the output is not replaced.
KrzBuildSummary BuildKrzFile(CDorvane_V2Doc& doc, const WavInfoArray& aWavInfo, int nFirstObjectID,
                             TemplateBytes& abTemplate, const std::string& strOutput,
                             CFeedback& feedback, const KrzBuildExtras& extras = {});

// As BuildKrzFile, but writes into output, a file not yet committed (one of
// an output set that replaces its targets together), and leaves it open and
// uncommitted. Failures name output's target.
KrzBuildSummary BuildKrzInto(CDorvane_V2Doc& doc, const WavInfoArray& aWavInfo, int nFirstObjectID,
                             TemplateBytes& abTemplate, CAtomicFile& output, CFeedback& feedback,
                             const KrzBuildExtras& extras = {});
