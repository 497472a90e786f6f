// Make File of instruments (read from instrument files or grouped from
// audio files by their names): one program with one layer and one keymap
// per instrument, all instruments of a make in one KRZ file as a library,
// numbered from the first object ID. When the object numbers (up to 999 of
// each type) run out, the instruments left go into a second file, OUT-2.KRZ
// beside OUT.KRZ (the number before the extension), then OUT-3.KRZ, ...
#pragma once

#include "CInstrument.h"
#include "COutcome.h"
#include "MakeFile.h"

#include <string>
#include <vector>

class CFeedback;

inline constexpr const char* kNoInstrumentMessage =
    "Sorry, none of the instruments has a zone that can be played: no file was written.";
// Notes for options that do not apply to instruments.
inline constexpr const char* kInstrumentMultisampleNote =
    "Note: every instrument has a keymap of its own; entries sharing keymaps do not apply.";
inline constexpr const char* kInstrumentMetadataNote =
    "Note: the zones give their root keys and loops; those stored in the files are not used.";

// The name of file nFile (2, 3, ...) of a library written as strOutput:
// "-<nFile>" before the extension ("OUT.KRZ" gives "OUT-2.KRZ", "lib" gives
// "lib-2"); file 1 is strOutput itself.
std::string LibraryFileName(const std::string& strOutput, int nFile);

// What a make of instruments wrote, file by file.
struct SMadeInstruments
{
    std::vector<std::string> aFiles; // the output, then the files the rest went into
    std::vector<KrzBuildSummary> aBuilds;
    std::vector<int> anInstruments; // instruments in each file
    std::vector<int> anParts;       // split parts of each file (0: not split)
    // One line per file: "Wrote OUT.KRZ: 2 instruments, 12 samples, 2
    // keymaps, 2 programs, 91108 bytes, 3 parts"; for a second file, the
    // line says the object numbers of the first ran out.
    std::vector<std::string> aSummary;
};

// Writes the instruments of aSets, each file split or put on floppy images
// as Make File does it with bSplit and nFloppyKB (OUT.KRZ01.., then
// OUT-2.KRZ01..). Refuses, writing nothing: options out of their ranges
// (CheckMakeOptions), a set the reader refused (its message), no
// instrument with a zone to play (kNoInstrumentMessage), an instrument
// needing more sample numbers than a file holds, and outputs that
// COutputSet refuses (every zone file and aOtherInputs are its inputs).
// options.audio's conversion and rate limit apply to zone audio from
// files; --multisample and the files' own root keys and loops do not apply
// (a note says so for each). The readers' notes, then the builder's (zones left out, ranges
// cut, gains saturated), are notes of the outcome. The files replace those
// of their names together once all are written; a file error is a refusal
// naming its file, and leaves every earlier file as it was.
COutcome RunMakeInstruments(const std::vector<CInstrumentSet>& aSets, const CMakeOptions& options,
                            TemplateBytes& abTemplate, const std::string& strOutput,
                            const std::vector<std::string>& aOtherInputs, CFeedback& feedback,
                            SMadeInstruments& made);
