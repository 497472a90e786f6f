#include "CliCommands.h"

#include "AudioInput.h"
#include "CConsoleFeedback.h"
#include "CDorvane_V2Doc.h"
#include "CFatVolume.h"
#include "CFile.h"
#include "FloppyImage.h"
#include "KrzBuilder.h"
#include "KrzJoin.h"
#include "KrzSplit.h"
#include "MakeFile.h"
#include "MultiDiskCommands.h"
#include "PoolEdit.h"
#include "WavReader.h"
#include "WrittenNames.h"

#include <array>
#include <cstdio>
#include <memory>

// A pool file starts with "DVN"; anything else given alone is a WAV file.
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

namespace
{

void ReportFileError(const CFileException& e, CFeedback& feedback)
{
    feedback.MessageBox(e.GetErrorMessage(), kAppTitle, MessageIcon::Stop);
}

} // namespace

int RunMake(const MakeOptions& options, CConsoleFeedback& feedback)
{
    if (options.nImageKB != 0)
    {
        const SFloppyGeometry* pGeometry = FloppyGeometry(options.nImageKB);
        if (pGeometry == nullptr)
        {
            feedback.MessageBox("Floppy images are 720 or 1440 KB", kAppTitle, MessageIcon::Stop);
            return kExitFailure;
        }
        if (options.bSplit && options.bSplitSizeGiven &&
            options.nSplitKB > MaxFloppyPartKB(*pGeometry))
        {
            feedback.MessageBox("A part of " + std::to_string(options.nSplitKB) +
                                    " KB does not fit on a " + std::to_string(options.nImageKB) +
                                    " KB floppy image: the part size is at most " +
                                    std::to_string(MaxFloppyPartKB(*pGeometry)) + " KB",
                                kAppTitle, MessageIcon::Stop);
            return kExitFailure;
        }
    }
    TemplateBytes abTemplate{};
    std::string strTemplatePath;
    if (!LoadTemplateFile(abTemplate, TemplateSearchDirs(options.strExeDir), &strTemplatePath))
    {
        feedback.MessageBox(kTemplateErrorMessage, kAppTitle, MessageIcon::None);
        return kExitFailure;
    }

    auto pDoc = std::make_unique<CDorvane_V2Doc>();
    CDorvane_V2Doc& doc = *pDoc;
    doc.OnNewDocument();
    std::vector<std::string> aOtherInputs{strTemplatePath};
    const bool bPoolFile = options.aInputs.size() == 1 && LooksLikePoolFile(options.aInputs[0]);
    if (bPoolFile)
    {
        if (!doc.OnOpenDocument(options.aInputs[0], feedback))
            return kExitFailure;
        aOtherInputs.push_back(options.aInputs[0]);
    }
    else
    {
        if (options.aInputs.size() > static_cast<std::size_t>(MAX_POOL))
        {
            feedback.MessageBox(kPoolFullMessage, kAppTitle, MessageIcon::None);
            return kExitFailure;
        }
        for (const auto& strPath : options.aInputs)
            AddPoolEntry(doc, strPath, FileTitleOf(strPath));
    }
    CAudioOptions audio;
    audio.bConvert = options.bConvert;
    audio.nMaxRate = options.nMaxRate;
    audio.bFileMetadata = options.bFileMetadata;
    if (doc.m_nCount < 1)
    {
        feedback.MessageBox(kEmptyPoolMessage, kAppTitle, MessageIcon::None);
        return kExitFailure;
    }

    auto pWavInfo = std::make_unique<WavInfoArray>();
    int nUnusable = 0;
    for (int i = 0; i < doc.m_nCount; ++i)
    {
        CWPoolObj& entry = doc.m_aPool[i];
        // A pool's entry is read where opening found its file (the pool's
        // folder first), never by its stored path from the current folder.
        if (!ReadAudioHeader(entry.FilePath(), (*pWavInfo)[i], audio, feedback))
        {
            ++nUnusable;
            continue;
        }
        // An entry made from a file here takes the root key and loop the
        // file holds, as Add does; a pool's entries keep theirs.
        if (!bPoolFile)
            ApplyFileMetadata(entry, (*pWavInfo)[i], FileTitleOf(entry.m_strFileName), audio);
        if ((*pWavInfo)[i].bLoopIgnored)
            feedback.PrintLine("Note: the loop stored in " + entry.FilePath() +
                               " lies outside its data and is ignored.");
        if ((*pWavInfo)[i].bMetadataIgnored)
            feedback.PrintLine("Note: " + MetadataIgnoredText(entry.m_strFileName) + ".");
    }
    if (nUnusable > 0 && !options.bSkipUnusable)
        return kExitFailure;
    // A file without a single sample is no result: say so rather than write
    // a header and an end mark and report success.
    if (nUnusable == doc.m_nCount)
    {
        feedback.MessageBox(kNothingUsableMessage, kAppTitle, MessageIcon::None);
        return kExitFailure;
    }

    CMakeOptions make;
    make.nFirstObjectID = options.nFirstObjectID;
    make.bSplit = options.bSplit;
    make.nMaxSplitKB = options.nSplitKB;
    make.nFloppyKB = options.nImageKB;
    make.audio = audio;
    make.bMultisample = options.bMultisample;
    CMakeResult result;
    try
    {
        if (!MakeKrzFile(doc, *pWavInfo, make, abTemplate, options.strOutput, aOtherInputs,
                         feedback, result))
            return kExitFailure;
    }
    catch (const CFileException& e)
    {
        ReportFileError(e, feedback);
        return kExitFailure;
    }
    feedback.PrintLine(MakeSummaryText(options.strOutput, result));
    const std::string strNames = WrittenNamesNote(doc, *pWavInfo);
    if (!strNames.empty())
        feedback.PrintLine(strNames);
    return kExitOk;
}

int RunSplit(const std::string& strSource, const std::string& strDest, int nSizeKB,
             CConsoleFeedback& feedback)
{
    const int nBefore = feedback.MessageCount();
    try
    {
        SplitCommand(strSource, strDest, nSizeKB, feedback);
    }
    catch (const CFileException& e)
    {
        ReportFileError(e, feedback);
        return kExitFailure;
    }
    return feedback.MessageCount() == nBefore ? kExitOk : kExitFailure;
}

int RunJoin(const std::string& strFirst, const std::string& strDest, CConsoleFeedback& feedback)
{
    const int nBefore = feedback.MessageCount();
    try
    {
        JoinCommand(strFirst, strDest, feedback);
    }
    catch (const CFileException& e)
    {
        ReportFileError(e, feedback);
        return kExitFailure;
    }
    return feedback.MessageCount() == nBefore ? kExitOk : kExitFailure;
}

int RunImage(const std::vector<std::string>& aFiles, int nImageKB, CConsoleFeedback& feedback)
{
    if (FloppyGeometry(nImageKB) == nullptr)
    {
        feedback.MessageBox("Floppy images are 720 or 1440 KB", kAppTitle, MessageIcon::Stop);
        return kExitFailure;
    }
    bool bOk = false;
    try
    {
        feedback.SetStatusText("Writing floppy images...");
        bOk = MakeFileImages(aFiles, nImageKB, feedback);
    }
    catch (const CFileException& e)
    {
        ReportFileError(e, feedback);
        return kExitFailure;
    }
    feedback.SetStatusText("Ready");
    return bOk ? kExitOk : kExitFailure;
}

int RunPut(const std::string& strImage, const std::vector<std::string>& aFiles,
           const std::string& strFolder, bool bReplace, CConsoleFeedback& feedback)
{
    bool bOk = false;
    try
    {
        bOk = PutIntoDiskImage(strImage, aFiles, strFolder, bReplace, feedback);
    }
    catch (const CFileException& e)
    {
        ReportFileError(e, feedback);
        return kExitFailure;
    }
    feedback.ProgressSetPos(0);
    feedback.SetStatusText("Ready");
    return bOk ? kExitOk : kExitFailure;
}
