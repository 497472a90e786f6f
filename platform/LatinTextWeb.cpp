#include "LatinText.h"

#include "LatinTable.h"

// The page's build has no ICU: the table made from it.
std::string LatinTextOf(const std::string& strRun, bool& bAllKnown)
{
    return LatinTextFromTable(strRun, bAllKnown);
}
