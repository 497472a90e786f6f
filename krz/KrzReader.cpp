#include "KrzReader.h"

#include "CByteCursor.h"
#include "CFile.h"
#include "KrzChecks.h"
#include "KrzObjectReader.h"

#include <algorithm>
#include <cstring>

std::size_t KrzFileInfo::ErrorCount() const
{
    return static_cast<std::size_t>(std::count_if(aProblems.begin(), aProblems.end(),
                                                  [](const KrzProblem& p)
                                                  { return p.severity == KrzSeverity::error; }));
}

namespace
{

// The header and the end mark come before any sample data.
constexpr std::uint64_t kMinSampleDataOffset = kKrzHeaderSize + kEndMarkSize;
// Block length, ID, size, data distance, name and its terminator.
constexpr std::uint32_t kObjectFraming = 28;

// Where the bytes come from: a file read piece by piece, or memory.
class CSource
{
  public:
    virtual ~CSource() = default;
    virtual std::uint64_t Length() const = 0;
    // Reads exactly nCount bytes at nPos; false when the source ends first.
    virtual bool ReadAt(std::uint64_t nPos, std::uint8_t* pBuf, std::size_t nCount) = 0;
};

class CFileSource final : public CSource
{
  public:
    explicit CFileSource(CFile& file) : m_file(file), m_nLength(file.GetLength()) {}
    std::uint64_t Length() const override { return m_nLength; }
    bool ReadAt(std::uint64_t nPos, std::uint8_t* pBuf, std::size_t nCount) override
    {
        if (nPos > m_nLength || nCount > m_nLength - nPos)
            return false;
        m_file.Seek(static_cast<std::int64_t>(nPos), CFile::begin);
        // The file may have shrunk since its length was taken.
        return m_file.Read(pBuf, nCount) == nCount;
    }

  private:
    CFile& m_file;
    std::uint64_t m_nLength;
};

class CMemorySource final : public CSource
{
  public:
    CMemorySource(const std::uint8_t* pData, std::size_t nSize) : m_pData(pData), m_nSize(nSize) {}
    std::uint64_t Length() const override { return m_nSize; }
    bool ReadAt(std::uint64_t nPos, std::uint8_t* pBuf, std::size_t nCount) override
    {
        if (nPos > m_nSize || nCount > m_nSize - nPos)
            return false;
        if (nCount != 0)
            std::memcpy(pBuf, m_pData + nPos, nCount);
        return true;
    }

  private:
    const std::uint8_t* m_pData;
    std::size_t m_nSize;
};

// Where the walk over the objects stops, and what it says when it gets
// there without an end mark.
struct SWalkLimit
{
    std::uint64_t nLimit = 0;
    bool bPartEndsFirst = false; // part 1 ends before its objects do
    std::string strLimit;
};

class CKrzReader
{
  public:
    CKrzReader(CSource& source, KrzFileInfo& info)
        : m_source(source), m_info(info), m_problems(info.aProblems)
    {
    }

    void Read()
    {
        m_info.nFileLength = m_source.Length();
        if (!ReadHeader())
            return;
        if (m_info.partKind == KrzPartKind::laterPart)
            return;
        WalkObjects();
        CheckKrzLinks(m_info, m_bWalkCut, m_problems);
        CheckKrzSampleHeaders(m_info, m_problems);
    }

  private:
    void Error(std::uint64_t nOffset, std::string strText)
    {
        m_problems.Error(nOffset, std::move(strText));
    }
    void Note(std::uint64_t nOffset, std::string strText)
    {
        m_problems.Note(nOffset, std::move(strText));
    }

    bool ReadHeader();
    void CheckWholeFileOffset();
    void CheckPartOffset();
    SWalkLimit WalkLimit() const;
    void WalkObjects();
    // The length of the object at nPos from its block-length word; 0 when
    // the walk ends there (the end mark, or a problem it reported).
    std::uint64_t ObjectLength(std::uint64_t nPos, const SWalkLimit& limit);

    CSource& m_source;
    KrzFileInfo& m_info;
    CKrzProblems m_problems;
    bool m_bWalkCut = false; // part 1 ended before the end mark
};

bool CKrzReader::ReadHeader()
{
    const std::uint64_t nLength = m_info.nFileLength;
    if (nLength < kKrzHeaderSize)
    {
        Error(0, "the file is " + KrzNum(nLength) + " bytes long, shorter than the " +
                     KrzNum(kKrzHeaderSize) + "-byte header");
        return false;
    }
    std::uint8_t ab[kKrzHeaderSize];
    if (!m_source.ReadAt(0, ab, sizeof ab))
    {
        Error(0, "the header cannot be read");
        return false;
    }
    m_info.bHeaderRead = true;
    const CByteCursor cur(ab, sizeof ab);
    KrzHeaderInfo& header = m_info.header;
    const auto abMagic = cur.At(0).Bytes(sizeof kKrzMagic);
    header.strMagic = KrzPrintable(abMagic.data(), abMagic.size());
    header.bMagicOk = std::equal(abMagic.begin(), abMagic.end(), kKrzMagic);
    header.nSampleDataOffset = cur.At(kHdrDataOffset).BE32();
    header.nDataLength = cur.At(kHdrDataLength).BE32();
    header.nPartNumber = cur.At(kHdrPartNumber).BE32();
    header.nOsVersion = cur.At(kHdrOsVersion).BE32();
    if (!header.bMagicOk)
        Error(0, "bytes 0..3 are \"" + header.strMagic + "\", not \"PRAM\"");

    if (header.nPartNumber == 0)
        CheckWholeFileOffset();
    else if (header.nPartNumber == 1)
        CheckPartOffset();
    else
    {
        m_info.partKind = KrzPartKind::laterPart;
        Note(kHdrPartNumber,
             "part " + KrzNum(header.nPartNumber) + " of a split file: only its header is read");
        if (header.nSampleDataOffset != kLaterPartDataOffset)
            Error(kHdrDataOffset, "a later part's payload begins at " +
                                      KrzNum(kLaterPartDataOffset) +
                                      ", but its sample-data offset field holds " +
                                      KrzNum(header.nSampleDataOffset));
    }
    return true;
}

void CKrzReader::CheckWholeFileOffset()
{
    const KrzHeaderInfo& header = m_info.header;
    const std::uint64_t nLength = m_info.nFileLength;
    const std::uint64_t nOffset = header.nSampleDataOffset;
    m_info.partKind = KrzPartKind::wholeFile;
    if (nOffset < kMinSampleDataOffset)
        Error(kHdrDataOffset, "the sample-data offset " + KrzNum(nOffset) + " is below " +
                                  KrzNum(kMinSampleDataOffset) + ", the header and the end mark");
    else if (nOffset > nLength)
        Error(kHdrDataOffset, "the sample-data offset " + KrzNum(nOffset) +
                                  " lies past the end of the file (" + KrzNum(nLength) + " bytes)");
    else
    {
        m_info.bSampleDataKnown = true;
        m_info.nSampleDataLength = nLength - nOffset;
    }
    // A joined file keeps the data length of its first part there.
    if (header.nDataLength != 0 &&
        !(m_info.bSampleDataKnown && header.nDataLength == m_info.nSampleDataLength))
        Note(kHdrDataLength, "the data-length field holds " + KrzNum(header.nDataLength) +
                                 "; a whole file holds 0 there, or the length of its sample data");
}

void CKrzReader::CheckPartOffset()
{
    const KrzHeaderInfo& header = m_info.header;
    const std::uint64_t nOffset = header.nSampleDataOffset;
    m_info.partKind = KrzPartKind::firstPart;
    Note(kHdrPartNumber, "part 1 of a split file: the objects are read as far as this part holds "
                         "them; the sample data is checked against the data-length field (" +
                             KrzNum(header.nDataLength) + " bytes)");
    if (nOffset < kMinSampleDataOffset)
        Error(kHdrDataOffset, "the sample-data offset " + KrzNum(nOffset) + " is below " +
                                  KrzNum(kMinSampleDataOffset) + ", the header and the end mark");
    else
    {
        m_info.bSampleDataKnown = true;
        m_info.nSampleDataLength = header.nDataLength;
    }
}

SWalkLimit CKrzReader::WalkLimit() const
{
    const std::uint64_t nLength = m_info.nFileLength;
    const std::uint64_t nDataOffset = m_info.header.nSampleDataOffset;
    const bool bFirstPart = m_info.partKind == KrzPartKind::firstPart;
    const bool bOffsetUsable =
        nDataOffset >= kMinSampleDataOffset && (nDataOffset <= nLength || bFirstPart);
    // The objects end where the sample data begins; part 1 of a split
    // may end before that, and its objects go on in part 2.
    SWalkLimit limit;
    limit.nLimit = nLength;
    if (bOffsetUsable)
    {
        if (nDataOffset <= nLength)
            limit.nLimit = nDataOffset;
        else
            limit.bPartEndsFirst = true;
    }
    limit.strLimit = limit.nLimit == nDataOffset && bOffsetUsable
                         ? "the sample data at " + KrzNum(nDataOffset)
                         : "the end of the file at " + KrzNum(nLength);
    return limit;
}

void CKrzReader::WalkObjects()
{
    const SWalkLimit limit = WalkLimit();
    std::vector<std::uint8_t> abObject;
    std::uint64_t nPos = kKrzHeaderSize;
    for (;;)
    {
        if (m_info.aObjects.size() >= kKrzMaxObjects)
        {
            Error(nPos, "more than " + KrzNum(kKrzMaxObjects) + " objects; the walk stops here");
            return;
        }
        const std::uint64_t nObjLength = ObjectLength(nPos, limit);
        if (nObjLength == 0)
            return;
        abObject.resize(static_cast<std::size_t>(nObjLength));
        if (!m_source.ReadAt(nPos, abObject.data(), abObject.size()))
        {
            Error(nPos, "the file ends inside the object at " + KrzNum(nPos));
            return;
        }
        m_info.aObjects.push_back(
            ReadKrzObject(nPos, CByteCursor(abObject.data(), abObject.size()), m_problems));
        nPos += nObjLength;
    }
}

std::uint64_t CKrzReader::ObjectLength(std::uint64_t nPos, const SWalkLimit& limit)
{
    if (limit.nLimit - nPos < 4)
    {
        if (limit.bPartEndsFirst)
        {
            m_bWalkCut = true;
            Note(nPos, "the objects go on in the next part");
        }
        else
            Error(nPos,
                  "no end mark: the objects reach " + limit.strLimit + " without a zero word");
        return 0;
    }
    std::uint8_t abWord[4];
    if (!m_source.ReadAt(nPos, abWord, 4))
    {
        Error(nPos, "the file ends inside the objects");
        return 0;
    }
    const auto nBlock = static_cast<std::int32_t>(CByteCursor(abWord, 4).BE32());
    if (nBlock == 0)
    {
        m_info.bEndMarkFound = true;
        m_info.nEndMarkOffset = nPos;
        if (nPos + 4 != m_info.header.nSampleDataOffset)
            Error(nPos, "the end mark ends at " + KrzNum(nPos + 4) +
                            ", but the sample-data offset is " +
                            KrzNum(m_info.header.nSampleDataOffset));
        return 0;
    }
    if (nBlock > 0)
    {
        Error(nPos, "block length +" + KrzNum(static_cast<std::uint64_t>(nBlock)) +
                        " is not negative: no object starts here");
        return 0;
    }
    const std::uint64_t nObjLength = static_cast<std::uint64_t>(-static_cast<std::int64_t>(nBlock));
    const std::string strBlock = "block length -" + KrzNum(nObjLength);
    if (nObjLength % 4 != 0)
        Error(nPos, strBlock + " is not a multiple of 4");
    else if (nObjLength < kObjectFraming)
        Error(nPos, strBlock + " is shorter than the " + KrzNum(kObjectFraming) +
                        " bytes of an object's framing");
    else if (nObjLength > kKrzMaxObjectLength)
        Error(nPos, strBlock + " is longer than any object size can describe");
    else if (nObjLength > limit.nLimit - nPos)
    {
        const std::string strObject =
            "the object at " + KrzNum(nPos) + " (" + KrzNum(nObjLength) + " bytes)";
        if (limit.bPartEndsFirst)
        {
            m_bWalkCut = true;
            Note(nPos, strObject + " goes on in the next part");
        }
        else
            Error(nPos, strObject + " runs past " + limit.strLimit);
    }
    else
        return nObjLength;
    return 0;
}

} // namespace

KrzFileInfo ReadKrzFile(const std::string& strPath)
{
    CFile file(strPath, CFile::modeRead);
    CFileSource source(file);
    KrzFileInfo info;
    info.strPath = strPath;
    CKrzReader(source, info).Read();
    return info;
}

KrzFileInfo ReadKrzData(const std::uint8_t* pData, std::size_t nSize)
{
    CMemorySource source(pData, pData ? nSize : 0);
    KrzFileInfo info;
    CKrzReader(source, info).Read();
    return info;
}
