// Reading a KRZ file back: its header, every object, and the problems found
// by checking the file's invariants. The reader trusts nothing it reads:
// every offset is checked against the file's length, every loop is bounded,
// objects are read one at a time into a buffer of at most
// kKrzMaxObjectLength bytes, and the sample data itself is never read (its
// length is all the checks need), so files of any size are read in small
// pieces.
//
// Part files of a split are recognised by their part-number field (bytes
// 12..15): part 1 holds the header and the start of the file, so its objects
// are walked as far as it holds them and its data-length field gives the
// length of the sample data; a later part is reported by its header alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The longest object whose object size (a u16, block length - 4 or - 6) can
// be stored; a longer block length is not a valid object.
inline constexpr std::uint32_t kKrzMaxObjectLength = 65540;
// The most objects one walk records; a file that the program makes holds at
// most 300, and the sampler numbers each object type below 1024.
inline constexpr std::size_t kKrzMaxObjects = 65536;
// The most entries per velocity level whose tables a keymap's record keeps:
// one per key.
inline constexpr std::size_t kKrzListedEntries = 128;

enum class KrzPartKind
{
    wholeFile, // part-number field 0
    firstPart, // part 1 of a split file
    laterPart, // part 2, 3, ... of a split file: header only
};

struct KrzHeaderInfo
{
    std::string strMagic;                // bytes 0..3, printable form
    bool bMagicOk = false;               // bytes 0..3 are "PRAM"
    std::uint32_t nSampleDataOffset = 0; // bytes 4..7
    std::uint32_t nDataLength = 0;       // bytes 8..11: 0 in a whole file
    std::uint32_t nPartNumber = 0;       // bytes 12..15: 0 in a whole file
    std::uint32_t nOsVersion = 0;        // bytes 16..19: version x 100
};

// One 32-byte sample header of a sample object.
struct KrzSampleHeaderInfo
{
    std::uint64_t nFileOffset = 0; // of the header's first byte
    int nNoteNumber = 0;           // byte 0: root key + 12
    int nRootKey = 0;              // nNoteNumber - 12 (48 is middle C)
    std::string strRootKey;        // the root key's name, "C 4"
    std::uint8_t nFlags = 0;       // byte 1
    bool bLoop = false;            // flag 0x80 clear
    bool bDataInFile = false;      // flag 0x40 set: start/end count in this file's data
    int nVolume = 0;               // byte 2, s8 volume adjust in 0.5 dB steps
    int nPitch = 0;                // bytes 4..5, s16 maximum pitch in cents
    std::uint32_t nStart = 0;      // bytes 8..11, in 16-bit words from the data's start
    std::uint32_t nAltStart = 0;   // bytes 12..15
    std::uint32_t nLoopStart = 0;  // bytes 16..19
    std::uint32_t nEnd = 0;        // bytes 20..23, inclusive
    std::uint32_t nPeriod = 0;     // bytes 28..31, sample period in ns
    // The whole-number rates in Hz whose period (1e9 / rate, integer
    // division) is nPeriod; both 0 when there is none or the period is 0.
    std::uint32_t nRateLow = 0;
    std::uint32_t nRateHigh = 0;
    // The rate shown: within nRateLow..nRateHigh, the one nearest to what
    // the pitch implies (the period alone leaves a few hertz open).
    std::uint32_t nRate = 0;
};

// One layer of a program: its keymap numbers (0 = none).
struct KrzLayerInfo
{
    bool bStereo = false; // layer flag 0x20
    int nKeymap = 0;      // keymap and pitch segment, body bytes 11..12
    int nKeymap2 = 0;     // body bytes 7..8, the second slot a stereo layer needs
};

// One entry of a keymap that names a sample per entry.
struct KrzKeymapEntry
{
    int nTuning = 0;    // cents (method bit 0x10 s16, 0x08 s8); 0 without
    int nVolume = 0;    // s8 volume adjust (method bit 0x04); 0 without
    int nSample = 0;    // sample object number
    int nSubSample = 1; // sub-sample number (method bit 0x01); 1 without; 0 plays nothing

    bool operator==(const KrzKeymapEntry&) const = default;
};

struct KrzObjectInfo
{
    std::uint64_t nFileOffset = 0; // of the block-length word
    std::uint32_t nLength = 0;     // minus the block length: bytes the object occupies
    std::uint16_t nObjectSize = 0; // bytes 6..7
    std::uint16_t nId = 0;         // bytes 4..5
    int nType = 0;                 // nId >> 10: 38 sample, 37 keymap, 36 program
    int nNumber = 0;               // nId & 0x3FF
    std::string strName;           // up to 16 characters as stored, ended by a 0 byte

    // Sample objects.
    int nChannels = 0; // 2 when flag bit 0 marks the headers as left/right pairs
    std::vector<KrzSampleHeaderInfo> aSampleHeaders;

    // Keymap objects: the sample object every entry plays; -1 when not read.
    // With a sample per entry (entry-method bit 0x02) that field is unused
    // and aEntrySamples holds the sample object of each entry of velocity
    // level 1's table (entry i plays note i + 12, the root key i), 0 for an
    // entry that plays nothing (sub-sample 0); every sample a table names is
    // checked against the file's sample objects.
    int nSampleNumber = -1;
    int nEntryMethod = 0; // offset 30; 0 when not read
    bool bSamplePerEntry = false;
    std::vector<int> aEntrySamples;
    std::vector<int> aNamedSamples; // of every table, ascending, each once
    // With one-byte entries (method 1) and at most kKrzListedEntries of
    // them: velocity level 1's sub-sample numbers, entry by entry (each
    // plays nSampleNumber); otherwise empty.
    std::vector<int> aEntrySubSamples;
    // With a sample per entry and at most kKrzListedEntries entries per
    // level: every distinct entry table (by its place), in the order the
    // velocity levels first name them, and per level 0..7 the index of its
    // table (-1 when it lies outside the keymap); otherwise both empty.
    std::vector<std::vector<KrzKeymapEntry>> aTables;
    std::vector<int> anLevelTables;

    // Program objects: one record per layer segment.
    std::vector<KrzLayerInfo> aLayers;
};

enum class KrzSeverity
{
    error, // the file breaks an invariant of the format
    note,  // worth knowing, but the file may be fine
};

struct KrzProblem
{
    KrzSeverity severity = KrzSeverity::error;
    std::uint64_t nFileOffset = 0; // where it was found
    std::string strText;
};

struct KrzFileInfo
{
    std::string strPath; // as given; empty for data read from memory
    std::uint64_t nFileLength = 0;
    bool bHeaderRead = false; // the file holds at least 32 bytes
    KrzHeaderInfo header;
    KrzPartKind partKind = KrzPartKind::wholeFile;

    std::vector<KrzObjectInfo> aObjects; // in file order
    bool bEndMarkFound = false;
    std::uint64_t nEndMarkOffset = 0;
    // Length of the sample data in bytes, when known: from the sample-data
    // offset to the end of a whole file, the data-length field of part 1.
    bool bSampleDataKnown = false;
    std::uint64_t nSampleDataLength = 0;

    std::vector<KrzProblem> aProblems; // in the order found

    std::size_t ErrorCount() const;
    bool IsValid() const { return ErrorCount() == 0; }
};

// Reads and checks the file strPath. Throws CFileException when it cannot
// be opened or a read fails; everything wrong with its content is reported
// in aProblems.
KrzFileInfo ReadKrzFile(const std::string& strPath);

// The same for nSize bytes in memory (for tests and fuzzing).
KrzFileInfo ReadKrzData(const std::uint8_t* pData, std::size_t nSize);

// The result as text for the command line: the header, one block per object,
// then the problems. Names and other bytes from the file are shown with
// everything outside printable ASCII escaped as \xNN.
std::string FormatKrzFileInfo(const KrzFileInfo& info);
