// The page's operations over the engine, on files in the worker's file
// system (MEMFS): the page writes its inputs into a folder, the operation
// writes its outputs into another and names them, and the page reads them
// back. Every operation reports through a CWebFeedback and returns false
// when one of its messages means failure; it then names no output, so the
// page offers nothing.
#pragma once

#include "AudioInput.h"
#include "CInstrument.h"
#include "CWebFeedback.h"
#include "MakeRunner.h"
#include "RootKey.h"

#include <cstdint>
#include <string>
#include <vector>

// The folder of the embedded dvntemp.dat, the only one Make File reads.
inline constexpr const char* kWebTemplateDir = "/";

// One entry as the page's table holds it: the file it was written to and
// the pool form's fields.
struct SWebEntry
{
    std::string m_strFileName; // the path stored in a pool file
    std::string m_strPath;     // where the WAV bytes lie; m_strFileName when empty
    std::string m_strSampleName;
    std::string m_strKeymapName;
    std::string m_strProgramName;
    bool m_bLoop = false;
    int m_nRootKey = kDefaultRootKey;
    bool m_bKeymapEnable = true;
    bool m_bProgramEnable = true;
};

struct SWebResult
{
    bool m_bOk = false;
    std::vector<std::string> m_aFiles; // outputs written, in order
    std::string m_strText;             // the summary line or the report
    std::string m_strNote;             // Make File: WrittenNamesNote, or empty
};

// Make File: the entries (1..MAX_POOL, each usable, as dorvane-cli make
// takes them, or with bSkipUnusable those that are, as with its
// --skip-unusable; their headers read by ReadAudioHeader with options.audio)
// built into strOutput with options; the KRZ file, or its parts with
// bSplit, or only its floppy images with nFloppyKB, are named in the
// result; m_strText is the summary line. A rate limit outside
// IsRateLimitInRange is refused with kRateLimitRangeMessage.
SWebResult WebMake(const std::vector<SWebEntry>& aEntries, const CMakeOptions& options,
                   bool bSkipUnusable, const std::string& strOutput, CWebFeedback& feedback);

// Split strSource into parts named after itself, nSizeKB in 1..650000.
SWebResult WebSplit(const std::string& strSource, int nSizeKB, CWebFeedback& feedback);

// Join the series that starts at strFirst (its parts beside it) into
// strDest.
SWebResult WebJoin(const std::string& strFirst, const std::string& strDest, CWebFeedback& feedback);

// What dorvane-cli info prints for each file, in m_strText; m_bOk is false
// when a file cannot be read or a check fails.
SWebResult WebInfo(const std::vector<std::string>& aFiles, CWebFeedback& feedback);

// Writes the entries as a pool file (version 203) at strPath.
SWebResult WebSavePool(const std::vector<SWebEntry>& aEntries, const std::string& strPath,
                       CWebFeedback& feedback);

// Reads the pool file strPath into aEntries (m_strPath left empty).
bool WebReadPool(const std::string& strPath, std::vector<SWebEntry>& aEntries,
                 CWebFeedback& feedback);

// The header facts of a WAV file as the entry form shows them, and what
// Add takes from it. A rate limit outside IsRateLimitInRange makes every
// file invalid with kRateLimitRangeMessage.
struct SWavFacts
{
    bool m_bValid = false;
    std::string m_strType;    // WavTypeText: "16-bit Stereo PCM, 44100 Hz, 176400 Bytes"
    std::string m_strSampleName; // Add's sample name of strTitle, cut to the field
    std::string m_strMessage; // why the file cannot be used; empty when valid
    // The native build would read the file through libsndfile or resample
    // it (NeedsAudioLibraries): the page decodes it itself.
    bool m_bNeedsDecoding = false;
    // Add's root key and LoopSwitch for the file (ApplyFileMetadata with
    // the file title strTitle): 48 and off without the file-metadata option.
    int m_nRootKey = kDefaultRootKey;
    bool m_bLoop = false;
    bool m_bLoopIgnored = false; // the file's loop lies outside its data
    bool m_bMetadataIgnored = false; // its markers or instrument cannot be read
    // The file's loop in frames (end inclusive), read with the
    // file-metadata option: where the sampler loops with LoopSwitch on.
    bool m_bHasLoop = false;
    double m_dLoopStart = 0;
    double m_dLoopEnd = 0;
    int m_nChannels = 0;
    int m_nBitsPerSample = 0;
    int m_nSamplesPerSec = 0;
    int m_nDataOffset = 0;
    int m_nDataSize = 0;
};
SWavFacts WebWavFacts(const std::string& strPath, const std::string& strTitle,
                      const CAudioOptions& options);

// The instruments the instrument file strPath (.sfz; .dspreset and .sf2
// are refused in this build) holds, as the page shows them before Make
// File. The reader's refusal (Exclamation) or its notes (None) are messages
// of feedback; an empty list when the file is refused.
std::vector<CInstrument> WebReadInstruments(const std::string& strPath, CWebFeedback& feedback);

// Make File of instruments: aInputs, as dorvane-cli make takes them, go to
// RunInstrumentCommand with the embedded template, and the files written
// into strOutput's folder are named in the result; m_strText is the
// summary, a line per file. Inputs that are not instrument files (the
// pool's entries) are refused with kInstrumentMixMessage.
SWebResult WebMakeInstruments(const std::vector<std::string>& aInputs, const CMakeOptions& options,
                              const std::string& strOutput, CWebFeedback& feedback);

// Extract: RunExtract into strOutDir (empty or missing) of the files given
// (KRZ files, split files' parts in any order), less the later parts of
// split files, which it reads beside their first parts; when every file
// given is a later part, all go to RunExtract, which refuses each. The
// result names every file under strOutDir, sorted by path, only when every
// source was extracted (a failed source's message names it; the page then
// offers nothing, as after any failure).
SWebResult WebExtract(const std::vector<std::string>& aFiles, const std::string& strOutDir,
                      CWebFeedback& feedback);
