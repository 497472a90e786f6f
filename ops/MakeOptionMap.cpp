#include "MakeOptionMap.h"

#include "OptionTable.h"

bool SetMakeOption(CMakeOptions& options, std::string_view svKey, int nValue)
{
    const SOption* pOption = FindOption(svKey);
    if (pOption == nullptr || pOption->pfnSetMake == nullptr)
        return false;
    pOption->pfnSetMake(options, nValue);
    return true;
}

std::optional<int> MakeOptionValue(const CMakeOptions& options, std::string_view svKey)
{
    const SOption* pOption = FindOption(svKey);
    if (pOption == nullptr || pOption->pfnGetMake == nullptr)
        return std::nullopt;
    return pOption->pfnGetMake(options);
}
