#include "KrzSplit.h"

#include "ByteOrder.h"
#include "CAtomicFile.h"
#include "CCancel.h"
#include "CCopyBuffer.h"
#include "CFile.h"
#include "COutputSet.h"
#include "KrzFormat.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

namespace
{

// Writes one part file as an uncommitted file of outputs: nHeaderSize
// bytes of abHeader, then up to nPayload bytes of the source from its
// current position. The part is closed, but replaces a file of its name only
// when the set is committed.
void WritePart(COutputSet& outputs, const std::string& strName, const std::uint8_t* abHeader,
               std::size_t nHeaderSize, CFile& source, std::uint64_t nPayload, CCopyBuffer& buffer)
{
    // A part can be made again from its source: it is not forced to the disk
    // before it replaces its name (that would multiply the split's time).
    CAtomicFile& part = outputs.Create(strName, false);
    part.File().Write(abHeader, nHeaderSize);
    buffer.Copy(source, part.File(), nPayload);
    part.Finish();
}

} // namespace

std::string PartName(const std::string& strBase, int n)
{
    char szNumber[16];
    std::snprintf(szNumber, sizeof szNumber, "%02d", n);
    return strBase + szNumber;
}

int PartCount(std::uint64_t nLength, int nMaxSplitKB)
{
    const std::uint64_t nP = static_cast<std::uint64_t>(nMaxSplitKB) * 1024;
    if (nMaxSplitKB < 1 || nLength <= nP)
        return 0;
    const std::uint64_t nAfterPart1 =
        nLength > nP + kPart1HeaderSize ? nLength - nP - kPart1HeaderSize : 0;
    return static_cast<int>(1 + (nAfterPart1 + nP - 1) / nP);
}

COutcome SplitKrzFile(const std::string& strSource, const std::string& strBase, int nMaxSplitKB,
                      CFeedback& feedback, int* pnParts)
{
    int nParts = 0;
    COutcome outcome;
    // Every part is written under a temporary name first, and the parts
    // replace the files of their names only when all of them are complete:
    // a split that fails half-way (a full disk) leaves an earlier series of
    // the same name whole, instead of new first parts before old later ones.
    COutputSet outputs;
    try
    {
        nParts =
            SplitKrzInto(strSource, strSource, strBase, nMaxSplitKB, feedback, outputs, outcome);
        StopIfCancelled(feedback);
        outputs.Commit();
        // A source that was not split is a refusal here (in a larger set it
        // is only a note: the file stays whole).
        if (nParts == 0)
            outcome.Fail();
    }
    catch (const COutputRefusal& e)
    {
        outcome.Refuse({e.what(), kAppTitle, MessageIcon::None, strSource});
        nParts = 0;
    }
    if (pnParts != nullptr)
        *pnParts = nParts;
    return outcome;
}

namespace
{
// Plans the parts strBase01.. of a split of strSourcePath into outputs and
// checks the set; throws COutputRefusal when an output is refused.
void PlanParts(COutputSet& outputs, const std::string& strSourcePath, const std::string& strBase,
               int nParts)
{
    outputs.AddInput(strSourcePath);
    for (int n = 1; n <= nParts; ++n)
        if (!outputs.IsPlanned(PartName(strBase, n)))
            outputs.AddOutput(PartName(strBase, n));
    const std::string strRefusal = outputs.CheckPlan();
    if (!strRefusal.empty())
        throw COutputRefusal(strRefusal);
}
} // namespace

int SplitKrzInto(const std::string& strSource, const std::string& strSourcePath,
                 const std::string& strBase, int nMaxSplitKB, CFeedback& feedback,
                 COutputSet& outputs, COutcome& outcome)
{
    // The Settings dialog keeps the part size in 1..650000; anything else is
    // a caller's fault, not something to split by.
    if (nMaxSplitKB < 1 || nMaxSplitKB > kMaxSplitKB)
        throw std::invalid_argument("part size out of range: " + std::to_string(nMaxSplitKB));
    const std::int64_t nPartSize = static_cast<std::int64_t>(nMaxSplitKB) * 1024;

    CFile source;
    if (!source.Open(strSourcePath, CFile::modeRead))
    {
        outcome.Note(
            {"ERROR: Can't open Split Source-File...", kAppTitle, MessageIcon::None, strSource});
        return 0;
    }
    source.SetFilePath(CFile::FullPath(strSource));
    const auto nLength = static_cast<std::int64_t>(source.GetLength());
    if (nLength <= nPartSize)
    {
        outcome.Note({"The source-file is smaller than the maximum filesize", kAppTitle,
                      MessageIcon::None, strSource});
        return 0;
    }

    // A part that is the source itself (a name of the series that is the
    // source, or a link to it) would replace the file being split; one that
    // is another output of the set would be written twice. The file read is
    // the input: a source that is an output of the set not yet committed is
    // no input under its own name.
    const int nParts = PartCount(static_cast<std::uint64_t>(nLength), nMaxSplitKB);
    PlanParts(outputs, strSourcePath, strBase, nParts);

    // Bytes 0..3 and 16..31 of the source's header are carried into every
    // part header; bytes 32..35 stay zero (they are only written in later
    // parts).
    std::uint8_t abHeader[kLaterPartHeaderSize] = {};
    if (source.Read(abHeader, kPart1HeaderSize) != kPart1HeaderSize)
        throw CFileException(CFileException::endOfFile, source.GetFilePath());

    // The sample-data offset is taken from bytes 5..7 only; byte 4 is zero
    // in every file the builder makes. An offset beyond the end of the
    // source (a damaged or foreign file) leaves no sample data: store 0
    // rather than a negative length.
    const std::int64_t nDataOffset = bo::LoadBE24(abHeader + kHdrDataOffset + 1);
    const std::int64_t nDataLength = nLength > nDataOffset ? nLength - nDataOffset : 0;
    bo::StoreBE32(abHeader + kHdrDataLength, static_cast<std::uint32_t>(nDataLength));
    bo::StoreBE32(abHeader + kHdrPartNumber, 1);

    CCopyBuffer buffer;
    StopIfCancelled(feedback);
    WritePart(outputs, PartName(strBase, 1), abHeader, kPart1HeaderSize, source,
              static_cast<std::uint64_t>(nPartSize), buffer);

    // nLeft: source bytes not yet written after the current part.
    std::int64_t nLeft = nLength - nPartSize - static_cast<std::int64_t>(kPart1HeaderSize);
    feedback.ProgressSetRange(0, static_cast<int>(nLeft / nPartSize + 2));
    feedback.ProgressSetStep(1);
    feedback.ProgressSetPos(1);

    bo::StoreBE32(abHeader + kHdrDataOffset, kLaterPartDataOffset);
    for (int n = 2; nLeft > 0; ++n)
    {
        feedback.ProgressStepIt();
        StopIfCancelled(feedback);
        nLeft -= nPartSize;
        bo::StoreBE32(abHeader + kHdrDataLength, nLeft > 0 ? static_cast<std::uint32_t>(nLeft) : 0);
        bo::StoreBE32(abHeader + kHdrPartNumber, static_cast<std::uint32_t>(n));
        WritePart(outputs, PartName(strBase, n), abHeader, kLaterPartHeaderSize, source,
                  static_cast<std::uint64_t>(nPartSize), buffer);
    }
    feedback.ProgressSetPos(0);
    return nParts;
}
