// The values of the options the window keeps between runs: every option of
// the option table that has a settings key, by its key, each starting at
// the table's default. A value option with a switch key (the sample rate
// limit) also has a switch: off, the option is not in force but its value
// stays. Reading and writing the settings store, filling Make File's
// options and the Settings dialog all walk the table, so that an option
// added to the table needs no code of its own here.
#pragma once

#include "MakeFile.h"
#include "OptionTable.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

class QSettings;

class COptionValues
{
  public:
    COptionValues();

    // The options kept, in the table's order.
    static std::vector<const SOption*> KeptOptions();

    // The value of svKey (a Flag as 0 or 1); throws std::out_of_range for
    // an option that is not kept.
    int Value(std::string_view svKey) const;
    void SetValue(std::string_view svKey, int nValue);
    // Whether a value option's switch is on (true for options without one).
    bool IsSwitchedOn(std::string_view svKey) const;
    void SetSwitch(std::string_view svKey, bool bOn);
    // The value in force: 0 while the option's switch is off.
    int EffectiveValue(std::string_view svKey) const;
    bool IsOn(std::string_view svKey) const { return EffectiveValue(svKey) != 0; }

    // Every kept option from the store under its settings key (and its
    // switch under the switch key); what the store lacks keeps its default.
    // A stored value above the option's range gives the highest value
    // taken; one below it or no number at all the value proposed.
    void Read(const QSettings& settings);
    void Write(QSettings& settings) const;
    // The values in force into the fields of Make File's options that the
    // kept options have.
    void ApplyTo(CMakeOptions& options) const;

    bool operator==(const COptionValues&) const = default;

  private:
    std::map<std::string, int, std::less<>> m_aValues;
    std::map<std::string, bool, std::less<>> m_aSwitches;
};
