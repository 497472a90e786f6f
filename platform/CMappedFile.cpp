#include "CMappedFile.h"

#include "CFile.h"
#include "CFileException.h"

#include <sys/mman.h>

CMappedFile::CMappedFile(const std::string& strPath)
{
    CFile file(strPath, CFile::modeRead);
    const std::uint64_t nLength = file.GetLength();
    if (nLength > SIZE_MAX)
        throw CFileException(CFileException::genericException, file.GetFilePath());
    m_nSize = static_cast<std::size_t>(nLength);
    // A length of 0 cannot be mapped; a pipe or a device reports 0 or
    // refuses the map, and is read as before.
    if (m_nSize != 0)
    {
        void* pMap = ::mmap(nullptr, m_nSize, PROT_READ, MAP_PRIVATE, file.GetHandle(), 0);
        if (pMap != MAP_FAILED)
        {
            m_pMap = pMap;
            m_pData = static_cast<const std::uint8_t*>(pMap);
            // The words are read front to back, each once: read-ahead may
            // run far and pages behind may go.
            ::madvise(m_pMap, m_nSize, MADV_SEQUENTIAL);
            return;
        }
    }
    m_abRead.resize(m_nSize);
    if (!m_abRead.empty() && file.Read(m_abRead.data(), m_abRead.size()) != m_abRead.size())
        throw CFileException(CFileException::endOfFile, file.GetFilePath());
    m_pData = m_abRead.data();
}

CMappedFile::~CMappedFile()
{
    if (m_pMap != nullptr)
        ::munmap(m_pMap, m_nSize);
}
