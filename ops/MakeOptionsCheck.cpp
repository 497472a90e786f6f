#include "MakeOptionsCheck.h"

#include "MakeOptionMap.h"
#include "OptionTable.h"

std::string CheckMakeOptions(const CMakeOptions& options)
{
    // The table's rows that are fields of CMakeOptions, in the table's order;
    // the other rows (options of a pool save) have no value here.
    for (const SOption& option : OptionTable())
    {
        const std::optional<int> nValue = MakeOptionValue(options, option.szKey);
        if (!nValue)
            continue;
        std::string strMessage = CheckOptionValue(option, *nValue);
        if (!strMessage.empty())
            return strMessage;
    }
    return {};
}
