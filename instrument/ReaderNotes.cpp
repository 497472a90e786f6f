#include "ReaderNotes.h"

std::string JoinNames(const std::vector<std::string>& aNames)
{
    std::string str;
    for (const std::string& strName : aNames)
        str += (str.empty() ? "" : ", ") + strName;
    return str;
}
