// The Extract runner: takes KRZ files apart into WAV files, SFZ files and
// a report (ExtractKrz), one folder per KRZ file, and returns the outcome;
// the front end shows it.
#pragma once

#include "COutcome.h"

#include <string>
#include <vector>

class CFeedback;

// Extracts each of aSources (a whole KRZ file, the first part of a split
// file, which is joined first with the join's checks, or a disk image) into
// folders under strOutDir (created when missing), one per KRZ file: the
// file's name without its extension, made safe (SafeFileName) and unique
// among all the folders made. A disk image (a floppy image or a
// FAT12/FAT16 disk image, raw or its first partition) gives every KRZ file
// (.KRZ, .K25, .K26) in every folder, or, when aOnly is not empty, those
// it names (ImageFileNamed); a name no image holds is a refusal. Nothing is written outside
// strOutDir, and no output may be one of the sources (COutputSet). Each source's files replace
// their targets together once all are written. The outcome is a refusal when a source cannot be
// extracted (its message, the others are still extracted): not a KRZ file, a later part of a split
// file, a join's refusal, a file error, an image that cannot be read or
// holds no KRZ file, each file of an image that cannot be read or is a
// part, each folder of an image that is damaged; when strOutDir is empty or is a
// file. A source whose report lists items that could not be written adds a
// note that says how many. COutcome::Cancelled() when feedback's user asks
// to stop (the source being extracted is not written).
COutcome RunExtract(const std::vector<std::string>& aSources, const std::string& strOutDir,
                    CFeedback& feedback, const std::vector<std::string>& aOnly = {});
