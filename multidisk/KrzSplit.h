// Cutting a KRZ file into numbered part files of at most nMaxSplitKB * 1024
// payload bytes each.
#pragma once

#include "COutcome.h"

#include <cstdint>
#include <string>

class CFeedback;
class COutputSet;

// The part size in units of 1024 bytes lies in 1..kMaxSplitKB.
inline constexpr int kMaxSplitKB = 650000;

// Part n's name: the base name followed by n in "%02d" (PIANO.KRZ01, ...,
// PIANO.KRZ100).
std::string PartName(const std::string& strBase, int n);

// How many parts a split of a file of nLength bytes writes: 0 when the file
// is not longer than the part payload P = nMaxSplitKB * 1024 (no split),
// else part 1 (32 + P bytes of the file) and one part per further P bytes.
int PartCount(std::uint64_t nLength, int nMaxSplitKB);

// Splits strSource into parts named after strBase. Part 1 is a 32-byte
// header (the source's header with the data length, source length minus the
// 24-bit sample-data offset in bytes 5..7 or 0 if that is negative, in bytes
// 8..11 and part number 1 in bytes 12..15) and the next P source bytes;
// every later part n is a 36-byte header (sample-data offset 36, the source
// bytes left after this part, part number n, four zero bytes) and the next P
// bytes. P = nMaxSplitKB * 1024.
// Returns its refusals ("ERROR: Can't open Split Source-File...", "The
// source-file is smaller than the maximum filesize", SameFileMessage when a
// part's name is the source itself, before anything is written; caption
// kAppTitle, no icon) in the outcome. Drives the progress bar: range 0 .. (D div P)
// + 2 with D = length - P - 32, step 1, position 1 after part 1, one step
// before each further part, position 0 at the end. The parts are written
// under temporary names and replace existing files of their names only when
// all of them are complete; throws CFileException (naming the part) when a
// part cannot be created or written, leaving every earlier file of a part's
// name as it was and no new part (files with higher numbers than the new
// series has are never touched). Asks feedback before each part and before
// the parts replace their names: when its user asks to stop, throws
// COperationCancelled (CCancel.h) the same way, nothing written.
// Throws std::invalid_argument when nMaxSplitKB is outside 1..kMaxSplitKB.
// Sets *pnParts (when given) to the number of parts written, 0 when the
// split was refused.
COutcome SplitKrzFile(const std::string& strSource, const std::string& strBase, int nMaxSplitKB,
                      CFeedback& feedback, int* pnParts = nullptr);

// SplitKrzFile's work as part of a larger set of outputs: reads the file at
// strSourcePath (a file not yet committed, say), while messages and errors
// name strSource; plans the parts named after strBase in outputs and writes
// every part as an uncommitted file of outputs. The caller commits the set.
// Adds SplitKrzFile's messages for a source that cannot be opened or is
// not longer than a part to outcome as notes (the set may go on with the
// file whole) and returns 0; throws COutputRefusal (nothing
// written) when a part is an input or another output of the set. Returns
// the number of parts.
int SplitKrzInto(const std::string& strSource, const std::string& strSourcePath,
                 const std::string& strBase, int nMaxSplitKB, CFeedback& feedback,
                 COutputSet& outputs, COutcome& outcome);
