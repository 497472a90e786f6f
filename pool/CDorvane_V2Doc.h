// The pool document: up to MAX_POOL entries in fixed slots, saved and opened
// as a pool file. Slots past m_nCount are spare but keep what they hold and
// are written to the pool file all the same.
#pragma once

#include "COutcome.h"

#include "CWPoolObj.h"
#include "PoolFileFormat.h"

#include <array>
#include <cstdint>
#include <string>

class CArchive;

class CDorvane_V2Doc
{
  public:
    CDorvane_V2Doc() = default;

    // Starts a new, empty pool: count 0, refresh set. The slots keep what
    // they hold.
    bool OnNewDocument();

    // Writes the whole pool file (version 203), or reads one. Reading
    // refuses an empty file, an unknown magic word or a count outside
    // 0..MAX_POOL with "Sorry, this file is not a compatible sample-pool"
    // (exclamation icon), changing nothing but m_nVersion, which is then 0.
    // A file that ends early (inside the magic word, the count or the
    // records) throws CArchiveException; the slots are then unchanged.
    // Success sets m_nVersion, the count, the slots and the refresh flag.
    COutcome Serialize(CArchive& ar);

    // The document commands' file side. Open refuses every failure: a file
    // error with its text, a short or damaged file with "Unexpected file
    // format." (the pool is then empty as after New). An opened pool's
    // entries are looked for as ResolvePoolPaths does (the pool's folder
    // first, then the current folder); when their files come from more
    // than one folder tree, a note names those outside the pool's folder
    // (EntriesFromOutside). Save writes a temporary file beside the target
    // and renames it over the target when complete; on failure the old file
    // stays and the refusal carries the file error's text. With
    // m_bRelativePaths, the entries whose files lie inside the target's
    // folder are first given paths relative to it (MakePoolPathsRelative);
    // a save that fails leaves them as they were. Nothing is shown: the
    // caller shows the outcome.
    COutcome OnOpenDocument(const std::string& strPath);
    COutcome OnSaveDocument(const std::string& strPath);

    void SetModifiedFlag(bool bModified = true) { m_bModified = bModified; }
    bool IsModified() const { return m_bModified; }

    const std::string& GetPathName() const { return m_strPathName; }
    void SetPathName(const std::string& strPathName) { m_strPathName = strPathName; }
    // The pool's title: the file name of its path, or "Untitled".
    std::string GetTitle() const;

    std::int32_t m_nVersion = 0;
    std::int32_t m_nCount = 0;
    bool m_bRefresh = false;
    // Save paths relative to the pool file (an option, off by default;
    // never saved in the pool file itself).
    bool m_bRelativePaths = false;
    std::array<CWPoolObj, MAX_POOL> m_aPool;

  private:
    bool m_bModified = false;
    std::string m_strPathName;
};

// The message shown when a pool file is refused.
inline constexpr const char* kIncompatiblePoolMessage =
    "Sorry, this file is not a compatible sample-pool";
inline constexpr const char* kUnexpectedFormatMessage = "Unexpected file format.";
