#include "MakeOptionMap.h"

#include <array>

namespace
{

// A field of CMakeOptions reached through a value of int.
struct SMakeField
{
    std::string_view svKey;
    void (*set)(CMakeOptions&, int);
    int (*get)(const CMakeOptions&);
};

// One row per option that is a CMakeOptions field; a new option that Make
// File takes adds its row here.
const std::array<SMakeField, 8> kFields{{
    {"firstObjectID", [](CMakeOptions& o, int n) { o.nFirstObjectID = n; },
     [](const CMakeOptions& o) { return o.nFirstObjectID; }},
    {"split", [](CMakeOptions& o, int n) { o.bSplit = n != 0; },
     [](const CMakeOptions& o) { return int{o.bSplit}; }},
    {"splitKB", [](CMakeOptions& o, int n) { o.nMaxSplitKB = n; },
     [](const CMakeOptions& o) { return o.nMaxSplitKB; }},
    {"floppyKB", [](CMakeOptions& o, int n) { o.nFloppyKB = n; },
     [](const CMakeOptions& o) { return o.nFloppyKB; }},
    {"convert", [](CMakeOptions& o, int n) { o.audio.bConvert = n != 0; },
     [](const CMakeOptions& o) { return int{o.audio.bConvert}; }},
    {"maxRate", [](CMakeOptions& o, int n) { o.audio.nMaxRate = n; },
     [](const CMakeOptions& o) { return o.audio.nMaxRate; }},
    {"fileMetadata", [](CMakeOptions& o, int n) { o.audio.bFileMetadata = n != 0; },
     [](const CMakeOptions& o) { return int{o.audio.bFileMetadata}; }},
    {"multisample", [](CMakeOptions& o, int n) { o.bMultisample = n != 0; },
     [](const CMakeOptions& o) { return int{o.bMultisample}; }},
}};

const SMakeField* FindField(std::string_view svKey)
{
    for (const SMakeField& field : kFields)
        if (field.svKey == svKey)
            return &field;
    return nullptr;
}

} // namespace

bool SetMakeOption(CMakeOptions& options, std::string_view svKey, int nValue)
{
    const SMakeField* pField = FindField(svKey);
    if (pField == nullptr)
        return false;
    pField->set(options, nValue);
    return true;
}

std::optional<int> MakeOptionValue(const CMakeOptions& options, std::string_view svKey)
{
    const SMakeField* pField = FindField(svKey);
    if (pField == nullptr)
        return std::nullopt;
    return pField->get(options);
}
