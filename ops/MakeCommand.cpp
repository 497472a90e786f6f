#include "MakeCommand.h"

#include "FloppyImage.h"
#include "ImageRunner.h"
#include "MakeOptionsCheck.h"

namespace
{

// Entries a face filled are judged at once: they need nothing loaded.
COutcome CheckGivenEntries(const std::vector<CWPoolObj>& aEntries)
{
    if (aEntries.empty())
        return COutcome::Refusal(kEmptyPoolMessage);
    if (aEntries.size() > static_cast<std::size_t>(MAX_POOL))
        return COutcome::Refusal(kPoolFullMessage);
    return {};
}

void FillPool(const std::vector<CWPoolObj>& aEntries, CDorvane_V2Doc& doc)
{
    doc.OnNewDocument();
    for (const CWPoolObj& entry : aEntries)
        doc.m_aPool[doc.m_nCount++] = entry;
}

// The pool of the request with every entry's header read: a refusal, or
// the header notes with a failure when unusable entries may not be skipped.
COutcome LoadAndRead(const SMakeRequest& request, SMakePool& pool)
{
    if (request.oEntries)
        FillPool(*request.oEntries, *pool.pDoc);
    else if (COutcome loaded = LoadMakePool(request.aInputs, pool); !loaded.IsOk())
        return loaded;
    const bool bTakeMetadata =
        request.bNewEntriesTakeMetadata && !request.oEntries && !pool.bPoolFile;
    COutcome outcome =
        ReadEntryHeaders(pool, request.options.audio, bTakeMetadata, request.bHeaderNotes);
    if (pool.nUnusable > 0 && !request.bSkipUnusable)
        outcome.Fail();
    // A file without a single sample is no result: say so rather than write
    // a header and an end mark and report success.
    else if (pool.nUnusable == pool.pDoc->m_nCount)
        outcome.Refuse({kNothingUsableMessage, kAppTitle, MessageIcon::None, {}});
    return outcome;
}

} // namespace

std::string PartTooLargeMessage(int nPartKB, int nFloppyKB, int nMaxPartKB)
{
    return "A part of " + std::to_string(nPartKB) + " KB does not fit on a " +
           std::to_string(nFloppyKB) + " KB floppy image: the part size is at most " +
           std::to_string(nMaxPartKB) + " KB";
}

COutcome CheckMakeRequestOptions(const CMakeOptions& options, bool bSplitSizeGiven)
{
    if (const std::string strRange = CheckMakeOptions(options); !strRange.empty())
        return COutcome::Refusal(strRange, MessageIcon::Stop);
    if (options.nFloppyKB == 0)
        return {};
    const SFloppyGeometry* pGeometry = FloppyGeometry(options.nFloppyKB);
    if (pGeometry == nullptr)
        return COutcome::Refusal(kFloppySizeMessage, MessageIcon::Stop);
    if (options.bSplit && bSplitSizeGiven && options.nMaxSplitKB > MaxFloppyPartKB(*pGeometry))
        return COutcome::Refusal(PartTooLargeMessage(options.nMaxSplitKB, options.nFloppyKB,
                                                     MaxFloppyPartKB(*pGeometry)),
                                 MessageIcon::Stop);
    return {};
}

COutcome RunMakeCommand(const SMakeRequest& request, CFeedback& feedback, SMadeFile& made)
{
    made = SMadeFile{};
    if (request.oEntries)
        if (COutcome given = CheckGivenEntries(*request.oEntries); !given.IsOk())
            return given;
    if (COutcome checked = CheckMakeRequestOptions(request.options, request.bSplitSizeGiven);
        !checked.IsOk())
        return checked;
    TemplateBytes abTemplate{};
    std::string strTemplatePath;
    if (!LoadTemplateFile(abTemplate, request.aTemplateDirs, &strTemplatePath))
        return COutcome::Refusal(kTemplateErrorMessage);

    SMakePool pool;
    pool.aOtherInputs.push_back(strTemplatePath);
    COutcome outcome = LoadAndRead(request, pool);
    if (!outcome.IsOk())
        return outcome;
    outcome.Append(RunMakeFile(*pool.pDoc, *pool.pWavInfo, request.options, abTemplate,
                               request.strOutput, request.strShownName, pool.aOtherInputs,
                               feedback, made));
    return outcome;
}
