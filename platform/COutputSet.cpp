#include "COutputSet.h"

#include "CFeedback.h"
#include "CFile.h"

#include <algorithm>
#include <filesystem>

namespace
{

// The path a file of that name is written at: links and "." / ".."
// resolved as far as the path exists.
std::string ResolvedPath(const std::string& strPath)
{
    std::error_code ec;
    const auto resolved = std::filesystem::weakly_canonical(CFile::FullPath(strPath), ec);
    return ec ? CFile::FullPath(strPath) : resolved.string();
}

// Two outputs are one file when they exist as one (hard links, links) or,
// when they do not exist yet, resolve to one path.
bool SameTarget(const std::string& strA, const std::string& strB)
{
    return CFile::SameFile(strA, strB) || ResolvedPath(strA) == ResolvedPath(strB);
}

} // namespace

std::string TwoOutputsMessage(const std::string& strFirst, const std::string& strSecond)
{
    return "ERROR: Can't write both " + strFirst + " and " + strSecond +
           ": they are the same file.";
}

void COutputSet::AddInput(const std::string& strPath)
{
    if (!strPath.empty())
        m_aInputs.push_back(strPath);
}

void COutputSet::AddOutput(const std::string& strPath)
{
    m_aOutputs.push_back(strPath);
}

bool COutputSet::IsPlanned(const std::string& strPath) const
{
    return std::find(m_aOutputs.begin(), m_aOutputs.end(), strPath) != m_aOutputs.end();
}

std::string COutputSet::CheckOutput(std::size_t nIndex) const
{
    const std::string& strOutput = m_aOutputs[nIndex];
    if (strOutput.empty())
        return kEmptyOutputMessage;
    // An input exists, so only an output that exists can be it: device and
    // inode decide, whatever the spelling.
    for (const std::string& strInput : m_aInputs)
        if (CFile::SameFile(strOutput, strInput))
            return SameFileMessage(strOutput, strInput);
    for (std::size_t i = 0; i < m_aOutputs.size(); ++i)
        if (i != nIndex && SameTarget(strOutput, m_aOutputs[i]))
            return TwoOutputsMessage(m_aOutputs[std::min(i, nIndex)],
                                     m_aOutputs[std::max(i, nIndex)]);
    return {};
}

std::string COutputSet::CheckPlan() const
{
    for (std::size_t i = 0; i < m_aOutputs.size(); ++i)
    {
        std::string strRefusal = CheckOutput(i);
        if (!strRefusal.empty())
            return strRefusal;
    }
    return {};
}

CAtomicFile& COutputSet::Create(const std::string& strPath, bool bSync)
{
    // Every file is checked again as it is created: the plan may have
    // listed only the names that existed (how many parts a split writes is
    // known once the file is built), and a file may have appeared since.
    auto it = std::find(m_aOutputs.begin(), m_aOutputs.end(), strPath);
    if (it == m_aOutputs.end())
        it = m_aOutputs.insert(it, strPath);
    const std::string strRefusal = CheckOutput(static_cast<std::size_t>(it - m_aOutputs.begin()));
    if (!strRefusal.empty())
        throw COutputRefusal(strRefusal);
    m_apFiles.push_back(std::make_unique<CAtomicFile>(strPath, bSync));
    return *m_apFiles.back();
}

CAtomicFile* COutputSet::Find(const std::string& strPath) const
{
    for (const auto& pFile : m_apFiles)
        if (pFile->TargetPath() == CFile::FullPath(strPath))
            return pFile.get();
    return nullptr;
}

void COutputSet::Commit()
{
    // Each is finished (closed) first, so that a late write error (a full
    // disk the system reported only at close) stops the set before any
    // target is replaced.
    for (auto& pFile : m_apFiles)
        pFile->Finish();
    for (auto& pFile : m_apFiles)
        pFile->Commit();
}
