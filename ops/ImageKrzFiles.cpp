#include "ImageKrzFiles.h"

#include "FatLayout.h"

#include <algorithm>
#include <cctype>
#include <cstring>

CImageKrzFiles::CImageKrzFiles(const std::string& strPath)
    : m_file(strPath, CFile::modeRead), m_io(m_file), m_volume(m_io, true)
{
    SFatListing listing = ListFatFiles(m_volume);
    for (SFatFile& file : listing.aFiles)
        if (IsKrzFileName(file.strPath))
            m_aFiles.push_back(std::move(file));
    m_aProblems = std::move(listing.aProblems);
}

bool StartsAsKrzFile(const std::string& strPath)
{
    CFile file(strPath, CFile::modeRead);
    char ab[4] = {};
    return file.Read(ab, sizeof ab) == sizeof ab && std::memcmp(ab, "PRAM", 4) == 0;
}

std::unique_ptr<CImageKrzFiles> OpenKrzImage(const std::string& strPath, std::string& strRefusal)
{
    strRefusal.clear();
    try
    {
        return std::make_unique<CImageKrzFiles>(strPath);
    }
    catch (const CDiskImageRefusal& e)
    {
        CFile file(strPath, CFile::modeRead);
        std::uint8_t ab[kFatBootSectorSize] = {};
        const bool bSigned = file.Read(ab, sizeof ab) == sizeof ab &&
                             ab[kBsSignature] == kBsSignature0 &&
                             ab[kBsSignature + 1] == kBsSignature1;
        if (bSigned)
            strRefusal = e.what();
    }
    catch (const CFileException& e)
    {
        // A boot sector that promises more than the file holds.
        if (e.m_cause != CFileException::endOfFile)
            throw;
        strRefusal = "the image is shorter than its volume";
    }
    return nullptr;
}

bool ImageFileNamed(const SFatFile& file, const std::string& strName)
{
    const auto Upper = [](std::string str)
    {
        std::transform(str.begin(), str.end(), str.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        return str;
    };
    std::string strWanted = Upper(strName);
    std::replace(strWanted.begin(), strWanted.end(), '\\', '/');
    if (strWanted.starts_with('/'))
        strWanted.erase(0, 1);
    const std::string strPath = Upper(file.strPath);
    if (strWanted.find('/') != std::string::npos)
        return strPath == strWanted;
    const std::size_t nSlash = strPath.rfind('/');
    return strPath.substr(nSlash == std::string::npos ? 0 : nSlash + 1) == strWanted;
}
