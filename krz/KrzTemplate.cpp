#include "KrzTemplate.h"

#include "CFile.h"

#ifndef DORVANE_DATADIR
#define DORVANE_DATADIR "/usr/local/share/dorvane"
#endif

std::vector<std::string> TemplateSearchDirs(const std::string& strExeDir)
{
    // "." opens the bare name in the current folder, which is where the
    // template has always been looked for first.
    std::vector<std::string> aDirs{"."};
    if (!strExeDir.empty())
        aDirs.push_back(strExeDir);
    aDirs.push_back(DORVANE_DATADIR);
    return aDirs;
}

bool LoadTemplateFile(TemplateBytes& abTemplate, const std::vector<std::string>& aDirs,
                      std::string* pstrLoadedPath)
{
    for (const std::string& strDir : aDirs)
    {
        std::string strPath = strDir;
        if (!strPath.empty() && strPath.back() != '/')
            strPath += '/';
        strPath += kTemplateFileName;

        CFile file;
        if (!file.Open(strPath, CFile::modeRead))
            continue;
        if (pstrLoadedPath)
            *pstrLoadedPath = strPath;
        // The first template that opens is the one used: a short one is not
        // made good by a complete one further down the list.
        try
        {
            return file.Read(abTemplate.data(), abTemplate.size()) == abTemplate.size();
        }
        catch (const CFileException&)
        {
            return false;
        }
    }
    return false;
}
