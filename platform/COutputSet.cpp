#include "COutputSet.h"

#include "CFeedback.h"
#include "CFile.h"

#include <filesystem>
#include <map>
#include <sys/stat.h>

namespace
{

// What makes two names one file: device and inode for a file that exists
// (links followed, hard links alike); for one that does not exist yet, the
// path it would be written at, links and "." / ".." resolved as far as the
// path exists.
std::string Identity(const std::string& strPath, bool* pbExists = nullptr)
{
    struct stat st = {};
    const bool bExists = ::stat(strPath.c_str(), &st) == 0;
    if (pbExists != nullptr)
        *pbExists = bExists;
    if (bExists)
        return "#" + std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
    std::error_code ec;
    const auto resolved = std::filesystem::weakly_canonical(CFile::FullPath(strPath), ec);
    return ec ? CFile::FullPath(strPath) : resolved.string();
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
    m_aPlanned.insert(strPath);
}

bool COutputSet::IsPlanned(const std::string& strPath) const
{
    return m_aPlanned.count(strPath) != 0;
}

std::string COutputSet::CheckPlan() const
{
    // Each name is looked up once: a split can plan many thousands of parts.
    // Only inputs that exist can be written over.
    std::map<std::string, const std::string*> aInputs;
    for (const std::string& strInput : m_aInputs)
    {
        bool bExists = false;
        const std::string strIdentity = Identity(strInput, &bExists);
        if (bExists)
            aInputs.emplace(strIdentity, &strInput);
    }
    std::map<std::string, std::size_t> aSeen; // identity -> first output
    for (std::size_t i = 0; i < m_aOutputs.size(); ++i)
    {
        const std::string& strOutput = m_aOutputs[i];
        if (strOutput.empty())
            return kEmptyOutputMessage;
        const std::string strIdentity = Identity(strOutput);
        const auto itInput = aInputs.find(strIdentity);
        if (itInput != aInputs.end())
            return SameFileMessage(strOutput, *itInput->second);
        const auto [itSeen, bNew] = aSeen.emplace(strIdentity, i);
        if (!bNew)
            return TwoOutputsMessage(m_aOutputs[itSeen->second], strOutput);
    }
    return {};
}

CAtomicFile& COutputSet::Create(const std::string& strPath, bool bSync)
{
    // A planned output was checked with the plan. One that was not (a file
    // the plan could not foresee) is planned and checked now, before it is
    // written.
    if (!IsPlanned(strPath))
    {
        AddOutput(strPath);
        const std::string strRefusal = CheckPlan();
        if (!strRefusal.empty())
            throw COutputRefusal(strRefusal);
    }
    m_apFiles.push_back(std::make_unique<CAtomicFile>(strPath, bSync));
    m_aCreated.emplace(m_apFiles.back()->TargetPath(), m_apFiles.back().get());
    return *m_apFiles.back();
}

CAtomicFile* COutputSet::Find(const std::string& strPath) const
{
    const auto it = m_aCreated.find(CFile::FullPath(strPath));
    return it == m_aCreated.end() ? nullptr : it->second;
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
