// Joining a series of part files back into one KRZ file.
#pragma once

#include <string>

class CFeedback;

// The name after strName: a two-digit counter on its last two characters
// (PIANO.KRZ09 -> PIANO.KRZ10; after '9' in the tens comes ':'). The last
// character is increased; above '9' it becomes '0' and the character before
// it is increased, with no carry beyond that. An empty name stays empty.
std::string NextPartName(std::string strName);

// Joins the series that starts with strFirst into strDest: the first part
// whole with its part number (bytes 12..15) cleared, then every following
// part from its offset 36 on, up to the first name that cannot be opened
// and at most 99 parts in all (part 99 of a series that starts at 01).
// Reports its own failures by message box (caption kAppTitle, no icon) and
// never touches the status text or the progress bar:
// - "FILE ERROR: Can't open destination File..." when strDest is empty, a
//   folder, cannot be created, or names the first part or a part of the
//   series (up to part 99, and any existing one after it);
// - "FILE ERROR: Can't open Source File..." when strFirst is empty or
//   cannot be opened;
// - "Sorry, the source-file isn't the first file of a multi-disk file." when
//   the first part is shorter than 16 bytes or its byte 15 is not 1.
// The destination is written under a temporary name and renamed over
// strDest only when complete: a refused or failed join creates no file and
// leaves an existing destination as it was. Throws CFileException (naming
// the file) when a read or a write fails.
void JoinKrzFiles(const std::string& strFirst, const std::string& strDest, CFeedback& feedback);
