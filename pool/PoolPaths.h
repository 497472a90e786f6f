// Where an entry's WAV file is on this machine. A pool file holds each
// entry's path as it was written, possibly on another machine or relative to
// another folder; these functions find the file when a pool is opened and
// keep entries pointing at their files when a pool is saved elsewhere. The
// stored paths themselves are never changed by opening.
#pragma once

#include "CDorvane_V2Doc.h"

#include <string>
#include <vector>

// The stored path split into what can be searched for: whether it is
// absolute (POSIX "/...", Windows "C:\...", "C:/...", "\\server\share\...",
// "\..."), its folder components with any drive letter or server and share
// left out, and its file name. Backslashes and slashes both separate
// components. "." components are dropped; ".." components are kept.
struct StoredPath
{
    bool bAbsolute = false;
    bool bWindows = false; // written with a drive letter, a server or backslashes
    std::vector<std::string> aFolders;
    std::string strName;
};
StoredPath SplitStoredPath(const std::string& strStored);

// The places the file of strStored may be, in the order they are tried:
//  1. a POSIX absolute path as stored;
//  2. a relative path (slashes or backslashes) joined to strPoolDir, then to
//     strCurrentDir;
//  3. by name: the file name in strPoolDir, then in strPoolDir joined with
//     the stored path's last one, two, ... folders (a pool moved together
//     with a folder of samples from another machine finds them there).
// No candidate repeats; an empty folder argument contributes nothing. Pure:
// the file system is not consulted.
std::vector<std::string> PathCandidates(const std::string& strStored, const std::string& strPoolDir,
                                        const std::string& strCurrentDir);

// The resolver's order over files known only by their paths (the files of
// a drop, each named by its place in the drop, "/kit/a.wav"): for each
// stored path, the index in aAvailable of its first candidate
// (PathCandidates with strPoolDir and no current folder) that aAvailable
// holds, or -1. Several stored paths may lead to one file. Pure.
std::vector<int> MatchStoredPaths(const std::vector<std::string>& aStored,
                                  const std::string& strPoolDir,
                                  const std::vector<std::string>& aAvailable);

// The first candidate that is an existing regular file, or "" when none is.
std::string ResolveStoredPath(const std::string& strStored, const std::string& strPoolDir,
                              const std::string& strCurrentDir);

// Looks for the file of every entry 0..count-1 of a pool just opened from
// strPoolPath: an entry whose file is found somewhere else than its stored
// path names gets m_strFoundPath; every other entry gets it emptied.
// Returns the indexes of the entries whose file was found nowhere.
std::vector<int> ResolvePoolPaths(CDorvane_V2Doc& doc, const std::string& strPoolPath,
                                  const std::string& strCurrentDir);

// Before a pool is saved as strNewPoolPath: every entry whose file exists
// but whose stored path, read from the new pool file's folder, would not
// lead to it gets a new stored path: relative to that folder when the file
// lies inside it, otherwise absolute; its m_strFoundPath is emptied.
// Entries whose file is missing keep their stored path. Returns the number
// of entries rewritten.
int RebasePoolPaths(CDorvane_V2Doc& doc, const std::string& strNewPoolPath);

// Whether strFile lies inside strFolder or a folder below it, both read
// after following links (a file named through a linked folder is where the
// link leads).
bool IsInsideFolder(const std::string& strFile, const std::string& strFolder);

// Of the entries of a pool opened from strPoolPath whose files were found
// (FilePath() is a file), those whose file lies outside the pool's folder,
// when the entries come from more than one folder tree: some files lie
// inside the pool's folder and some outside it, or a file outside it has a
// file of its name in the pool's folder too (a copied project folder whose
// pool still names the original's files). Empty when every found file lies
// in one place. Indexes ascending.
std::vector<int> EntriesFromOutside(const CDorvane_V2Doc& doc, const std::string& strPoolPath);

// The one message that names the files of EntriesFromOutside.
std::string OutsideFilesMessage(const CDorvane_V2Doc& doc, const std::vector<int>& aEntries,
                                const std::string& strPoolPath);

// Before a pool is saved as strPoolPath with paths relative to the pool
// file: every entry whose file exists inside the pool file's folder gets
// that file's path relative to the folder ("/" between folders) as its
// stored path, and the file's full path as its found path. Other entries
// keep what they hold. Returns the number of entries rewritten.
int MakePoolPathsRelative(CDorvane_V2Doc& doc, const std::string& strPoolPath);
