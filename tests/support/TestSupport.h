// Shared helpers for the tests: a feedback that records every call, a
// temporary folder per test, WAV files built in memory, and file helpers.
#pragma once

#include "CFeedback.h"
#include "COutcome.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace test
{

using Bytes = std::vector<std::uint8_t>;

struct Message
{
    std::string strText;
    std::string strCaption;
    MessageIcon icon;
};

// Records what an operation reported, in order.
class CRecordingFeedback : public CFeedback, public CMessageSink
{
public:
    void SetStatusText(const std::string& strText) override { m_aStatus.push_back(strText); }
    void ProgressSetRange(int nLower, int nUpper) override;
    void ProgressSetStep(int nStep) override { m_nStep = nStep; }
    void ProgressSetPos(int nPos) override;
    void ProgressStepIt() override;
    void MessageBox(const std::string& strText, const std::string& strCaption,
                    MessageIcon icon) override
    {
        m_aMessages.push_back({strText, strCaption, icon});
    }
    // Records an outcome's notes as the messages a front end would show;
    // whether it is a success.
    bool Record(const COutcome& outcome)
    {
        for (const SOutcomeNote& note : outcome.Notes())
            m_aMessages.push_back({note.strText, note.strCaption, note.icon});
        return outcome.IsOk();
    }

    std::vector<std::string> m_aStatus;
    std::vector<Message> m_aMessages;
    int m_nLower = 0, m_nUpper = 100, m_nStep = 10, m_nPos = 0;
    std::vector<int> m_aPositions; // every position the bar took, in order
    std::vector<std::pair<int, int>> m_aRanges;
};

// A fresh folder under the system's temporary folder, removed with its
// content when the object goes.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string operator/(const std::string& strName) const { return (m_path / strName).string(); }

private:
    std::filesystem::path m_path;
};

// Makes the current folder a given one while the object lives.
class ScopedCurrentDir
{
public:
    explicit ScopedCurrentDir(const std::filesystem::path& path);
    ~ScopedCurrentDir();

private:
    std::filesystem::path m_old;
};

Bytes ReadFileBytes(const std::string& strPath);
void WriteFileBytes(const std::string& strPath, const Bytes& ab);
bool FileExists(const std::string& strPath);
std::vector<std::string> ListDir(const std::filesystem::path& path);
// Every file under root (its folders walked), by its path relative to root,
// with its bytes; empty when root does not exist.
std::map<std::string, Bytes> FileTree(const std::filesystem::path& root);

void PutLE16(Bytes& ab, std::uint16_t v);
void PutLE32(Bytes& ab, std::uint32_t v);
void PutTag(Bytes& ab, const char* szTag);

// A canonical PCM WAV file: RIFF, WAVE, a 16-byte fmt chunk, optional extra
// chunks, then the data chunk holding abData.
struct WavSpec
{
    std::uint16_t nFormatTag = 1;
    std::uint16_t nChannels = 1;
    std::uint32_t nRate = 44100;
    std::uint16_t nBits = 16;
    Bytes abData;
    // A chunk placed before the fmt chunk and one between fmt and data.
    Bytes abChunkBeforeFmt; // whole chunk bytes (id, size, body)
    Bytes abChunkBeforeData;
    Bytes abTrailer; // bytes after the data chunk (another chunk, say)
    // When set, the data chunk's size field is this instead of abData's size.
    bool bOverrideDataSize = false;
    std::uint32_t nDataSizeField = 0;
};
Bytes MakeWav(const WavSpec& spec);
// A whole chunk: id, little-endian size, body.
Bytes MakeChunk(const char* szId, const Bytes& abBody);
// nFrames frames of a ramp, so that every sample differs from its neighbours.
Bytes RampData(std::size_t nBytes, std::uint8_t nSeed = 1);

} // namespace test
