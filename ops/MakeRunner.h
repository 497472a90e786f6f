// The steps of Make File: the pool it reads (loaded from a pool file or from
// audio files), the headers of its entries, the build with its parts and
// images, and the lines that say what was written. RunMakeCommand
// (MakeCommand.h) runs them all for dorvane-cli and the page; the window,
// which keeps its pool and headers while the user edits them, calls
// RunMakeFile. None shows anything: each returns an outcome, and each front
// end shows it its own way.
#pragma once

#include "COutcome.h"
#include "MakeFile.h"

#include <memory>
#include <string>
#include <vector>

class CFeedback;

// A pool ready for Make File: the entries and their headers, and the files
// besides the entries that it is made from (the template, the pool file).
struct SMakePool
{
    std::unique_ptr<CDorvane_V2Doc> pDoc = std::make_unique<CDorvane_V2Doc>();
    std::unique_ptr<WavInfoArray> pWavInfo = std::make_unique<WavInfoArray>();
    std::vector<std::string> aOtherInputs;
    bool bPoolFile = false; // loaded from a pool file, not from audio files
    int nUnusable = 0;      // entries whose header cannot be used
};

// Whether strPath starts as a pool file does ("DVN"); anything else given
// alone is an audio file.
bool LooksLikePoolFile(const std::string& strPath);

// Fills pool from aInputs: one pool file (starting "DVN"), opened as the
// window opens it, its entries found as the window finds them; or audio
// files, each an entry as Add makes it. An empty list is refused with
// kEmptyPoolMessage, more than MAX_POOL files with kPoolFullMessage, a pool
// file that cannot be opened with its message. The pool file is added to
// the other inputs.
COutcome LoadMakePool(const std::vector<std::string>& aInputs, SMakePool& pool);

// Reads the header of every entry where it was found, with audio; an
// unusable entry's message is a note (the outcome stays a success: the
// caller judges nUnusable). With bTakeFileMetadata each usable entry takes
// the root key and loop the file holds, as Add does. With bHeaderNotes a
// loop outside the data and metadata that cannot be read are noted as
// "Note: ..." lines after the entry's own messages.
COutcome ReadEntryHeaders(SMakePool& pool, const CAudioOptions& audio, bool bTakeFileMetadata,
                          bool bHeaderNotes);

// What a Make File run wrote, besides its outcome.
struct SMadeFile
{
    CMakeResult result;
    std::string strSummary; // MakeSummaryText with the output's name as shown
    std::string strNames;   // WrittenNamesNote: the names written otherwise, or empty
};

// Make File of a pool whose headers are read (aWavInfo, read with
// options.audio): MakeKrzFile, with a file error as a refusal naming its
// file (Stop icon), and a stop the user asked for (feedback.IsCancelled) as
// COutcome::Cancelled(), nothing written. On success, made holds the summary line (naming the
// output as strShownName) and the note of names written otherwise.
COutcome RunMakeFile(CDorvane_V2Doc& doc, const WavInfoArray& aWavInfo, const CMakeOptions& options,
                     TemplateBytes& abTemplate, const std::string& strOutput,
                     const std::string& strShownName, const std::vector<std::string>& aOtherInputs,
                     CFeedback& feedback, SMadeFile& made);
