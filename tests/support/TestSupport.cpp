#include "TestSupport.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <unistd.h>

namespace test
{

void CRecordingFeedback::ProgressSetRange(int nLower, int nUpper)
{
    m_nLower = nLower;
    m_nUpper = nUpper;
    m_aRanges.emplace_back(nLower, nUpper);
}

void CRecordingFeedback::ProgressSetPos(int nPos)
{
    m_nPos = nPos;
    m_aPositions.push_back(nPos);
}

void CRecordingFeedback::ProgressStepIt()
{
    m_nPos += m_nStep;
    if (m_nPos > m_nUpper)
        m_nPos = m_nLower + (m_nPos - m_nUpper); // the bar wraps as the control does
    m_aPositions.push_back(m_nPos);
}

TempDir::TempDir()
{
    static std::atomic<unsigned> s_nCounter{0};
    std::random_device rd;
    for (int i = 0; i < 100; ++i)
    {
        auto path = std::filesystem::temp_directory_path() /
                    ("dorvane-test-" + std::to_string(::getpid()) + "-" +
                     std::to_string(s_nCounter++) + "-" + std::to_string(rd() % 100000));
        if (std::filesystem::create_directory(path))
        {
            m_path = std::filesystem::canonical(path);
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir()
{
    std::error_code ec;
    // Make read-only folders made by a test removable again.
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

ScopedCurrentDir::ScopedCurrentDir(const std::filesystem::path& path)
    : m_old(std::filesystem::current_path())
{
    std::filesystem::current_path(path);
}

ScopedCurrentDir::~ScopedCurrentDir()
{
    std::error_code ec;
    std::filesystem::current_path(m_old, ec);
}

Bytes ReadFileBytes(const std::string& strPath)
{
    std::ifstream in(strPath, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + strPath);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& strPath, const Bytes& ab)
{
    std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(ab.data()), static_cast<std::streamsize>(ab.size()));
    if (!out)
        throw std::runtime_error("cannot write " + strPath);
}

bool FileExists(const std::string& strPath)
{
    return std::filesystem::exists(strPath);
}

std::vector<std::string> ListDir(const std::filesystem::path& path)
{
    std::vector<std::string> aNames;
    for (const auto& entry : std::filesystem::directory_iterator(path))
        aNames.push_back(entry.path().filename().string());
    std::sort(aNames.begin(), aNames.end());
    return aNames;
}

std::map<std::string, Bytes> FileTree(const std::filesystem::path& root)
{
    std::map<std::string, Bytes> aTree;
    if (!std::filesystem::exists(root))
        return aTree;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            aTree[std::filesystem::relative(entry.path(), root).string()] =
                ReadFileBytes(entry.path().string());
    return aTree;
}

void PutLE16(Bytes& ab, std::uint16_t v)
{
    ab.push_back(static_cast<std::uint8_t>(v));
    ab.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutLE32(Bytes& ab, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        ab.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutTag(Bytes& ab, const char* szTag)
{
    for (int i = 0; i < 4; ++i)
        ab.push_back(static_cast<std::uint8_t>(szTag[i]));
}

Bytes MakeChunk(const char* szId, const Bytes& abBody)
{
    Bytes ab;
    PutTag(ab, szId);
    PutLE32(ab, static_cast<std::uint32_t>(abBody.size()));
    ab.insert(ab.end(), abBody.begin(), abBody.end());
    return ab;
}

Bytes MakeWav(const WavSpec& spec)
{
    Bytes abFmt;
    PutLE16(abFmt, spec.nFormatTag);
    PutLE16(abFmt, spec.nChannels);
    PutLE32(abFmt, spec.nRate);
    const std::uint16_t nAlign = static_cast<std::uint16_t>(spec.nChannels * spec.nBits / 8);
    PutLE32(abFmt, spec.nRate * nAlign);
    PutLE16(abFmt, nAlign);
    PutLE16(abFmt, spec.nBits);

    Bytes abBody;
    PutTag(abBody, "WAVE");
    abBody.insert(abBody.end(), spec.abChunkBeforeFmt.begin(), spec.abChunkBeforeFmt.end());
    const Bytes abFmtChunk = MakeChunk("fmt ", abFmt);
    abBody.insert(abBody.end(), abFmtChunk.begin(), abFmtChunk.end());
    abBody.insert(abBody.end(), spec.abChunkBeforeData.begin(), spec.abChunkBeforeData.end());
    PutTag(abBody, "data");
    PutLE32(abBody, spec.bOverrideDataSize ? spec.nDataSizeField
                                           : static_cast<std::uint32_t>(spec.abData.size()));
    abBody.insert(abBody.end(), spec.abData.begin(), spec.abData.end());
    abBody.insert(abBody.end(), spec.abTrailer.begin(), spec.abTrailer.end());

    Bytes ab;
    PutTag(ab, "RIFF");
    PutLE32(ab, static_cast<std::uint32_t>(abBody.size()));
    ab.insert(ab.end(), abBody.begin(), abBody.end());
    return ab;
}

Bytes RampData(std::size_t nBytes, std::uint8_t nSeed)
{
    Bytes ab(nBytes);
    for (std::size_t i = 0; i < nBytes; ++i)
        ab[i] = static_cast<std::uint8_t>(i * 7 + nSeed + (i >> 8));
    return ab;
}

} // namespace test
