#include "CFatDirectory.h"

#include "ByteOrder.h"
#include "DosName.h"
#include "FatLayout.h"

#include <algorithm>
#include <cstring>

std::size_t CFatDirectory::EntryCount() const
{
    return m_ab.size() / kDirEntrySize;
}

std::uint8_t* CFatDirectory::Entry(std::size_t i)
{
    return m_ab.data() + i * kDirEntrySize;
}

CByteCursor CFatDirectory::EntryFields(std::size_t i) const
{
    return CByteCursor(m_ab).At(i * kDirEntrySize).Take(kDirEntrySize);
}

std::uint32_t CFatDirectory::FirstCluster(std::size_t i) const
{
    return EntryFields(i).At(kDirFirstCluster).LE16();
}

long CFatDirectory::Find(const std::string& strField11) const
{
    for (std::size_t i = 0; i < EntryCount(); ++i)
    {
        const CByteCursor entry = EntryFields(i);
        const std::uint8_t nFirst = entry.At(kDirName).U8();
        const std::uint8_t nAttr = entry.At(kDirAttr).U8();
        if (nFirst == 0)
            break;
        if (nFirst == kDirDeleted || nAttr == kAttrLongName || (nAttr & kAttrVolumeLabel))
            continue;
        const auto abName = entry.At(kDirName).Bytes(kDirNameLength);
        if (std::equal(abName.begin(), abName.end(), strField11.begin(), strField11.end()))
            return static_cast<long>(i);
    }
    return -1;
}

long CFatDirectory::FreeSlot() const
{
    for (std::size_t i = 0; i < EntryCount(); ++i)
    {
        const std::uint8_t nFirst = EntryFields(i).At(kDirName).U8();
        if (nFirst == 0 || nFirst == kDirDeleted)
            return static_cast<long>(i);
    }
    return -1;
}

void FillFatEntry(std::uint8_t* abEntry, const std::string& strField11, std::uint8_t nAttr,
                  std::uint32_t nFirstCluster, std::uint32_t nSize, std::time_t t)
{
    std::memset(abEntry, 0, kDirEntrySize);
    std::memcpy(abEntry + kDirName, strField11.data(), kDirNameLength);
    abEntry[kDirAttr] = nAttr;
    const auto [nDate, nTime] = DosDateTime(t);
    abEntry[kDirCreateTenths] = 0;
    bo::StoreLE16(abEntry + kDirCreateTime, nTime);
    bo::StoreLE16(abEntry + kDirCreateDate, nDate);
    bo::StoreLE16(abEntry + kDirAccessDate, nDate);
    bo::StoreLE16(abEntry + kDirWriteTime, nTime);
    bo::StoreLE16(abEntry + kDirWriteDate, nDate);
    bo::StoreLE16(abEntry + kDirFirstCluster, static_cast<std::uint16_t>(nFirstCluster));
    bo::StoreLE32(abEntry + kDirFileSize, nSize);
}
