// dorvane-cli's flags made from the option table: each option of a command
// becomes its flag, with the table's help text and range.
#pragma once

#include "OptionTable.h"

#include <CLI/CLI.hpp>

#include <map>
#include <string>
#include <string_view>

// The value of each of a command's options: its default until the command
// line gives one (1 for a flag given).
class COptionValues
{
  public:
    int Get(std::string_view svKey) const;
    void Set(std::string_view svKey, int nValue);

  private:
    std::map<std::string, int, std::less<>> m_aValues;
};

// Adds a flag to command for every option of svCommand that dorvane-cli
// offers, in the table's order, writing what is given into values. A value
// outside the option's range is a usage error with the option's message.
void AddTableOptions(CLI::App& command, std::string_view svCommand, COptionValues& values);

// A check of an option's range for options outside the table's commands
// (split --size takes the part size of make --split-size).
CLI::Validator OptionRange(const SOption& option);
