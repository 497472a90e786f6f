// The text of an SFZ file as a list of headers and opcodes: comments
// (// to the end of the line, /* */ across lines) removed, #define $NAME
// value replacing $NAME in the lines after it, #include "file" read in
// place (relative to the including file's folder). Standard library only.
//
// An opcode's value runs up to the next header or the next "name=" on its
// line, so values may hold spaces ("sample=My Piano C4.wav lokey=60").
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Files longer than this are not read (an SFZ file is text of some
// kilobytes; the limit keeps a stray binary file from being scanned).
inline constexpr std::uintmax_t kSfzMaxFileBytes = 4u << 20;
// Includes nested deeper than this are not read (a chain that deep is a
// mistake, not an instrument).
inline constexpr int kSfzMaxIncludeDepth = 16;
// At most this many files are read for one SFZ file, the file itself
// included: an include read many times over cannot multiply the work.
inline constexpr int kSfzMaxFiles = 256;
// A line longer than this after its $NAMEs are replaced is left out.
inline constexpr std::size_t kSfzMaxLineBytes = 1u << 16;
// At most this many #define names are kept.
inline constexpr std::size_t kSfzMaxDefines = 4096;

struct CSfzToken
{
    bool bHeader = false; // a header: strName without the angle brackets
    std::string strName;  // lower case
    std::string strValue; // an opcode's value, without surrounding blanks
    int nFile = 0;        // index into CSfzSource::aFiles
    int nLine = 0;        // 1-based line in that file
};

struct CSfzSource
{
    // The files read, as notes name them: [0] is the path given, an
    // included file is its folder joined with the name the include gave.
    std::vector<std::string> aFiles;
    std::vector<CSfzToken> aTokens;
    // Includes not read (missing, a cycle, too deep), lines left out, text
    // that is neither a header nor an opcode; each names the file and line.
    std::vector<std::string> aNotes;
    // Set when strPath itself cannot be read; then aTokens is empty.
    std::string strRefusal;
};

// Reads strPath and every file it includes.
CSfzSource ReadSfzSource(const std::string& strPath);
