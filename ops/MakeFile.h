// Make File as one operation for the window and the command line: the
// settings it takes, the checks before anything is written, the build, the
// optional split and what it reports.
#pragma once

#include "CDorvane_V2Doc.h"
#include "COutcome.h"
#include "KrzBuilder.h"
#include "KrzTemplate.h"
#include "PoolEdit.h"

#include <string>
#include <vector>

class CAtomicFile;
class CFeedback;
class COutputSet;

// The first object ID lies in 200..900 (200 at start-up and after New and
// Open); the part size, in units of 1024 bytes, in 1..650000 (1400 by
// default; 700 and 1400 are the two floppy sizes).
inline constexpr int kMinFirstObjectID = 200;
inline constexpr int kMaxFirstObjectID = 900;
inline constexpr int kDefaultFirstObjectID = 200;
inline constexpr int kDefaultSplitKB = 1400;

inline constexpr const char* kEmptyPoolMessage =
    "Sorry, you must first add 1 or more wav-files to the sample pool...";
inline constexpr const char* kPoolFullMessage =
    "Sorry, you can't have more than 100 samples in the pool...";
inline constexpr const char* kNothingUsableMessage =
    "Sorry, none of the wav-files in the sample pool can be used: no file was written.";

// Everything Make File takes besides the pool and the output's name. Both
// front ends fill it; every option that changes the bytes written is off
// by default.
struct CMakeOptions
{
    int nFirstObjectID = kDefaultFirstObjectID; // 200..900
    bool bSplit = false;                        // also cut the result into parts
    int nMaxSplitKB = kDefaultSplitKB;          // 1..650000
    int nFloppyKB = 0;                          // also write floppy images: 0 (none), 720 or 1440
    // How audio files are read: conversion of other formats, a rate limit,
    // root key and loop from the files. The WAVINFO records must have been
    // read with the same options (ReadAudioHeader).
    CAudioOptions audio;
    // Entries with the same keymap name share one keymap (and program).
    bool bMultisample = false;
};

// What Make File wrote.
struct CMakeResult
{
    KrzBuildSummary build;
    int nParts = 0; // split parts written; 0 when not split
};

// Plans Make File's outputs in outputs: the inputs are the pool's audio
// files (at their FilePath()) and aOtherInputs (the pool file, the
// template); the outputs are strOutput, with nFloppyKB its image
// strOutput + ".img", and, when the file may be split (bSplit or images),
// every part or image name of strOutput that exists now (the output's name
// followed by two or more digits, and those followed by ".img"). The parts
// that do not exist yet are planned as they are written.
void PlanMakeOutputs(const CDorvane_V2Doc& doc, const std::string& strOutput,
                     const std::vector<std::string>& aOtherInputs, const CMakeOptions& options,
                     COutputSet& outputs);

// The outputs PlanMakeOutputs plans for the KRZ file strOutput besides
// itself (its image, the part and image names of it that exist now).
void PlanOutputParts(const std::string& strOutput, const CMakeOptions& options,
                     COutputSet& outputs);

// The parts or floppy images of the written KRZ file krz (uncommitted) as
// Make File writes them, as uncommitted files of outputs; finishes krz.
// nParts: the parts written (0 when not split); notes and refusals as
// WriteOutputImages and SplitKrzInto add them to outcome.
void WriteOutputParts(const std::string& strOutput, CAtomicFile& krz, const CMakeOptions& options,
                      CFeedback& feedback, COutputSet& outputs, int& nParts, COutcome& outcome);

// Make File once the output is chosen: refuses (and writes nothing) a plan
// (PlanMakeOutputs) that COutputSet::CheckPlan refuses, naming the output
// and the file it is, an entry whose rate no sample header holds
// (UnwritableRateMessage), and with bMultisample a group PlanMultisampleGroups
// refuses (its message); otherwise builds strOutput (BuildKrzFile's
// bytes); with nFloppyKB writes its floppy images (WriteOutputImages: the
// file, or its parts at a size that fits the image); otherwise, with
// bSplit, shows "Splitting..." and splits it beside itself. The KRZ file,
// its parts and its images replace the files of their names together once
// all are written. Ends with "Ready" and the progress bar at 0. Returns
// the outcome: a refusal, or a success, either with what the split and the
// images had to say as notes in order (a file too small to split). Shows
// no message itself. Throws CFileException as the build and the split do,
// leaving every earlier output as it was and no temporary file; likewise
// COperationCancelled (CCancel.h) when feedback's user asks to stop (asked
// at each step of the build, each part, each image and before the outputs
// replace their names).
COutcome MakeKrzFile(CDorvane_V2Doc& doc, const WavInfoArray& aWavInfo, const CMakeOptions& options,
                     TemplateBytes& abTemplate, const std::string& strOutput,
                     const std::vector<std::string>& aOtherInputs, CFeedback& feedback,
                     CMakeResult& result);

// One line that says what Make File wrote, for example
// "Wrote P.KRZ: 3 samples, 3 keymaps, 3 programs, 91108 bytes, 2 parts".
std::string MakeSummaryText(const std::string& strOutput, const CMakeResult& result);
