// A folder of a FAT volume, its entries held in memory while a change is
// planned, with where each part of them lies in the image: the root folder
// is one region, any other folder one region per cluster. Regions from
// m_nNewFrom on are clusters the change adds.
#pragma once

#include "CByteCursor.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

struct CFatDirectory
{
    std::vector<std::uint8_t> m_ab;         // the entries, 32 bytes each
    std::vector<std::uint8_t> m_abOriginal; // as read, to write only what changed
    std::vector<std::uint64_t> m_anRegionOffset;
    std::vector<std::uint32_t> m_anClusters; // empty for the root folder
    std::size_t m_nRegionBytes = 0;
    std::size_t m_nNewFrom = 0;

    std::size_t EntryCount() const;
    // Entry i (below EntryCount()) to change, and to read.
    std::uint8_t* Entry(std::size_t i);
    CByteCursor EntryFields(std::size_t i) const;
    // The first cluster that entry i names.
    std::uint32_t FirstCluster(std::size_t i) const;

    // The entry of a file or folder named strField11 (the 11 characters of
    // an entry's name field), or -1. Deleted entries, long-name pieces and
    // the volume label are not names.
    long Find(const std::string& strField11) const;
    // The first free entry (deleted, or at or after the end mark), or -1.
    long FreeSlot() const;
};

// Fills the 32 bytes at abEntry: name field, attributes, the dates and
// times of t (local time), first cluster and size.
void FillFatEntry(std::uint8_t* abEntry, const std::string& strField11, std::uint8_t nAttr,
                  std::uint32_t nFirstCluster, std::uint32_t nSize, std::time_t t);
