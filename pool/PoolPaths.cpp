#include "PoolPaths.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace
{
bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

bool IsRegularFile(const std::string& strPath)
{
    std::error_code ec;
    return !strPath.empty() && fs::is_regular_file(strPath, ec);
}

std::string Join(const std::string& strDir, const std::vector<std::string>& aParts)
{
    fs::path path(strDir);
    for (const std::string& strPart : aParts)
        path /= strPart;
    return path.lexically_normal().string();
}

// The stored path as this machine can open it directly from strPoolDir
// (steps 1 and 2 of the candidates without the current folder), or "".
std::string DirectPath(const StoredPath& sp, const std::string& strStored,
                       const std::string& strPoolDir)
{
    if (sp.bAbsolute)
        return !sp.bWindows ? strStored : std::string();
    if (strPoolDir.empty() || sp.strName.empty())
        return {};
    std::vector<std::string> aParts = sp.aFolders;
    aParts.push_back(sp.strName);
    return Join(strPoolDir, aParts);
}

// A file's full path with its folder's links followed; a link to a file
// stays where it lies. Empty when the path cannot be made absolute.
fs::path WhereItLies(const std::string& strPath)
{
    std::error_code ec;
    const fs::path path = fs::absolute(strPath, ec).lexically_normal();
    if (ec || !path.has_filename())
        return {};
    const fs::path folder = fs::weakly_canonical(path.parent_path(), ec);
    return ec ? fs::path() : folder / path.filename();
}

// path relative to folder when it lies below it, else empty.
fs::path RelativeInside(const fs::path& path, const fs::path& folder)
{
    if (path.empty() || folder.empty())
        return {};
    const fs::path relative = path.lexically_relative(folder);
    if (relative.empty() || *relative.begin() == ".." || relative == ".")
        return {};
    return relative;
}

fs::path CanonicalFolder(const std::string& strFolder)
{
    std::error_code ec;
    const fs::path folder = fs::weakly_canonical(fs::absolute(strFolder, ec), ec);
    return ec ? fs::path() : folder;
}

// Whether the entry's stored path, read from strDir, leads to strFile.
bool StoredPathLeadsTo(const CWPoolObj& entry, const std::string& strDir,
                       const std::string& strFile)
{
    const std::string strDirect =
        DirectPath(SplitStoredPath(entry.m_strFileName), entry.m_strFileName, strDir);
    std::error_code ec;
    return IsRegularFile(strDirect) && fs::equivalent(strDirect, strFile, ec) && !ec;
}

// Calls fn(index, entry) for every entry 0..count-1 whose file exists.
template <typename Doc, typename Fn> void ForEachFoundEntry(Doc& doc, Fn fn)
{
    const int nCount = std::clamp<int>(doc.m_nCount, 0, MAX_POOL);
    for (int i = 0; i < nCount; ++i)
        if (IsRegularFile(doc.m_aPool[i].FilePath()))
            fn(i, doc.m_aPool[i]);
}

// Whether an entry's file belongs to the pool's project: it lies in the
// pool's folder, or the stored relative path leads to it from there (a
// folder of samples beside the pool's folder moves with it).
bool BelongsToPool(const CWPoolObj& entry, const std::string& strPoolDir)
{
    const std::string strFile = entry.FilePath();
    if (IsInsideFolder(strFile, strPoolDir))
        return true;
    const StoredPath sp = SplitStoredPath(entry.m_strFileName);
    return !sp.bAbsolute && StoredPathLeadsTo(entry, strPoolDir, strFile);
}

// Whether a file of the stored path's name lies in the pool's folder, where
// opening would have looked had the stored path not led elsewhere.
bool HasTwinInFolder(const std::string& strStored, const std::string& strPoolDir)
{
    for (const std::string& strCandidate : PathCandidates(strStored, strPoolDir, {}))
        if (IsInsideFolder(strCandidate, strPoolDir) && IsRegularFile(strCandidate))
            return true;
    return false;
}
} // namespace

StoredPath SplitStoredPath(const std::string& strStored)
{
    StoredPath sp;
    std::string_view s(strStored);
    sp.bWindows = s.find('\\') != std::string_view::npos;
    std::size_t nSkipComponents = 0;
    if (s.size() >= 2 && std::isalpha(static_cast<unsigned char>(s[0])) && s[1] == ':')
    {
        // "C:\x" and "C:/x"; a drive-relative "C:x" has no meaning here
        // either, so it too counts as absolute and is found by name only.
        sp.bWindows = true;
        sp.bAbsolute = true;
        s.remove_prefix(2);
    }
    else if (s.size() >= 2 && IsSeparator(s[0]) && IsSeparator(s[1]))
    {
        // "\\server\share\x": the server and the share are no folders here.
        sp.bWindows = true;
        sp.bAbsolute = true;
        nSkipComponents = 2;
    }
    else if (!s.empty() && IsSeparator(s[0]))
    {
        sp.bAbsolute = true;
    }

    std::vector<std::string> aParts;
    std::size_t nBegin = 0;
    while (nBegin <= s.size())
    {
        std::size_t nEnd = nBegin;
        while (nEnd < s.size() && !IsSeparator(s[nEnd]))
            ++nEnd;
        const std::string_view part = s.substr(nBegin, nEnd - nBegin);
        if (!part.empty() && part != ".")
            aParts.emplace_back(part);
        nBegin = nEnd + 1;
    }
    // A path that ends in a separator names a folder, not a file.
    const bool bTrailingSeparator = !s.empty() && IsSeparator(s.back());
    aParts.erase(aParts.begin(), aParts.begin() + static_cast<std::ptrdiff_t>(
                                                      std::min(nSkipComponents, aParts.size())));
    if (!aParts.empty() && !bTrailingSeparator)
    {
        sp.strName = aParts.back();
        aParts.pop_back();
    }
    sp.aFolders = std::move(aParts);
    return sp;
}

std::vector<std::string> PathCandidates(const std::string& strStored, const std::string& strPoolDir,
                                        const std::string& strCurrentDir)
{
    std::vector<std::string> aCandidates;
    auto add = [&](const std::string& strPath)
    {
        if (!strPath.empty() &&
            std::find(aCandidates.begin(), aCandidates.end(), strPath) == aCandidates.end())
            aCandidates.push_back(strPath);
    };
    if (strStored.empty())
        return aCandidates;

    const StoredPath sp = SplitStoredPath(strStored);
    if (sp.strName.empty() || sp.strName == "..")
        return aCandidates;
    if (sp.bAbsolute)
    {
        if (!sp.bWindows)
            add(strStored);
    }
    else
    {
        add(DirectPath(sp, strStored, strPoolDir));
        add(DirectPath(sp, strStored, strCurrentDir));
    }

    if (strPoolDir.empty())
        return aCandidates;
    add(Join(strPoolDir, {sp.strName}));
    // The last k folders of the stored path, as long as they are real
    // folder names ("a/../b" says nothing about where b lies).
    for (std::size_t k = 1; k <= sp.aFolders.size(); ++k)
    {
        const auto itFirst = sp.aFolders.end() - static_cast<std::ptrdiff_t>(k);
        if (*itFirst == "..")
            break;
        std::vector<std::string> aParts(itFirst, sp.aFolders.end());
        aParts.push_back(sp.strName);
        add(Join(strPoolDir, aParts));
    }
    return aCandidates;
}

std::vector<int> MatchStoredPaths(const std::vector<std::string>& aStored,
                                  const std::string& strPoolDir,
                                  const std::vector<std::string>& aAvailable)
{
    std::vector<int> aMatches;
    for (const std::string& strStored : aStored)
    {
        int nMatch = -1;
        for (const std::string& strCandidate : PathCandidates(strStored, strPoolDir, {}))
        {
            const auto it = std::find(aAvailable.begin(), aAvailable.end(), strCandidate);
            if (it != aAvailable.end())
            {
                nMatch = static_cast<int>(it - aAvailable.begin());
                break;
            }
        }
        aMatches.push_back(nMatch);
    }
    return aMatches;
}

std::string ResolveStoredPath(const std::string& strStored, const std::string& strPoolDir,
                              const std::string& strCurrentDir)
{
    for (const std::string& strCandidate : PathCandidates(strStored, strPoolDir, strCurrentDir))
    {
        if (IsRegularFile(strCandidate))
            return strCandidate;
    }
    return {};
}

std::vector<int> ResolvePoolPaths(CDorvane_V2Doc& doc, const std::string& strPoolPath,
                                  const std::string& strCurrentDir)
{
    std::vector<int> aMissing;
    const std::string strPoolDir = fs::path(strPoolPath).parent_path().string();
    const int nCount = std::clamp<int>(doc.m_nCount, 0, MAX_POOL);
    for (int i = 0; i < nCount; ++i)
    {
        CWPoolObj& entry = doc.m_aPool[i];
        const std::string strFound =
            ResolveStoredPath(entry.m_strFileName, strPoolDir, strCurrentDir);
        if (strFound.empty())
            aMissing.push_back(i);
        entry.m_strFoundPath = strFound == entry.m_strFileName ? std::string() : strFound;
    }
    return aMissing;
}

int RebasePoolPaths(CDorvane_V2Doc& doc, const std::string& strNewPoolPath)
{
    std::error_code ec;
    const fs::path newDir = fs::absolute(strNewPoolPath, ec).parent_path().lexically_normal();
    if (ec)
        return 0;
    int nRewritten = 0;
    ForEachFoundEntry(doc, [&](int, CWPoolObj& entry)
    {
        const std::string strFile = entry.FilePath();
        if (StoredPathLeadsTo(entry, newDir.string(), strFile))
            return;
        const fs::path file = fs::absolute(strFile, ec).lexically_normal();
        if (ec)
            return;
        const fs::path relative = file.lexically_relative(newDir);
        if (!relative.empty() && *relative.begin() != "..")
        {
            // Relative, so that the pool and its samples can move together;
            // the found path keeps the entry usable from any current folder.
            entry.m_strFileName = relative.generic_string();
            entry.m_strFoundPath = file.string();
        }
        else
        {
            entry.m_strFileName = file.string();
            entry.m_strFoundPath.clear();
        }
        ++nRewritten;
    });
    return nRewritten;
}

bool IsInsideFolder(const std::string& strFile, const std::string& strFolder)
{
    return !RelativeInside(WhereItLies(strFile), CanonicalFolder(strFolder)).empty();
}

std::vector<int> EntriesFromOutside(const CDorvane_V2Doc& doc, const std::string& strPoolPath)
{
    const std::string strPoolDir = fs::path(strPoolPath).parent_path().string();
    std::vector<int> aOutside;
    bool bAnyInside = false;
    bool bTwin = false;
    ForEachFoundEntry(doc, [&](int i, const CWPoolObj& entry)
    {
        if (BelongsToPool(entry, strPoolDir))
        {
            bAnyInside = true;
            return;
        }
        aOutside.push_back(i);
        bTwin = bTwin || HasTwinInFolder(entry.m_strFileName, strPoolDir);
    });
    if (!bAnyInside && !bTwin)
        aOutside.clear();
    return aOutside;
}

std::string OutsideFilesMessage(const CDorvane_V2Doc& doc, const std::vector<int>& aEntries,
                                const std::string& strPoolPath)
{
    const fs::path pool(strPoolPath);
    const std::string strCount = std::to_string(aEntries.size());
    std::string strText = aEntries.size() == 1
                              ? "1 entry of " + pool.filename().string() +
                                    " takes its file from outside the pool's folder "
                              : strCount + " entries of " + pool.filename().string() +
                                    " take their files from outside the pool's folder ";
    strText += pool.parent_path().string() + ":\n";
    for (const int i : aEntries)
        strText += "\n" + doc.m_aPool[i].FilePath();
    // Either other entries' files lie in the pool's folder, or files of
    // these names do (EntriesFromOutside lists nothing else).
    bool bOthersInside = false;
    const int nCount = std::clamp<int>(doc.m_nCount, 0, MAX_POOL);
    for (int i = 0; i < nCount && !bOthersInside; ++i)
        bOthersInside = std::find(aEntries.begin(), aEntries.end(), i) == aEntries.end() &&
                        IsRegularFile(doc.m_aPool[i].FilePath());
    strText += bOthersInside ? "\n\nThe pool's other files lie in its folder."
                             : "\n\nFiles of these names lie in the pool's folder too.";
    strText += " A copied project may still name files of the original: check that these are "
               "the files you mean.";
    return strText;
}

int MakePoolPathsRelative(CDorvane_V2Doc& doc, const std::string& strPoolPath)
{
    std::error_code ec;
    const fs::path folder = CanonicalFolder(fs::absolute(strPoolPath, ec).parent_path().string());
    int nRewritten = 0;
    ForEachFoundEntry(doc, [&](int, CWPoolObj& entry)
    {
        const std::string strFile = entry.FilePath();
        const fs::path relative = RelativeInside(WhereItLies(strFile), folder);
        if (relative.empty() || entry.m_strFileName == relative.generic_string())
            return;
        // The found path keeps the entry usable from any current folder.
        entry.m_strFoundPath = fs::absolute(strFile, ec).lexically_normal().string();
        entry.m_strFileName = relative.generic_string();
        ++nRewritten;
    });
    return nRewritten;
}
