#include "COptionValues.h"

#include "MakeOptionMap.h"

#include <QSettings>
#include <stdexcept>

namespace
{
QString Key(const char* szKey)
{
    return QString::fromLatin1(szKey);
}

bool HasSwitch(const SOption& option)
{
    return *option.szSwitchKey != '\0';
}

// A stored value as the option takes it.
int StoredValue(const SOption& option, const QVariant& value)
{
    if (option.kind == EOptionKind::Flag)
        return value.toBool() ? 1 : 0;
    bool bNumber = false;
    const int nValue = value.toInt(&bNumber);
    // A switched option keeps a value in its range; 0 ("none") is its
    // switch's business.
    const bool bTaken = option.kind == EOptionKind::Integer
                            ? nValue >= option.nMin && nValue <= option.nMax
                            : IsOptionValueValid(option, nValue);
    if (bNumber && bTaken)
        return nValue;
    // A value saved under a wider range than the one taken now becomes the
    // highest taken; one that is no value at all (edited by hand) the value
    // proposed.
    if (bNumber && option.kind == EOptionKind::Integer && nValue > option.nMax)
        return option.nMax;
    return HasSwitch(option) ? option.nProposed : option.nDefault;
}
} // namespace

COptionValues::COptionValues()
{
    for (const SOption* pOption : KeptOptions())
    {
        // A switched option shows its proposed value while it is off.
        m_aValues[pOption->szKey] = HasSwitch(*pOption) ? pOption->nProposed : pOption->nDefault;
        if (HasSwitch(*pOption))
            m_aSwitches[pOption->szKey] = pOption->nDefault != 0;
    }
}

std::vector<const SOption*> COptionValues::KeptOptions()
{
    std::vector<const SOption*> aOptions;
    for (const SOption& option : OptionTable())
        if (*option.szSettingsKey != '\0')
            aOptions.push_back(&option);
    return aOptions;
}

int COptionValues::Value(std::string_view svKey) const
{
    const auto it = m_aValues.find(svKey);
    if (it == m_aValues.end())
        throw std::out_of_range("option not kept: " + std::string(svKey));
    return it->second;
}

void COptionValues::SetValue(std::string_view svKey, int nValue)
{
    Value(svKey);
    m_aValues.find(svKey)->second = nValue;
}

bool COptionValues::IsSwitchedOn(std::string_view svKey) const
{
    const auto it = m_aSwitches.find(svKey);
    return it == m_aSwitches.end() || it->second;
}

void COptionValues::SetSwitch(std::string_view svKey, bool bOn)
{
    const auto it = m_aSwitches.find(svKey);
    if (it == m_aSwitches.end())
        throw std::out_of_range("option without a switch: " + std::string(svKey));
    it->second = bOn;
}

int COptionValues::EffectiveValue(std::string_view svKey) const
{
    return IsSwitchedOn(svKey) ? Value(svKey) : 0;
}

void COptionValues::Read(const QSettings& settings)
{
    for (const SOption* pOption : KeptOptions())
    {
        const QVariant value = settings.value(Key(pOption->szSettingsKey));
        if (value.isValid())
            m_aValues[pOption->szKey] = StoredValue(*pOption, value);
        if (HasSwitch(*pOption))
            m_aSwitches[pOption->szKey] =
                settings.value(Key(pOption->szSwitchKey), pOption->nDefault != 0).toBool();
    }
}

void COptionValues::Write(QSettings& settings) const
{
    for (const SOption* pOption : KeptOptions())
    {
        const int nValue = Value(pOption->szKey);
        if (pOption->kind == EOptionKind::Flag)
            settings.setValue(Key(pOption->szSettingsKey), nValue != 0);
        else
            settings.setValue(Key(pOption->szSettingsKey), nValue);
        if (HasSwitch(*pOption))
            settings.setValue(Key(pOption->szSwitchKey), IsSwitchedOn(pOption->szKey));
    }
}

void COptionValues::ApplyTo(CMakeOptions& options) const
{
    for (const SOption* pOption : KeptOptions())
        SetMakeOption(options, pOption->szKey, EffectiveValue(pOption->szKey));
}
