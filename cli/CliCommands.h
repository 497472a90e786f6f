// The command line's operations over the same engine as the window. Each
// returns the process exit status: 0 success, 1 failure. Messages go
// through the feedback with the program's own texts.
#pragma once

#include "MakeRunner.h"

#include <string>
#include <vector>

class CFeedback;
class CConsoleFeedback;

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

struct MakeOptions
{
    std::string strOutput;
    std::vector<std::string> aInputs; // one pool file, or WAV files
    CMakeOptions make;                // the table's options of Make File (SetMakeOption)
    bool bSkipUnusable = false;
    bool bSplitSizeGiven = false; // make.nMaxSplitKB was asked for, not the default
    std::string strExeDir;        // where to look for the template besides the current folder
    std::string strInstrument;    // --instrument NAME: the audio files grouped by their names
};

// Builds a KRZ file from a pool file or from WAV files (each becomes an
// entry as Add makes it). An unusable entry is an error (its message, no
// file written) unless bSkipUnusable is set. With nImageKB, also writes
// floppy images (MakeOutputImages); a part size asked for that does not fit
// the image is refused before anything is built.
int RunMake(const MakeOptions& options, CConsoleFeedback& feedback);

// Whether a make takes instruments: --instrument, or an instrument file
// among the inputs.
bool IsInstrumentMake(const MakeOptions& options);

// Make of instruments (CliInstrument.cpp): every input an instrument file
// (read by its reader), or with --instrument the audio files grouped into
// one instrument by their names; the rest as RunMakeInstruments does it.
// The readers' and the builder's notes and then one summary line per file
// written go to stderr.
int RunMakeInstrumentFiles(const MakeOptions& options, CConsoleFeedback& feedback);

struct PoolOptions
{
    std::string strOutput;            // the pool file to write
    std::vector<std::string> aInputs; // one pool file, or audio files
    bool bRelativePaths = false;      // save paths relative to the pool file
};

// Writes a pool file: from audio files (each an entry as Add makes it,
// stored by its full path; a missing file or the output itself among them
// is refused before anything is written), or from one pool file, opened
// as the window opens it and saved again as Save As saves it (the same
// file may be both). With bRelativePaths, files inside the output's folder
// are stored relative to it. An empty output name is a usage error (2).
int RunPool(const PoolOptions& options, CConsoleFeedback& feedback);

// Splits strSource into parts named after strDest (or the source when empty).
int RunSplit(const std::string& strSource, const std::string& strDest, int nSizeKB,
             CConsoleFeedback& feedback);

// Joins the series starting at strFirst into strDest (or strFirst + "J").
int RunJoin(const std::string& strFirst, const std::string& strDest, CConsoleFeedback& feedback);

// Prints what each KRZ file holds to stdout and checks its invariants; 1
// when a file cannot be read or a check fails.
int RunInfo(const std::vector<std::string>& aFiles, CConsoleFeedback& feedback);

// Extracts each KRZ file (or first part of a split file, or the KRZ files
// of a disk image, all or those aOnly names) into a folder of WAV and SFZ
// files under strOutDir (RunExtract); 1 when a source fails.
int RunExtractCommand(const std::vector<std::string>& aSources, const std::string& strOutDir,
                      const std::vector<std::string>& aOnly, CConsoleFeedback& feedback);

// Writes a floppy image of nImageKB (720 or 1440) for each file.
int RunImage(const std::vector<std::string>& aFiles, int nImageKB, CConsoleFeedback& feedback);

// Copies files into a FAT12/FAT16 disk image (PutIntoDiskImage).
int RunPut(const std::string& strImage, const std::vector<std::string>& aFiles,
           const std::string& strFolder, bool bReplace, CConsoleFeedback& feedback);
