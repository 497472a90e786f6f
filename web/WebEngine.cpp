#include "WebEngine.h"

#include "CDorvane_V2Doc.h"
#include "CFile.h"
#include "CFileException.h"
#include "ExtractRunner.h"
#include "InfoRunner.h"
#include "InstrumentCommand.h"
#include "InstrumentFile.h"
#include "JoinRunner.h"
#include "KrzFormat.h"
#include "KrzReader.h"
#include "KrzSplit.h"
#include "MakeCommand.h"
#include "MultiDiskCommands.h"
#include "Multisample.h"
#include "OptionTable.h"
#include "PoolEdit.h"
#include "RootKey.h"
#include "SplitRunner.h"
#include "WavReader.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <memory>
#include <set>

namespace fs = std::filesystem;

namespace
{

// The files of a folder, sorted by name.
std::set<std::string> FilesIn(const std::string& strFolder)
{
    std::set<std::string> aFiles;
    std::error_code ec;
    for (const auto& item : fs::directory_iterator(strFolder, ec))
        if (item.is_regular_file(ec))
            aFiles.insert(item.path().string());
    return aFiles;
}

std::string FolderOf(const std::string& strPath)
{
    const std::string strFolder = fs::path(strPath).parent_path().string();
    return strFolder.empty() ? "." : strFolder;
}

// What an operation wrote: the files of its output folder that were not
// there before it. Outputs are listed only after the operation succeeded,
// so a failure offers nothing even where a file was left behind.
std::vector<std::string> NewFiles(const std::string& strFolder,
                                  const std::set<std::string>& aBefore)
{
    std::vector<std::string> aNew;
    for (const auto& strFile : FilesIn(strFolder))
        if (aBefore.count(strFile) == 0)
            aNew.push_back(strFile);
    return aNew;
}

// The page shows an outcome's notes in its message list, in order.
void ShowOutcome(const COutcome& outcome, CWebFeedback& feedback)
{
    for (const SOutcomeNote& note : outcome.Notes())
        feedback.MessageBox(note.strText, note.strCaption, note.icon);
}

// The entries as the pool holds them: each keeps the name the page keeps
// for the pool file, and is read where its bytes lie (m_strPath, as a
// found path).
std::vector<CWPoolObj> PoolEntries(const std::vector<SWebEntry>& aEntries)
{
    std::vector<CWPoolObj> aObjs;
    aObjs.reserve(aEntries.size());
    for (const auto& entry : aEntries)
    {
        CWPoolObj& obj = aObjs.emplace_back();
        obj.m_strFileName = entry.m_strFileName;
        obj.m_strFoundPath = entry.m_strPath;
        obj.m_strSampleName = entry.m_strSampleName;
        obj.m_strKeymapName = entry.m_strKeymapName;
        obj.m_strProgramName = entry.m_strProgramName;
        obj.m_bLoop = entry.m_bLoop ? 1 : 0;
        obj.m_nRootKey = entry.m_nRootKey;
        obj.m_bKeymapEnable = entry.m_bKeymapEnable ? 1 : 0;
        obj.m_bProgramEnable = entry.m_bProgramEnable ? 1 : 0;
    }
    return aObjs;
}

// Whether strPath's header is that of part 2, 3, ... of a split file; the
// header alone is read.
bool IsLaterPart(const std::string& strPath)
{
    std::uint8_t ab[kKrzHeaderSize] = {};
    std::size_t nRead = 0;
    try
    {
        CFile file(strPath, CFile::modeRead);
        nRead = file.Read(ab, sizeof ab);
    }
    catch (const CFileException&)
    {
        return false; // RunExtract names the file and its fault
    }
    return ReadKrzData(ab, nRead).partKind == KrzPartKind::laterPart;
}

// Runs run() (giving an outcome, shown through feedback) and, when it
// succeeds, names the files that appeared in strOutput's folder.
template <class FRun>
SWebResult RunNamingNewFiles(const std::string& strOutput, CWebFeedback& feedback, FRun run)
{
    const std::string strFolder = FolderOf(strOutput);
    const auto aBefore = FilesIn(strFolder);
    const COutcome outcome = run();
    ShowOutcome(outcome, feedback);
    SWebResult result;
    if (!outcome.IsOk())
        return result;
    result.m_bOk = true;
    result.m_aFiles = NewFiles(strFolder, aBefore);
    return result;
}

} // namespace

SWebResult WebMake(const std::vector<SWebEntry>& aEntries, const CMakeOptions& options,
                   bool bSkipUnusable, const std::string& strOutput, CWebFeedback& feedback)
{
    SMakeRequest request;
    request.oEntries = PoolEntries(aEntries);
    request.options = options;
    // Only the embedded template: the current folder holds the user's files.
    request.aTemplateDirs = {kWebTemplateDir};
    // The page shows each entry's verdict before; unusable entries fail
    // Make File unless the page's "Leave out unusable files" is set.
    request.bSkipUnusable = bSkipUnusable;
    request.strOutput = strOutput;
    request.strShownName = fs::path(strOutput).filename().string();
    SMadeFile made;
    SWebResult result = RunNamingNewFiles(strOutput, feedback, [&]
                                          { return RunMakeCommand(request, feedback, made); });
    if (!result.m_bOk)
        return result;
    result.m_strText = made.strSummary;
    result.m_strNote = made.strNames;
    return result;
}

SWebResult WebSplit(const std::string& strSource, int nSizeKB, CWebFeedback& feedback)
{
    SWebResult result;
    const std::string strFolder = FolderOf(strSource);
    const auto aBefore = FilesIn(strFolder);
    int nParts = 0;
    const COutcome outcome = RunSplitFile(strSource, "", nSizeKB, feedback, nParts);
    ShowOutcome(outcome, feedback);
    result.m_bOk = outcome.IsOk();
    if (result.m_bOk)
        result.m_aFiles = NewFiles(strFolder, aBefore);
    return result;
}

SWebResult WebJoin(const std::string& strFirst, const std::string& strDest, CWebFeedback& feedback)
{
    SWebResult result;
    const COutcome outcome = RunJoinFiles(strFirst, strDest, feedback);
    ShowOutcome(outcome, feedback);
    result.m_bOk = outcome.IsOk();
    if (result.m_bOk)
        result.m_aFiles.push_back(strDest);
    return result;
}

SWebResult WebInfo(const std::vector<std::string>& aFiles, CWebFeedback& feedback)
{
    SWebResult result;
    const COutcome outcome = RunInfoFiles(aFiles, result.m_strText);
    ShowOutcome(outcome, feedback);
    result.m_bOk = outcome.IsOk();
    return result;
}

SWebResult WebSavePool(const std::vector<SWebEntry>& aEntries, const std::string& strPath,
                       CWebFeedback& feedback)
{
    SWebResult result;
    if (aEntries.size() > static_cast<std::size_t>(MAX_POOL))
    {
        feedback.MessageBox(kPoolFullMessage, kAppTitle, MessageIcon::None);
        return result;
    }
    auto pDoc = std::make_unique<CDorvane_V2Doc>();
    pDoc->OnNewDocument();
    for (const CWPoolObj& entry : PoolEntries(aEntries))
        pDoc->m_aPool[pDoc->m_nCount++] = entry;
    const COutcome saved = pDoc->OnSaveDocument(strPath);
    ShowOutcome(saved, feedback);
    if (!saved.IsOk())
        return result;
    result.m_bOk = true;
    result.m_aFiles.push_back(strPath);
    return result;
}

bool WebReadPool(const std::string& strPath, std::vector<SWebEntry>& aEntries,
                 CWebFeedback& feedback)
{
    auto pDoc = std::make_unique<CDorvane_V2Doc>();
    pDoc->OnNewDocument();
    const COutcome opened = pDoc->OnOpenDocument(strPath);
    ShowOutcome(opened, feedback);
    if (!opened.IsOk())
        return false;
    aEntries.clear();
    for (int i = 0; i < pDoc->m_nCount; ++i)
    {
        const CWPoolObj& obj = pDoc->m_aPool[i];
        SWebEntry entry;
        entry.m_strFileName = obj.m_strFileName;
        entry.m_strSampleName = obj.m_strSampleName;
        entry.m_strKeymapName = obj.m_strKeymapName;
        entry.m_strProgramName = obj.m_strProgramName;
        entry.m_bLoop = obj.m_bLoop != 0;
        entry.m_nRootKey = obj.m_nRootKey;
        entry.m_bKeymapEnable = obj.m_bKeymapEnable != 0;
        entry.m_bProgramEnable = obj.m_bProgramEnable != 0;
        aEntries.push_back(entry);
    }
    return true;
}

SWavFacts WebWavFacts(const std::string& strPath, const std::string& strTitle,
                      const CAudioOptions& options)
{
    SWavFacts facts;
    if (const std::string strRange = CheckOptionValue(Option("maxRate"), options.nMaxRate);
        !strRange.empty())
    {
        facts.m_strMessage = strRange;
        return facts;
    }
    WAVINFO info;
    const COutcome read = ReadAudioHeader(strPath, info, options);
    facts.m_bValid = read.IsOk();
    // This build refuses every file that needs the audio libraries: only a
    // refused file can need them.
    facts.m_bNeedsDecoding = !facts.m_bValid && NeedsAudioLibraries(strPath, options);
    if (facts.m_bValid)
    {
        CWPoolObj entry;
        entry.m_nRootKey = kDefaultRootKey;
        entry.m_bLoop = 0;
        ApplyFileMetadata(entry, info, strTitle, options);
        facts.m_nRootKey = entry.m_nRootKey;
        facts.m_bLoop = entry.m_bLoop != 0;
        facts.m_bLoopIgnored = info.bLoopIgnored;
        facts.m_bMetadataIgnored = info.bMetadataIgnored;
        facts.m_bHasLoop = info.bHasLoop;
        facts.m_dLoopStart = static_cast<double>(info.nLoopStart);
        facts.m_dLoopEnd = static_cast<double>(info.nLoopEnd);
    }
    facts.m_strType = WavTypeText(info);
    facts.m_strSampleName = CutToChars(SampleNameFromTitle(strTitle), kNameFieldChars);
    facts.m_strMessage = read.Text();
    facts.m_nChannels = info.nChannels;
    facts.m_nBitsPerSample = info.nBitsPerSample;
    facts.m_nSamplesPerSec = info.nSamplesPerSec;
    facts.m_nDataOffset = info.nDataOffset;
    facts.m_nDataSize = info.nDataSize;
    return facts;
}

std::vector<CInstrument> WebReadInstruments(const std::string& strPath, CWebFeedback& feedback)
{
    CInstrumentSet set = ReadInstrumentFile(strPath);
    if (!set.strRefusal.empty())
        feedback.MessageBox(set.strRefusal, kAppTitle, MessageIcon::Exclamation);
    for (const std::string& strNote : set.aNotes)
        feedback.MessageBox(strNote, kAppTitle, MessageIcon::None);
    return std::move(set.aInstruments);
}

SWebResult WebMakeInstruments(const std::vector<std::string>& aInputs, const CMakeOptions& options,
                              const std::string& strOutput, CWebFeedback& feedback)
{
    SInstrumentRequest request;
    request.aInputs = aInputs;
    request.options = options;
    request.aTemplateDirs = {kWebTemplateDir};
    request.strOutput = strOutput;
    SMadeInstruments made;
    SWebResult result = RunNamingNewFiles(strOutput, feedback, [&]
                                          { return RunInstrumentCommand(request, feedback, made); });
    if (!result.m_bOk)
        return result;
    // The summary names the files by their names, as Make File's does
    // (strShownName), not by their places in the worker's folder.
    const std::string strPrefix = FolderOf(strOutput) + "/";
    for (std::string strLine : made.aSummary)
    {
        for (std::size_t n = strLine.find(strPrefix); n != std::string::npos;
             n = strLine.find(strPrefix, n))
            strLine.erase(n, strPrefix.size());
        result.m_strText += (result.m_strText.empty() ? "" : "\n") + strLine;
    }
    return result;
}

SWebResult WebExtract(const std::vector<std::string>& aFiles, const std::string& strOutDir,
                      CWebFeedback& feedback)
{
    std::vector<std::string> aSources;
    std::copy_if(aFiles.begin(), aFiles.end(), std::back_inserter(aSources),
                 [](const std::string& strPath) { return !IsLaterPart(strPath); });
    if (aSources.empty())
        aSources = aFiles;
    SWebResult result;
    const COutcome outcome = RunExtract(aSources, strOutDir, feedback);
    ShowOutcome(outcome, feedback);
    result.m_bOk = outcome.IsOk();
    if (!result.m_bOk)
        return result;
    std::error_code ec;
    for (const auto& item : fs::recursive_directory_iterator(strOutDir, ec))
        if (item.is_regular_file(ec))
            result.m_aFiles.push_back(item.path().string());
    std::sort(result.m_aFiles.begin(), result.m_aFiles.end());
    return result;
}
