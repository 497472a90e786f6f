// The command line's operations over the same engine as the window. Each
// returns the process exit status: 0 success, 1 failure. Messages go
// through the feedback with the program's own texts.
#pragma once

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
    int nFirstObjectID = 200;         // 200..900
    bool bSplit = false;
    int nSplitKB = 1400; // 1..650000
    bool bSkipUnusable = false;
    std::string strExeDir; // where to look for the template besides the current folder
};

// Builds a KRZ file from a pool file or from WAV files (each becomes an
// entry as Add makes it). An unusable entry is an error (its message, no
// file written) unless bSkipUnusable is set.
int RunMake(const MakeOptions& options, CConsoleFeedback& feedback);

// Splits strSource into parts named after strDest (or the source when empty).
int RunSplit(const std::string& strSource, const std::string& strDest, int nSizeKB,
             CConsoleFeedback& feedback);

// Joins the series starting at strFirst into strDest (or strFirst + "J").
int RunJoin(const std::string& strFirst, const std::string& strDest, CConsoleFeedback& feedback);

// Prints what each KRZ file holds to stdout and checks its invariants; 1
// when a file cannot be read or a check fails.
int RunInfo(const std::vector<std::string>& aFiles, CConsoleFeedback& feedback);
