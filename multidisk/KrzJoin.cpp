#include "KrzJoin.h"

#include "CAtomicFile.h"
#include "CCopyBuffer.h"
#include "CFeedback.h"
#include "CFile.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <system_error>

namespace
{

constexpr const char* kDestinationError = "FILE ERROR: Can't open destination File...";
constexpr const char* kSourceError = "FILE ERROR: Can't open Source File...";
constexpr const char* kNotFirstPart =
    "Sorry, the source-file isn't the first file of a multi-disk file.";

// Every part after the first starts with a 36-byte header that is skipped.
constexpr std::int64_t kPartHeaderSize = 36;
// Byte 15 is the low byte of the part-number field; 1 marks a first part.
constexpr std::size_t kPartNumberLowByte = 15;
constexpr std::size_t kPartNumberField = 12;
// The joined file can be made again from its parts: it is not forced to the
// disk before it replaces its name (that would multiply the join's time).
constexpr bool kSyncOutput = false;
// A two-digit counter reaches at most part 99.
constexpr int kMaxTwoDigitParts = 99;

// Moves strName on to the next name of the series that starts with
// strFirst; false when there is none. The counter has no carry beyond the
// tens, so it would run in a circle: a name whose tens character wrapped
// past 255 holds a NUL byte and names no file, and a one-character name
// comes back to the first name after ten steps. Either ends the series.
bool NextInSeries(const std::string& strFirst, std::string& strName)
{
    strName = NextPartName(strName);
    return strName.find('\0') == std::string::npos && strName != strFirst;
}

std::filesystem::path Resolved(const std::string& strPath)
{
    // Symbolic links and "." / ".." are resolved, so that two spellings of
    // one file compare equal.
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(strPath, ec);
    if (!ec)
    {
        auto resolved = std::filesystem::weakly_canonical(absolute, ec);
        if (!ec)
            return resolved;
    }
    return std::filesystem::path(CFile::FullPath(strPath));
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b)
{
    if (a == b)
        return true;
    // Hard links: two names, one file.
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}

// True when strDest names the first part or a part the join would read: the
// first part, every name the counter produces up to part 99, and any further
// name of the series that exists. Creating the destination would otherwise
// replace a part of the series the user still has.
bool DestinationIsInSeries(const std::string& strFirst, const std::string& strDest)
{
    const auto dest = Resolved(strDest);
    std::string strName = strFirst;
    int nPart = 1;
    do
    {
        if (nPart > kMaxTwoDigitParts && !CFile::Exists(strName))
            break;
        if (SameFile(Resolved(strName), dest))
            return true;
        ++nPart;
    } while (NextInSeries(strFirst, strName));
    return false;
}

} // namespace

std::string NextPartName(std::string strName)
{
    if (strName.empty())
        return strName;
    // Unsigned arithmetic: a byte above 127 counts as above '9', like a
    // letter.
    auto Increment = [](char& ch) { ch = static_cast<char>(static_cast<unsigned char>(ch) + 1); };
    char& chUnits = strName.back();
    Increment(chUnits);
    if (static_cast<unsigned char>(chUnits) > '9' || chUnits == '\0')
    {
        chUnits = '0';
        if (strName.size() >= 2)
            Increment(strName[strName.size() - 2]);
    }
    return strName;
}

void JoinKrzFiles(const std::string& strFirst, const std::string& strDest, CFeedback& feedback)
{
    auto Message = [&](const char* szText)
    { feedback.MessageBox(szText, kAppTitle, MessageIcon::None); };

    if (strFirst.empty())
    {
        Message(kSourceError);
        return;
    }
    std::error_code ec;
    if (strDest.empty() || std::filesystem::is_directory(strDest, ec) ||
        DestinationIsInSeries(strFirst, strDest))
    {
        Message(kDestinationError);
        return;
    }

    // The destination is written under a temporary name and only renamed
    // over its target once complete: a refused or failed join leaves an
    // existing destination untouched and creates none.
    std::unique_ptr<CAtomicFile> pDest;
    try
    {
        pDest = std::make_unique<CAtomicFile>(strDest, kSyncOutput);
    }
    catch (const CFileException&)
    {
        Message(kDestinationError);
        return;
    }
    CFile& dest = pDest->File();

    CFile part;
    if (!part.Open(strFirst, CFile::modeRead))
    {
        Message(kSourceError);
        return;
    }

    // The part header up to its part-number field decides; the rest of the
    // first part is copied as it stands.
    std::uint8_t abHead[kPartNumberLowByte + 1] = {};
    const std::size_t nGot = part.Read(abHead, sizeof abHead);
    if (nGot < sizeof abHead || abHead[kPartNumberLowByte] != 1)
    {
        Message(kNotFirstPart);
        return;
    }
    // The joined file is one whole KRZ file again: it carries no part
    // number.
    for (std::size_t i = kPartNumberField; i <= kPartNumberLowByte; ++i)
        abHead[i] = 0;
    dest.Write(abHead, sizeof abHead);
    CCopyBuffer buffer;
    buffer.CopyToEnd(part, dest);
    part.Close();

    // The first name that cannot be opened, for whatever reason, ends the
    // series; nothing checks that the series is complete.
    std::string strName = strFirst;
    while (NextInSeries(strFirst, strName))
    {
        if (!part.Open(strName, CFile::modeRead))
            break;
        part.Seek(kPartHeaderSize, CFile::begin);
        buffer.CopyToEnd(part, dest);
        part.Close();
    }

    pDest->Commit();
}
