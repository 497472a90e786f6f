#include "KrzJoin.h"

#include "ByteOrder.h"
#include "CAtomicFile.h"
#include "CCancel.h"
#include "CCopyBuffer.h"
#include "CFeedback.h"
#include "CFile.h"
#include "KrzFormat.h"
#include "KrzSplit.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <vector>

namespace
{

constexpr const char* kDestinationError = "FILE ERROR: Can't open destination File...";
constexpr const char* kSourceError = "FILE ERROR: Can't open Source File...";
constexpr const char* kNotFirstPart =
    "Sorry, the source-file isn't the first file of a multi-disk file.";

// Byte 15 is the low byte of the part number.
constexpr std::size_t kPartNumberLowByte = kHdrPartNumber + 3;
// The joined file can be made again from its parts: it is not forced to the
// disk before it replaces its name (that would multiply the join's time).
constexpr bool kSyncOutput = false;
// The most parts the two-digit counter names, the first included. Series
// named as the split names them go on past it with three-digit names; the
// counter is used only for first names that do not end in "01".
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

// The name of the series that strDest is, empty when none is: the first
// part, every name the counter produces up to part 99, and any further name
// of the series that exists. Creating the destination would otherwise
// replace a part of the series the user still has.
std::string SeriesNameOfDestination(const std::string& strFirst, const std::string& strDest)
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
            return strName;
        ++nPart;
    } while (NextInSeries(strFirst, strName));
    return {};
}

// The refusal of a destination that is the part strPart: a part the user
// has is named with the destination; a name of the series that is not
// there yet has the join's own message.
std::string DestinationIsPartMessage(const std::string& strDest, const std::string& strPart)
{
    return CFile::SameFile(strDest, strPart) ? SameFileMessage(strDest, strPart)
                                             : kDestinationError;
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

namespace
{

// The names of a series, in order. A first name that ends in "01" is the
// split's own naming: the base followed by the part number in "%02d", three
// digits from part 100 on. Any other first name is counted on by its last
// two characters; that counter has no names past 99 parts.
class CPartNames
{
  public:
    explicit CPartNames(const std::string& strFirst) : m_strFirst(strFirst), m_strName(strFirst)
    {
        m_bSplitNames = strFirst.size() >= 2 && strFirst.compare(strFirst.size() - 2, 2, "01") == 0;
        if (m_bSplitNames)
            m_strBase = strFirst.substr(0, strFirst.size() - 2);
    }

    // Part n's name (n = 2, 3, ... in order); empty when there is none.
    std::string Next(int n)
    {
        if (m_bSplitNames)
            return PartName(m_strBase, n);
        if (n > kMaxTwoDigitParts || !NextInSeries(m_strFirst, m_strName))
            return {};
        return m_strName;
    }

  private:
    std::string m_strFirst;
    std::string m_strName;
    std::string m_strBase;
    bool m_bSplitNames = false;
};

struct PartPlan
{
    std::string strName;
    std::uint64_t nPayload; // bytes after the part header
};

// Why a series cannot be joined; each names the part.
std::string MissingPart(const std::string& strName)
{
    return "FILE ERROR: " + strName + " is missing; the multi-disk file is incomplete.";
}
std::string PartEndsEarly(const std::string& strName)
{
    return "FILE ERROR: " + strName + " ends early; the multi-disk file is incomplete.";
}
std::string PartDoesNotContinue(const std::string& strName)
{
    return "FILE ERROR: " + strName +
           " doesn't continue the multi-disk file (its part number or length).";
}

// Reads the header of every part of the series and decides, before anything
// is written, which parts make the whole file and how many bytes each adds.
// Part 1 gives the whole length (sample-data offset in bytes 5..7 plus the
// data length in bytes 8..11) and, by its own length, the payload P of every
// full part; every later part n carries n in bytes 12..15 and the bytes
// still to come after it in bytes 8..11. The series ends when nothing is to
// come, so parts left over from an earlier, longer split are never read.
// Where part 1's data length is 0 (a source whose sample-data offset lay
// past its end stores 0), the whole length is unknown and the later parts'
// remaining-length fields alone decide. Returns an empty string when the
// series is complete, else the message that names the faulty part.
std::string PlanSeries(const std::string& strFirst, std::uint64_t nFirstLength,
                       const std::uint8_t* abHead, std::vector<PartPlan>& aPlan)
{
    if (nFirstLength < kPart1HeaderSize)
        return PartEndsEarly(strFirst);
    const std::uint64_t nP = nFirstLength - kPart1HeaderSize;
    aPlan.push_back({strFirst, nP});

    const std::uint64_t nDataLength = bo::LoadBE32(abHead + kHdrDataLength);
    const bool bKnown = nDataLength != 0;
    std::uint64_t nLeft = 0; // bytes still to come, when the whole length is known
    if (bKnown)
    {
        const std::uint64_t nWhole = bo::LoadBE24(abHead + kHdrDataOffset + 1) + nDataLength;
        if (nWhole < nFirstLength)
            return PartDoesNotContinue(strFirst);
        nLeft = nWhole - nFirstLength;
    }
    std::optional<std::uint64_t> nPrevRemaining; // unknown length: the last part's field

    CPartNames names(strFirst);
    for (int n = 2; bKnown ? nLeft > 0 : true; ++n)
    {
        const std::string strName = names.Next(n);
        CFile part;
        if (strName.empty() || !part.Open(strName, CFile::modeRead))
        {
            // With the whole length unknown, a first part without a second
            // is a series of one part (the split makes those when its
            // source is at most 32 bytes longer than P).
            if (!bKnown && n == 2 && !strName.empty() && NameIsFree(strName))
                break;
            return MissingPart(strName.empty() ? strFirst + " (part " + std::to_string(n) + ")"
                                               : strName);
        }
        const std::uint64_t nLength = part.GetLength();
        std::uint8_t abPart[kPartNumberLowByte + 1] = {};
        if (nLength < kLaterPartHeaderSize || part.Read(abPart, sizeof abPart) != sizeof abPart)
            return PartEndsEarly(strName);
        const std::uint64_t nPayload = nLength - kLaterPartHeaderSize;
        const std::uint64_t nRemaining = bo::LoadBE32(abPart + kHdrDataLength);
        if (bo::LoadBE32(abPart + kHdrPartNumber) != static_cast<std::uint32_t>(n))
            return PartDoesNotContinue(strName);

        if (bKnown || nPrevRemaining)
        {
            const std::uint64_t nBefore = bKnown ? nLeft : *nPrevRemaining;
            const std::uint64_t nExpected = std::min(nP, nBefore);
            if (nExpected == 0) // part 1 carries no payload: nothing can follow
                return PartDoesNotContinue(strName);
            if (nPayload < nExpected)
                return PartEndsEarly(strName);
            if (nPayload > nExpected || nRemaining != nBefore - nExpected)
                return PartDoesNotContinue(strName);
            nLeft = nBefore - nExpected;
        }
        else // part 2 with the whole length unknown
        {
            if (nPayload > nP || nP == 0)
                return PartDoesNotContinue(strName);
            if (nRemaining > 0 && nPayload < nP)
                return PartEndsEarly(strName);
        }
        aPlan.push_back({strName, nPayload});
        if (!bKnown)
        {
            if (nRemaining == 0)
                break;
            nPrevRemaining = nRemaining;
        }
    }
    return {};
}

// Opens the first part strFirst, reads its header into abHead and plans
// the series (PlanSeries). Returns the refusal's text, or "" when planned.
std::string ReadFirstPart(const std::string& strFirst, std::uint8_t (&abHead)[kPart1HeaderSize],
                          std::vector<PartPlan>& aPlan)
{
    CFile first;
    if (!first.Open(strFirst, CFile::modeRead))
        return kSourceError;
    const std::uint64_t nFirstLength = first.GetLength();
    const std::size_t nGot = first.Read(abHead, kPart1HeaderSize);
    // A first part carries part number 1 in bytes 12..15.
    if (nGot <= kPartNumberLowByte || bo::LoadBE32(abHead + kHdrPartNumber) != 1)
        return kNotFirstPart;
    return PlanSeries(strFirst, nFirstLength, abHead, aPlan);
}

// Writes the first part's header abHead, made a whole file's, and every
// planned part's payload to dest; asks pStop before each part.
void WriteJoined(std::uint8_t (&abHead)[kPart1HeaderSize], const std::vector<PartPlan>& aPlan,
                 CFile& dest, const CFeedback* pStop)
{
    // The joined file is one whole KRZ file again: bytes 8..15 (data length
    // and part number) are zero, as in any file that is not a part.
    std::fill(abHead + kHdrDataLength, abHead + kPartNumberLowByte + 1, std::uint8_t{0});
    dest.Write(abHead, kPart1HeaderSize);
    CCopyBuffer buffer;
    for (std::size_t i = 0; i < aPlan.size(); ++i)
    {
        if (pStop != nullptr)
            StopIfCancelled(*pStop);
        CFile part(aPlan[i].strName, CFile::modeRead);
        part.Seek(static_cast<std::int64_t>(i == 0 ? kPart1HeaderSize : kLaterPartHeaderSize),
                  CFile::begin);
        // A part that shrank since its header was read is cut short.
        if (buffer.Copy(part, dest, aPlan[i].nPayload) != aPlan[i].nPayload)
            throw CFileException(CFileException::endOfFile, part.GetFilePath());
        part.Close();
    }
}

} // namespace

COutcome JoinKrzFiles(const std::string& strFirst, const std::string& strDest,
                      const CFeedback* pStop)
{
    // A refusal names the file it is about: the destination, or the series.
    auto Message = [&](const std::string& strText, const std::string& strFile)
    { return COutcome::Refusal(strText, MessageIcon::None, strFile); };

    if (strFirst.empty())
    {
        return Message(kSourceError, strFirst);
    }
    std::error_code ec;
    if (strDest.empty() || std::filesystem::is_directory(strDest, ec))
    {
        return Message(kDestinationError, strDest);
    }
    const std::string strPartIsDest = SeriesNameOfDestination(strFirst, strDest);
    if (!strPartIsDest.empty())
    {
        return Message(DestinationIsPartMessage(strDest, strPartIsDest), strDest);
    }

    std::uint8_t abHead[kPart1HeaderSize] = {};
    std::vector<PartPlan> aPlan;
    const std::string strFault = ReadFirstPart(strFirst, abHead, aPlan);
    if (!strFault.empty())
    {
        return Message(strFault, strFirst);
    }
    // Parts named past the two-digit counter (three-digit names) are checked
    // against the destination here, now that the series is known.
    const auto destPath = Resolved(strDest);
    for (const PartPlan& plan : aPlan)
        if (SameFile(Resolved(plan.strName), destPath))
        {
            return Message(DestinationIsPartMessage(strDest, plan.strName), strDest);
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
        return Message(kDestinationError, strDest);
    }
    WriteJoined(abHead, aPlan, pDest->File(), pStop);
    if (pStop != nullptr)
        StopIfCancelled(*pStop);
    pDest->Commit();
    return {};
}
