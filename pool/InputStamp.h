// What a build checks of each input between planning it and reading its
// data: the file's identity, size and modification time, and the facts of
// its header that the build takes.
#pragma once

#include "WAVINFO.h"

#include <cstdint>
#include <string>

class CFile;

struct CFileStamp
{
    std::uint64_t nDevice = 0;
    std::uint64_t nInode = 0;
    std::uint64_t nSize = 0;
    std::int64_t nModifiedSec = 0;
    std::int64_t nModifiedNsec = 0;

    bool operator==(const CFileStamp&) const = default;
};

// The stamp of the open file, or of the file strPath names now (links
// followed). Throw CFileException naming the file when it cannot be looked
// at (fileNotFound for a file that is gone).
CFileStamp FileStampOf(const CFile& file);
CFileStamp FileStampOf(const std::string& strPath);

// Whether two header reads of one entry's file describe the same data:
// usability, the decoded flag, format tag, channels, bits, rate, data
// offset and declared size, the loop; for decoded entries also the frame
// count. (A plain entry's frame count follows the file's length, which
// the build takes as it is.)
bool SameHeaderFacts(const WAVINFO& planned, const WAVINFO& now);
