// One pool entry: a WAV file and what the KRZ file needs of it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class CArchive;
struct CPoolZone;

class CWPoolObj
{
public:
    CWPoolObj() = default;

    // Copies the four strings, the found path, the four switches and the
    // zone; the target keeps its own m_nVersion.
    CWPoolObj& operator=(const CWPoolObj& other);
    CWPoolObj(const CWPoolObj& other) = default;

    // Writes (as version 203) or reads one slot record of the pool file:
    // four length-prefixed strings, then m_bLoop and m_nRootKey, then, in
    // version 203 only, m_bKeymapEnable and m_bProgramEnable (a version-202
    // record sets both to 1). When reading, m_nVersion must be set first.
    void Serialize(CArchive& ar);

    std::string m_strFileName;    // full path of the WAV file
    std::string m_strSampleName;  // name of the sample object
    std::string m_strKeymapName;  // name of the keymap object
    std::string m_strProgramName; // name of the program object
    std::int32_t m_bLoop = 0;     // loop switch, 0 or 1
    std::int32_t m_nRootKey = 0;  // note index + 12 * octave; a new entry has 48
    std::int32_t m_nVersion = 0;  // pool-file version being read or last written
    std::int32_t m_bKeymapEnable = 0;
    std::int32_t m_bProgramEnable = 0;

    // Where the file was found when the pool was opened, when that is not
    // m_strFileName as it stands (a relative path, a path from another
    // machine); empty otherwise. Never saved.
    std::string m_strFoundPath;
    // The path to open the entry's file by: the found path, or the stored one.
    const std::string& FilePath() const
    {
        return m_strFoundPath.empty() ? m_strFileName : m_strFoundPath;
    }

    // The instrument zone the entry was made from when an instrument file
    // was opened (ops/PoolInstruments.h); null for an entry of a file.
    // Never saved.
    std::shared_ptr<const CPoolZone> m_pZone;
};
