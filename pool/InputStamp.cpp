#include "InputStamp.h"

#include "CFile.h"

#include <sys/stat.h>

#include <cerrno>

namespace
{

CFileStamp FromStat(const struct stat& st)
{
    CFileStamp stamp;
    stamp.nDevice = static_cast<std::uint64_t>(st.st_dev);
    stamp.nInode = static_cast<std::uint64_t>(st.st_ino);
    stamp.nSize = static_cast<std::uint64_t>(st.st_size);
    stamp.nModifiedSec = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    stamp.nModifiedNsec = static_cast<std::int64_t>(st.st_mtim.tv_nsec);
    return stamp;
}

} // namespace

CFileStamp FileStampOf(const CFile& file)
{
    struct stat st = {};
    if (::fstat(file.GetHandle(), &st) != 0)
        CFileException::ThrowOsError(errno, file.GetFilePath());
    return FromStat(st);
}

CFileStamp FileStampOf(const std::string& strPath)
{
    struct stat st = {};
    if (::stat(strPath.c_str(), &st) != 0)
        CFileException::ThrowOsError(errno, CFile::FullPath(strPath));
    return FromStat(st);
}

bool SameHeaderFacts(const WAVINFO& planned, const WAVINFO& now)
{
    const bool bSame = planned.bValid == now.bValid && planned.bDecoded == now.bDecoded &&
                       planned.nFormatTag == now.nFormatTag && planned.nChannels == now.nChannels &&
                       planned.nBitsPerSample == now.nBitsPerSample &&
                       planned.nSamplesPerSec == now.nSamplesPerSec &&
                       planned.nDataOffset == now.nDataOffset &&
                       planned.nDataSize == now.nDataSize && planned.bHasLoop == now.bHasLoop &&
                       planned.nLoopStart == now.nLoopStart && planned.nLoopEnd == now.nLoopEnd;
    return bSame && (!planned.bDecoded || planned.nFrames == now.nFrames);
}
