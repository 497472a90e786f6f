// Where each option of the table lives in CMakeOptions, through the
// accessors of its row (SOption::pfnSetMake, pfnGetMake), so that every face
// fills Make File's options by walking the table's rows rather than naming
// each option.
#pragma once

#include "MakeFile.h"

#include <optional>
#include <string_view>

// Sets the field of svKey in options to nValue (a Flag: 0 is off, anything
// else on). Returns false, changing nothing, when svKey names no field of
// CMakeOptions (options that are not Make File's, such as skipUnusable and
// relativePaths, or a key the table lacks). The value is not checked:
// CheckMakeOptions does that.
bool SetMakeOption(CMakeOptions& options, std::string_view svKey, int nValue);

// The value of svKey's field in options (a Flag as 0 or 1); nullopt when
// svKey names no field of CMakeOptions.
std::optional<int> MakeOptionValue(const CMakeOptions& options, std::string_view svKey);
