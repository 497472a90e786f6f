#include "CImageUndo.h"

#include "CImageIO.h"

#include <exception>

void CImageUndo::Keep(std::uint64_t nOffset, std::uint64_t nCount)
{
    if (!m_bKeep || nCount == 0)
        return;
    SRange range{nOffset, std::vector<std::uint8_t>(static_cast<std::size_t>(nCount))};
    m_io.ReadAt(nOffset, range.ab.data(), range.ab.size());
    m_aRanges.push_back(std::move(range));
}

void CImageUndo::Restore() noexcept
{
    for (auto it = m_aRanges.rbegin(); it != m_aRanges.rend(); ++it)
    {
        try
        {
            m_io.WriteAt(it->nOffset, it->ab.data(), it->ab.size());
        }
        catch (const std::exception&)
        {
            // The failure that stopped the change is the one reported.
        }
    }
    try
    {
        m_io.Sync();
    }
    catch (const std::exception&)
    {
    }
    m_aRanges.clear();
}
