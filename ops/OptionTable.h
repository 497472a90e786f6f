// The options of Make File and of saving a pool, as one table: for each its
// key, dorvane-cli's flag, the window's settings key, the label, the help
// text, its kind, range and default, and the faces that offer it. The
// command line's flags, the Settings dialog's rows, the saved settings and
// the page's controls are made from it, and every face checks a value with
// CheckOptionValue, so that one range holds everywhere.
#pragma once

#include <span>
#include <string>
#include <string_view>

struct CMakeOptions;

enum class EOptionKind
{
    Flag,    // on or off: 0 or 1
    Integer, // a whole number in nMin..nMax (or 0 with bZeroIsNone)
    Choice   // one of aChoices (or 0 with bZeroIsNone)
};

// The faces that offer an option (bits of SOption::nFaces).
inline constexpr unsigned kFaceCli = 1;      // a dorvane-cli flag
inline constexpr unsigned kFaceSettings = 2; // a row of the window's Settings dialog
inline constexpr unsigned kFacePage = 4;     // a control of the page

// One value of a Choice option and how it is shown.
struct SOptionChoice
{
    int nValue;
    const char* szLabel;
};

struct SOption
{
    const char* szKey;         // the name in the page's settings object: "maxRate"
    const char* szCommand;     // the dorvane-cli command that takes it: "make", "pool"
    const char* szFlag;        // its flag: "--max-rate"
    const char* szSettingsKey; // where the window keeps it between runs; "" when not kept
    // Where the window keeps whether a value option is on (its check box
    // beside the field); "" for options without one.
    const char* szSwitchKey;
    const char* szLabel; // the Settings dialog's and the page's text
    const char* szHelp;  // dorvane-cli --help
    EOptionKind kind;
    int nMin = 0; // Integer: the range, both ends included
    int nMax = 1;
    bool bZeroIsNone = false; // 0 is taken too, meaning "none"
    std::span<const SOptionChoice> aChoices = {};
    int nDefault = 0;           // the value when not given (0 or 1 for a Flag)
    int nProposed = 0;          // the value a switched field shows while off
    bool bChangesBytes = false; // changes what Make File or a pool save writes
    unsigned nFaces = 0;
    const char* szRangeMessage = ""; // the refusal of a value outside the range
    // Make File's field of the option (a Flag as 0 or 1): how a value
    // reaches CMakeOptions and is read back; null for the options Make File
    // does not take (skipUnusable, relativePaths).
    void (*pfnSetMake)(CMakeOptions&, int) = nullptr;
    int (*pfnGetMake)(const CMakeOptions&) = nullptr;
};

// Every option, in the order the faces show them.
std::span<const SOption> OptionTable();

// The option of szKey; nullptr when the table has none.
const SOption* FindOption(std::string_view svKey);

// The option of szKey; throws std::out_of_range when the table has none (a
// face asking for an option the table lacks is a programming fault).
const SOption& Option(std::string_view svKey);

// Whether nValue is one the option takes.
bool IsOptionValueValid(const SOption& option, int nValue);

// "" when nValue is one the option takes, else its range message.
std::string CheckOptionValue(const SOption& option, int nValue);

// The table as a JSON array of objects (key, command, flag, settingsKey,
// switchKey, label, help, kind "flag"|"integer"|"choice", min, max,
// zeroIsNone, choices [{value, label}], default, proposed, changesBytes,
// faces ["cli", "settings", "page"], rangeMessage), for the page.
std::string OptionTableJson();
