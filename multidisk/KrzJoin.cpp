#include "KrzJoin.h"

#include "CAtomicFile.h"
#include "CCopyBuffer.h"
#include "CFeedback.h"
#include "CFile.h"

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <set>
#include <string_view>
#include <sys/stat.h>
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
// The most parts one join reads, the first included. A two-digit counter
// from 01 names 99 parts, and a split names part 100 on with three digits,
// which the counter never produces: no honest series has more parts for the
// join to find. Names past 99 that happen to exist (X:0, X:1, ...) are not
// followed, and the loop is bounded whatever the folder holds.
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

// True when nothing, not even a dangling symbolic link, bears that name.
bool NameIsFree(const std::string& strPath)
{
    struct stat st;
    return ::lstat(strPath.c_str(), &st) != 0 && errno == ENOENT;
}

// Tells whether a name of the series that starts with strFirst is the
// destination. The counter changes only a name's last two characters, which
// normally lie in its file name, so the folder is the same for every name;
// a name that does not exist then is the destination exactly when the
// destination lies in that folder under that file name, which is what
// resolving the whole name and comparing would give. Any other name (one
// that exists, a link say, or one whose counter reaches the folder) is
// resolved in full. Which names exist is read from one listing of the
// folder. Resolving each of the 99 names in full took hundreds of system
// calls and allocations per join.
class CSeriesMatcher
{
  public:
    CSeriesMatcher(const std::string& strFirst, const std::filesystem::path& dest) : m_dest(dest)
    {
        const std::size_t nSlash = strFirst.rfind('/');
        m_nNameStart = nSlash == std::string::npos ? 0 : nSlash + 1;
        if (strFirst.size() - m_nNameStart < 2)
            return;
        const std::string strFolder = nSlash == std::string::npos ? "."
                                      : nSlash == 0               ? "/"
                                                                  : strFirst.substr(0, nSlash);
        m_bFast = true;
        m_bDestInFolder = dest.parent_path() == Resolved(strFolder);
        m_strDestName = dest.filename().string();
        std::error_code ec;
        for (auto it = std::filesystem::directory_iterator(strFolder, ec);
             !ec && it != std::filesystem::directory_iterator(); it.increment(ec))
            m_aExisting.insert(it->path().filename().string());
        m_bListed = !ec; // otherwise each name is looked up by itself
    }

    bool IsDestination(const std::string& strName) const
    {
        if (m_bFast && strName.size() > m_nNameStart &&
            strName.find('/', m_nNameStart) == std::string::npos)
        {
            const std::string_view name = std::string_view(strName).substr(m_nNameStart);
            const bool bFree =
                m_bListed ? m_aExisting.find(name) == m_aExisting.end() : NameIsFree(strName);
            if (name != "." && name != ".." && bFree)
                return m_bDestInFolder && name == m_strDestName;
        }
        return SameFile(Resolved(strName), m_dest);
    }

  private:
    const std::filesystem::path& m_dest;
    std::size_t m_nNameStart = 0;
    bool m_bFast = false;
    bool m_bDestInFolder = false;
    std::string m_strDestName;
    bool m_bListed = false;
    std::set<std::string, std::less<>> m_aExisting; // names in the folder
};

// True when strDest names the first part or a part the join would read: the
// first part, every name the counter produces up to part 99, and any further
// name of the series that exists. Creating the destination would otherwise
// replace a part of the series the user still has.
bool DestinationIsInSeries(const std::string& strFirst, const std::string& strDest)
{
    const auto dest = Resolved(strDest);
    const CSeriesMatcher matcher(strFirst, dest);
    std::string strName = strFirst;
    int nPart = 1;
    do
    {
        if (nPart > kMaxTwoDigitParts && !CFile::Exists(strName))
            break;
        if (matcher.IsDestination(strName))
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
    for (int nPart = 2; nPart <= kMaxTwoDigitParts && NextInSeries(strFirst, strName); ++nPart)
    {
        if (!part.Open(strName, CFile::modeRead))
            break;
        part.Seek(kPartHeaderSize, CFile::begin);
        buffer.CopyToEnd(part, dest);
        part.Close();
    }

    pDest->Commit();
}
