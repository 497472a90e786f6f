#include "OptionFlags.h"

int COptionValues::Get(std::string_view svKey) const
{
    const auto it = m_aValues.find(svKey);
    return it != m_aValues.end() ? it->second : Option(svKey).nDefault;
}

void COptionValues::Set(std::string_view svKey, int nValue)
{
    m_aValues.insert_or_assign(std::string(svKey), nValue);
}

CLI::Validator OptionRange(const SOption& option)
{
    return CLI::Validator(
        [&option](std::string& str)
        {
            int nValue = 0;
            // A value that is no whole number gets the range message too.
            if (!CLI::detail::lexical_cast(str, nValue))
                return std::string(option.szRangeMessage);
            return CheckOptionValue(option, nValue);
        },
        "");
}

void AddTableOptions(CLI::App& command, std::string_view svCommand, COptionValues& values)
{
    for (const SOption& option : OptionTable())
    {
        if ((option.nFaces & kFaceCli) == 0 || svCommand != option.szCommand)
            continue;
        const std::string strKey = option.szKey;
        if (option.kind == EOptionKind::Flag)
        {
            command.add_flag_function(
                option.szFlag, [&values, strKey](std::int64_t) { values.Set(strKey, 1); },
                std::string(option.szHelp) + " (default: off)");
            continue;
        }
        command
            .add_option_function<int>(
                option.szFlag, [&values, strKey](const int& n) { values.Set(strKey, n); },
                option.szHelp)
            ->check(OptionRange(option))
            ->default_str(std::to_string(option.nDefault));
    }
}
