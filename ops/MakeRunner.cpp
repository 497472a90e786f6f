#include "MakeRunner.h"

#include "AudioInput.h"
#include "CCancel.h"
#include "CFile.h"
#include "CFileException.h"
#include "PoolEdit.h"
#include "WrittenNames.h"

#include <array>

bool LooksLikePoolFile(const std::string& strPath)
{
    CFile file;
    if (!file.Open(strPath, CFile::modeRead))
        return false;
    std::array<std::uint8_t, 3> ab{};
    try
    {
        return file.Read(ab.data(), ab.size()) == ab.size() && ab[0] == 'D' && ab[1] == 'V' &&
               ab[2] == 'N';
    }
    catch (const CFileException&)
    {
        return false; // unreadable: the audio reader says so, naming the file
    }
}

COutcome LoadMakePool(const std::vector<std::string>& aInputs, SMakePool& pool)
{
    CDorvane_V2Doc& doc = *pool.pDoc;
    doc.OnNewDocument();
    if (aInputs.size() == 1 && LooksLikePoolFile(aInputs[0]))
    {
        COutcome outcome = doc.OnOpenDocument(aInputs[0]);
        if (!outcome.IsOk())
            return outcome;
        pool.bPoolFile = true;
        pool.aOtherInputs.push_back(aInputs[0]);
        if (doc.m_nCount < 1)
            outcome.Refuse({kEmptyPoolMessage, kAppTitle, MessageIcon::None, aInputs[0]});
        return outcome;
    }
    if (aInputs.size() > static_cast<std::size_t>(MAX_POOL))
        return COutcome::Refusal(kPoolFullMessage);
    for (const auto& strPath : aInputs)
        AddPoolEntry(doc, strPath, FileTitleOf(strPath));
    if (doc.m_nCount < 1)
        return COutcome::Refusal(kEmptyPoolMessage);
    return {};
}

COutcome ReadEntryHeaders(SMakePool& pool, const CAudioOptions& audio, bool bTakeFileMetadata,
                          bool bHeaderNotes)
{
    CDorvane_V2Doc& doc = *pool.pDoc;
    WavInfoArray& aWavInfo = *pool.pWavInfo;
    COutcome outcome;
    pool.nUnusable = 0;
    for (int i = 0; i < doc.m_nCount; ++i)
    {
        CWPoolObj& entry = doc.m_aPool[i];
        // An entry is read where its file was found (a pool's folder
        // first), never by its stored path from the current folder.
        // An unusable entry's message is a note here: the caller judges.
        const COutcome read = ReadAudioHeader(entry.FilePath(), aWavInfo[i], audio);
        for (const SOutcomeNote& note : read.Notes())
            outcome.Note(note);
        if (!read.IsOk())
        {
            ++pool.nUnusable;
            continue;
        }
        if (bTakeFileMetadata)
            ApplyFileMetadata(entry, aWavInfo[i], FileTitleOf(entry.m_strFileName), audio);
        if (bHeaderNotes && aWavInfo[i].bLoopIgnored)
            outcome.Note({"Note: the loop stored in " + entry.FilePath() +
                              " lies outside its data and is ignored.",
                          kAppTitle, MessageIcon::None, entry.FilePath()});
        if (bHeaderNotes && aWavInfo[i].bMetadataIgnored)
            outcome.Note({"Note: " + MetadataIgnoredText(entry.m_strFileName) + ".", kAppTitle,
                          MessageIcon::None, entry.FilePath()});
    }
    return outcome;
}

COutcome RunMakeFile(CDorvane_V2Doc& doc, const WavInfoArray& aWavInfo, const CMakeOptions& options,
                     TemplateBytes& abTemplate, const std::string& strOutput,
                     const std::string& strShownName, const std::vector<std::string>& aOtherInputs,
                     CFeedback& feedback, SMadeFile& made)
{
    made = SMadeFile{};
    COutcome outcome;
    try
    {
        outcome = MakeKrzFile(doc, aWavInfo, options, abTemplate, strOutput, aOtherInputs, feedback,
                              made.result);
    }
    catch (const CFileException& e)
    {
        return COutcome::FileError(e);
    }
    catch (const COperationCancelled&)
    {
        return COutcome::Cancelled();
    }
    if (outcome.IsOk())
    {
        made.strSummary = MakeSummaryText(strShownName, made.result);
        made.strNames = WrittenNamesNote(doc, aWavInfo);
    }
    return outcome;
}
