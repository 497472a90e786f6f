#include "Sf2Check.h"

#include "CByteCursor.h"

#include <array>
#include <fstream>
#include <optional>
#include <vector>

namespace
{
// The header chunks of the pdta list and their record sizes.
enum EHeader
{
    kPhdr,
    kPbag,
    kPmod,
    kPgen,
    kInst,
    kIbag,
    kImod,
    kIgen,
    kShdr,
    kHeaderCount
};
constexpr std::array<const char*, kHeaderCount> kHeaderIds = {
    "phdr", "pbag", "pmod", "pgen", "inst", "ibag", "imod", "igen", "shdr"};
constexpr std::array<std::size_t, kHeaderCount> kRecordSizes = {38, 4, 10, 4, 22, 4, 10, 4, 46};

constexpr int kInstrumentGenerator = 41;
constexpr int kSampleGenerator = 53;
constexpr int kLastGenerator = 60;
constexpr std::uint16_t kRomSample = 0x8000;
constexpr std::uint16_t kLinkedSample = 2 | 4 | 8; // right, left, linked

std::string Id(const std::uint8_t* p)
{
    return std::string(reinterpret_cast<const char*>(p), 4);
}

using Headers = std::array<CByteCursor, kHeaderCount>;

std::string FindHeaders(std::span<const std::uint8_t> abPdta, Headers& headers)
{
    std::array<bool, kHeaderCount> abFound{};
    CByteCursor cur(abPdta);
    while (cur.Remaining() >= 8)
    {
        const std::string strId = Id(cur.Bytes(4).data());
        const std::uint32_t nSize = cur.LE32();
        if (!cur.Fits(nSize))
            return "the " + strId + " chunk runs past the pdta list";
        const CByteCursor body = cur.Take(nSize);
        cur.Skip(std::min<std::size_t>(nSize & 1, cur.Remaining()));
        for (int n = 0; n < kHeaderCount; ++n)
        {
            if (strId != kHeaderIds[n])
                continue;
            if (abFound[n])
                return std::string("the ") + kHeaderIds[n] + " chunk comes twice";
            if (nSize % kRecordSizes[n] != 0 || nSize < kRecordSizes[n])
                return std::string("the ") + kHeaderIds[n] + " chunk holds no whole records";
            abFound[n] = true;
            headers[n] = body;
        }
    }
    for (int n = 0; n < kHeaderCount; ++n)
        if (!abFound[n])
            return std::string("the ") + kHeaderIds[n] + " chunk is missing";
    return "";
}

std::size_t Count(const Headers& headers, EHeader header)
{
    return headers[header].Size() / kRecordSizes[header];
}

// The 16-bit index at nOffset of every record of owner rises and, in the
// terminal record too, stays below nLimit (the records it points into).
std::string CheckIndices(const Headers& headers, EHeader owner, std::size_t nOffset,
                         std::size_t nLimit, const char* szWhat)
{
    std::size_t nLast = 0;
    for (std::size_t n = 0; n < Count(headers, owner); ++n)
    {
        const std::size_t nIndex = headers[owner].At(n * kRecordSizes[owner] + nOffset).LE16();
        if (nIndex < nLast || nIndex >= nLimit)
            return std::string("record ") + std::to_string(n) + " of " + kHeaderIds[owner] +
                   " points to " + szWhat + " " + std::to_string(nIndex) + " of " +
                   std::to_string(nLimit);
        nLast = nIndex;
    }
    return "";
}

// Generator numbers, and the instrument or sample a zone names.
std::string CheckGenerators(const Headers& headers, EHeader gens, int nTargetGenerator,
                            std::size_t nTargets)
{
    for (std::size_t n = 0; n < Count(headers, gens); ++n)
    {
        CByteCursor cur = headers[gens].At(n * 4);
        const int nId = cur.LE16();
        const std::size_t nAmount = cur.LE16();
        if (nId > kLastGenerator)
            return "generator " + std::to_string(n) + " of " + kHeaderIds[gens] +
                   " has the unknown number " + std::to_string(nId);
        if (nId == nTargetGenerator && nAmount >= nTargets)
            return "generator " + std::to_string(n) + " of " + kHeaderIds[gens] + " names " +
                   std::to_string(nAmount) + " of " + std::to_string(nTargets) +
                   (gens == kPgen ? " instruments" : " samples");
    }
    return "";
}

std::string CheckSamples(const Headers& headers, std::uint64_t nPoints)
{
    const std::size_t nSamples = Count(headers, kShdr) - 1;
    for (std::size_t n = 0; n < nSamples; ++n)
    {
        CByteCursor cur = headers[kShdr].At(n * 46 + 20);
        const std::uint32_t nStart = cur.LE32();
        const std::uint32_t nEnd = cur.LE32();
        cur.Skip(14);
        const std::uint16_t nLink = cur.LE16();
        const std::uint16_t nType = cur.LE16();
        const std::string strWhat = "sample header " + std::to_string(n);
        if ((nType & kLinkedSample) && nLink >= nSamples)
            return strWhat + " links to sample " + std::to_string(nLink) + " of " +
                   std::to_string(nSamples);
        if (!(nType & kRomSample) && (nStart > nEnd || nEnd > nPoints))
            return strWhat + " holds points " + std::to_string(nStart) + ".." +
                   std::to_string(nEnd) + " of " + std::to_string(nPoints);
    }
    return "";
}

// Skips chunks up to the one the stream is at, giving its id and size;
// false at the end of the region.
bool NextChunk(std::istream& in, std::uint64_t nRegionEnd, std::string& strId, std::uint32_t& nSize)
{
    const auto nPos = static_cast<std::uint64_t>(in.tellg());
    std::uint8_t ab[8];
    if (nPos + 8 > nRegionEnd || !in.read(reinterpret_cast<char*>(ab), 8))
        return false;
    strId = Id(ab);
    nSize = CByteCursor(ab, 8).Skip(4).LE32();
    return true;
}

struct CSf2Layout
{
    std::optional<std::uint64_t> nPoints;
    std::vector<std::uint8_t> abPdta;
    bool bPdta = false;
};

// The sdta or pdta list at the stream's position, nSize bytes with its tag.
std::string ReadList(std::istream& in, std::uint32_t nSize, CSf2Layout& layout)
{
    char acType[4];
    if (nSize < 4 || !in.read(acType, 4))
        return "a LIST chunk has no type";
    const auto nEnd = static_cast<std::uint64_t>(in.tellg()) + nSize - 4;
    const std::string strType(acType, 4);
    if (strType == "pdta")
    {
        layout.abPdta.resize(nSize - 4);
        if (!in.read(reinterpret_cast<char*>(layout.abPdta.data()), nSize - 4))
            return "the pdta list is cut short";
        layout.bPdta = true;
    }
    std::string strId;
    std::uint32_t nChunk = 0;
    while (strType == "sdta" && NextChunk(in, nEnd, strId, nChunk))
    {
        if (strId == "smpl")
            layout.nPoints = nChunk / 2;
        in.seekg(nChunk + (nChunk & 1), std::ios::cur);
    }
    in.clear();
    in.seekg(static_cast<std::streamoff>(nEnd + (nSize & 1)));
    return "";
}
} // namespace

std::string CheckSf2Headers(std::span<const std::uint8_t> abPdta, std::uint64_t nPoints)
{
    Headers headers;
    std::string str = FindHeaders(abPdta, headers);
    const std::size_t nPbags = Count(headers, kPbag), nIbags = Count(headers, kIbag);
    if (str.empty())
        str = CheckIndices(headers, kPhdr, 24, nPbags, "preset zone");
    if (str.empty())
        str = CheckIndices(headers, kPbag, 0, Count(headers, kPgen), "generator");
    if (str.empty())
        str = CheckIndices(headers, kPbag, 2, Count(headers, kPmod), "modulator");
    if (str.empty())
        str = CheckIndices(headers, kInst, 20, nIbags, "instrument zone");
    if (str.empty())
        str = CheckIndices(headers, kIbag, 0, Count(headers, kIgen), "generator");
    if (str.empty())
        str = CheckIndices(headers, kIbag, 2, Count(headers, kImod), "modulator");
    if (str.empty())
        str = CheckGenerators(headers, kPgen, kInstrumentGenerator, Count(headers, kInst) - 1);
    if (str.empty())
        str = CheckGenerators(headers, kIgen, kSampleGenerator, Count(headers, kShdr) - 1);
    if (str.empty())
        str = CheckSamples(headers, nPoints);
    return str;
}

std::string CheckSf2File(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary | std::ios::ate);
    if (!in)
        return "it cannot be opened";
    const auto nFileSize = static_cast<std::uint64_t>(in.tellg());
    in.seekg(0);
    std::uint8_t abHead[12];
    if (!in.read(reinterpret_cast<char*>(abHead), 12) || Id(abHead) != "RIFF" ||
        Id(abHead + 8) != "sfbk")
        return "it is no RIFF form of type sfbk";
    const std::uint64_t nEnd = std::min<std::uint64_t>(
        nFileSize, 8 + std::uint64_t{CByteCursor(abHead, 12).Skip(4).LE32()});
    CSf2Layout layout;
    std::string strId;
    std::uint32_t nSize = 0;
    while (NextChunk(in, nEnd, strId, nSize))
    {
        if (static_cast<std::uint64_t>(in.tellg()) + nSize > nFileSize)
            return "its " + strId + " chunk runs past the end of the file";
        if (strId != "LIST")
        {
            in.seekg(nSize + (nSize & 1), std::ios::cur);
            continue;
        }
        if (std::string str = ReadList(in, nSize, layout); !str.empty())
            return str;
    }
    if (!layout.nPoints)
        return "it has no sample data (smpl)";
    if (!layout.bPdta)
        return "it has no headers (pdta)";
    return CheckSf2Headers(layout.abPdta, *layout.nPoints);
}
