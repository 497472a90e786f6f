#include "CDorvane_V2Doc.h"

#include "CArchive.h"
#include "CAtomicFile.h"
#include "CFile.h"
#include "PoolPaths.h"

#include <filesystem>
#include <memory>

bool CDorvane_V2Doc::OnNewDocument()
{
    m_nCount = 0;
    m_bRefresh = true;
    return true;
}

std::string CDorvane_V2Doc::GetTitle() const
{
    if (m_strPathName.empty())
        return "Untitled";
    return std::filesystem::path(m_strPathName).filename().string();
}

COutcome CDorvane_V2Doc::Serialize(CArchive& ar)
{
    COutcome outcome;
    if (ar.IsStoring())
    {
        ar << kPoolMagic203 << m_nCount;
        for (auto& entry : m_aPool)
            entry.Serialize(ar);
        return outcome;
    }

    m_nVersion = 0;
    // An empty file holds no pool at all: refused like any other file. A
    // file that ends inside the magic word or the count has begun as a
    // pool and ended early: the archive's end-of-file error.
    std::uint32_t nMagic = 0;
    if (ar.BytesRemaining() > 0)
        ar >> nMagic;
    std::int32_t nVersion = 0;
    if (nMagic == kPoolMagic202)
        nVersion = kPoolVersion202;
    else if (nMagic == kPoolMagic203)
        nVersion = kPoolVersion203;
    if (nVersion < kPoolVersion202)
    {
        outcome.Refuse({kIncompatiblePoolMessage, kAppTitle, MessageIcon::Exclamation, {}});
        return outcome;
    }

    std::int32_t nCount = 0;
    ar >> nCount;
    // A count outside 0..MAX_POOL would let the rest of the program index
    // past the slots: such a file is not a pool we can use.
    if (nCount < 0 || nCount > MAX_POOL)
    {
        outcome.Refuse({kIncompatiblePoolMessage, kAppTitle, MessageIcon::Exclamation, {}});
        return outcome;
    }
    m_nVersion = nVersion;

    // Read all slots aside first, so that a file that ends early leaves the
    // document's slots as they were.
    auto pSlots = std::make_unique<std::array<CWPoolObj, MAX_POOL>>();
    for (auto& entry : *pSlots)
    {
        entry.m_nVersion = m_nVersion;
        entry.Serialize(ar);
    }
    m_nCount = nCount;
    for (int i = 0; i < MAX_POOL; ++i)
    {
        m_aPool[i] = (*pSlots)[i];
        m_aPool[i].m_nVersion = m_nVersion;
    }
    m_bRefresh = true;
    return outcome;
}

COutcome CDorvane_V2Doc::OnOpenDocument(const std::string& strPath)
{
    COutcome outcome;
    try
    {
        CFile file(strPath, CFile::modeRead);
        CArchive ar(file, CArchive::load);
        outcome = Serialize(ar);
        if (!outcome.IsOk())
            return outcome;
        file.Close();
    }
    catch (const CFileException& e)
    {
        outcome.Refuse({e.GetErrorMessage(), kAppTitle, MessageIcon::Exclamation, e.m_strFileName});
        return outcome;
    }
    catch (const CArchiveException&)
    {
        outcome.Refuse({kUnexpectedFormatMessage, kAppTitle, MessageIcon::Exclamation, strPath});
        OnNewDocument();
        m_strPathName.clear();
        m_bModified = false;
        return outcome;
    }
    m_strPathName = CFile::FullPath(strPath);
    m_bModified = false;
    // Every front end reads the entries from where their files are found,
    // the pool's folder before the current one, and hears of a pool whose
    // files come from more than one folder tree.
    std::error_code ec;
    ResolvePoolPaths(*this, m_strPathName, std::filesystem::current_path(ec).string());
    const std::vector<int> aOutside = EntriesFromOutside(*this, m_strPathName);
    if (!aOutside.empty())
        outcome.Note({OutsideFilesMessage(*this, aOutside, m_strPathName), kAppTitle,
                      MessageIcon::Exclamation, m_strPathName});
    return outcome;
}

COutcome CDorvane_V2Doc::OnSaveDocument(const std::string& strPath)
{
    COutcome outcome;
    // The stored paths are rewritten only for a file that is written.
    std::unique_ptr<std::array<CWPoolObj, MAX_POOL>> pBefore;
    if (m_bRelativePaths)
    {
        pBefore = std::make_unique<std::array<CWPoolObj, MAX_POOL>>(m_aPool);
        MakePoolPathsRelative(*this, strPath);
    }
    try
    {
        CAtomicFile file(strPath);
        CArchive ar(file.File(), CArchive::store);
        outcome = Serialize(ar);
        ar.Close();
        file.Commit();
    }
    catch (const CFileException& e)
    {
        if (pBefore)
            m_aPool = *pBefore;
        outcome.Refuse({e.GetErrorMessage(), kAppTitle, MessageIcon::Exclamation, e.m_strFileName});
        return outcome;
    }
    m_strPathName = CFile::FullPath(strPath);
    m_bModified = false;
    return outcome;
}
