// The Make command from a face's request to one outcome: the checks of the
// options, the template, the pool (audio files, a pool file, or entries the
// face filled), the headers of its entries, the rules for unusable entries
// and the build. The window, dorvane-cli and the page turn their input into
// a request and show the outcome; none of them holds a step of its own.
#pragma once

#include "CWPoolObj.h"
#include "MakeRunner.h"

#include <optional>
#include <string>
#include <vector>

class CFeedback;

struct SMakeRequest
{
    // One pool file or audio files, as dorvane-cli takes them; used when
    // oEntries is empty.
    std::vector<std::string> aInputs;
    // The entries a face filled itself (each read at FilePath()); when
    // given, aInputs is not looked at.
    std::optional<std::vector<CWPoolObj>> oEntries;
    CMakeOptions options;
    // options.nMaxSplitKB was asked for rather than left at its default: a
    // size that does not fit the floppy image is then refused.
    bool bSplitSizeGiven = false;
    std::vector<std::string> aTemplateDirs; // searched in order for the template
    bool bSkipUnusable = false;             // else an unusable entry fails the command
    // Entries made here from audio files take the root key and loop the
    // file holds, as Add does; a pool file's or the face's entries keep theirs.
    bool bNewEntriesTakeMetadata = false;
    // A loop outside the data and metadata that cannot be read are noted
    // ("Note: ...") after each entry's own messages.
    bool bHeaderNotes = false;
    std::string strOutput;    // the KRZ file to write
    std::string strShownName; // how the summary line names it
};

// The refusal of a part size that does not fit the floppy image.
std::string PartTooLargeMessage(int nPartKB, int nFloppyKB, int nMaxPartKB);

// The checks of a request's options before anything is read, in order: each
// value against the option table's range (Stop), a floppy size other than
// 720 or 1440 (kFloppySizeMessage, Stop), and with bSplitSizeGiven a part
// size that does not fit the image (PartTooLargeMessage, Stop).
COutcome CheckMakeRequestOptions(const CMakeOptions& options, bool bSplitSizeGiven);

// Runs Make File for request. The outcome's notes, in this order, are the
// first refusal that applies of: given entries that are none
// (kEmptyPoolMessage) or more than MAX_POOL (kPoolFullMessage); the
// options (CheckMakeRequestOptions); no template in aTemplateDirs
// (kTemplateErrorMessage); the pool (LoadMakePool's refusals); then each
// entry's header messages (ReadEntryHeaders); then a refusal without a note
// of its own when an entry is unusable and bSkipUnusable is off, or
// kNothingUsableMessage when no entry is usable; then RunMakeFile's
// outcome. On success made holds the summary line and the note of names
// written otherwise, which the face shows after the notes.
COutcome RunMakeCommand(const SMakeRequest& request, CFeedback& feedback, SMadeFile& made);
