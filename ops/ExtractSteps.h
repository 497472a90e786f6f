// The steps Extract takes for each KRZ file, whether it is a file of its
// own or a file on a disk image (ExtractRunner.cpp, ExtractImage.cpp).
#pragma once

#include "COutcome.h"
#include "ExtractNames.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class CFeedback;

struct SExtractRun
{
    std::string strOutDir;
    std::vector<std::string> aSources; // no output may be one of them
    std::vector<std::string> aOnly;    // the files to take from images; empty: all
    std::vector<bool> abOnlyFound;     // per name of aOnly: found on an image
    CExtractNames folders;             // the folders made under strOutDir
};

// The refusal for bytes that are not a whole KRZ file or a first part,
// naming strLabel; empty when they are one. bFirstPart tells which.
std::string KrzBytesRefusal(std::span<const std::uint8_t> ab, const std::string& strLabel,
                            bool& bFirstPart);

// Extracts the whole KRZ file ab into a folder of its own under
// run.strOutDir, named after strName without its extension (made safe and
// unique); strLabel names it in the report and the messages. File errors
// throw (CFileException, COutputRefusal, COperationCancelled).
COutcome ExtractKrzBytes(std::span<const std::uint8_t> ab, const std::string& strLabel,
                         const std::string& strName, SExtractRun& run, CFeedback& feedback);

// Extracts the KRZ files of the disk image strSource (all, or those
// run.aOnly names); false, with nothing done, when it is no disk image.
bool ExtractFromImage(const std::string& strSource, SExtractRun& run, CFeedback& feedback,
                      COutcome& outcome);
