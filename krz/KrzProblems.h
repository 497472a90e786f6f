// What the KRZ reader's parts share: the list of problems it fills, and the
// texts its problems and its report are made of.
#pragma once

#include "KrzFormat.h"
#include "KrzReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Object types: the ID's top six bits.
inline constexpr int kKrzSampleType = kSampleTypeBase >> 10;   // 38
inline constexpr int kKrzKeymapType = kKeymapTypeBase >> 10;   // 37
inline constexpr int kKrzProgramType = kProgramTypeBase >> 10; // 36

// Adds problems to a file's list, in the order found.
class CKrzProblems
{
  public:
    explicit CKrzProblems(std::vector<KrzProblem>& aProblems) : m_aProblems(aProblems) {}
    void Error(std::uint64_t nOffset, std::string strText)
    {
        m_aProblems.push_back({KrzSeverity::error, nOffset, std::move(strText)});
    }
    void Note(std::uint64_t nOffset, std::string strText)
    {
        m_aProblems.push_back({KrzSeverity::note, nOffset, std::move(strText)});
    }
    // An error, or a note when the file read is part 1 of a split and what
    // is missing may lie in a later part.
    void ErrorUnlessCut(bool bCut, std::uint64_t nOffset, const std::string& strText)
    {
        if (bCut)
            Note(nOffset, strText + " (or of the part read)");
        else
            Error(nOffset, strText);
    }

  private:
    std::vector<KrzProblem>& m_aProblems;
};

std::string KrzNum(std::uint64_t n);
// "0x" and nDigits upper-case hexadecimal digits.
std::string KrzHex(std::uint32_t n, int nDigits);
// Printable ASCII as it is (the backslash excepted), every other byte \xNN.
std::string KrzPrintable(const std::uint8_t* p, std::size_t n);
// "sample 201 at 32": the object's kind, number and offset.
std::string KrzObjectLabel(const KrzObjectInfo& obj);
