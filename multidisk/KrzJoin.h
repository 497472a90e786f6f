// Joining a series of part files back into one KRZ file.
#pragma once

#include "COutcome.h"

#include <string>

class CFeedback;

// The name after strName: a two-digit counter on its last two characters
// (PIANO.KRZ09 -> PIANO.KRZ10; after '9' in the tens comes ':'). The last
// character is increased; above '9' it becomes '0' and the character before
// it is increased, with no carry beyond that. An empty name stays empty.
std::string NextPartName(std::string strName);

// Joins the series that starts with strFirst into strDest, giving back the
// file that was split byte for byte: part 1 with bytes 8..15 (data length
// and part number) cleared, then the payload of every later part after its
// 36-byte header. The parts are named as the split names them when strFirst
// ends in "01" (two digits, three from part 100 on); any other first name is
// counted on by NextPartName, at most 99 parts. Part 1's header gives the
// whole length (sample-data offset in bytes 5..7 plus the data length; when
// that data length is 0, the later parts' remaining-length fields alone
// decide), so the join reads exactly the parts that make the file and never
// one left over from an earlier split.
// Returns its refusals in the outcome (caption kAppTitle, no icon) and
// never touches the status text or the progress bar:
// - "FILE ERROR: Can't open destination File..." when strDest is empty, a
//   folder, cannot be created, or names a part of the series that does not
//   exist (up to part 99);
// - SameFileMessage(strDest, part) when strDest is the first part or an
//   existing part of the series (however spelt or linked);
// - "FILE ERROR: Can't open Source File..." when strFirst is empty or
//   cannot be opened;
// - "Sorry, the source-file isn't the first file of a multi-disk file." when
//   the first part is shorter than 16 bytes or its part number is not 1;
// - "FILE ERROR: <part> is missing; ...", "FILE ERROR: <part> ends early;
//   ..." or "FILE ERROR: <part> doesn't continue the multi-disk file ..."
//   when the series is incomplete or a part's number or remaining length
//   does not follow from the parts before it.
// Every part is checked before the destination is created. The destination
// is written under a temporary name and renamed over strDest only when
// complete: a refused or failed join creates no file and leaves an existing
// destination as it was. Throws CFileException (naming the file) when a
// read or a write fails, or endOfFile when a part shrank while being read.
// pStop (may be null) is asked before each part and before the rename:
// when its user asks to stop, throws COperationCancelled (CCancel.h) and
// nothing is written.
COutcome JoinKrzFiles(const std::string& strFirst, const std::string& strDest,
                      const CFeedback* pStop = nullptr);
