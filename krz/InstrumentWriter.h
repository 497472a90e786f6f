// Writing planned instrument files (InstrumentPlan.h): the zones' files
// read once for their sizes, then each KRZ file written as the pool's
// builder writes one: the header, the objects (samples, then each
// instrument's keymap and program), the end mark, then the sample data,
// every size known before the first byte. Memory use is constant whatever
// the audio's size: each run of words is converted block by block straight
// into its place.
#pragma once

#include "AudioInput.h"
#include "InputStamp.h"
#include "InstrumentPlan.h"
#include "KrzBuilder.h" // KrzBuildSummary
#include "KrzTemplate.h"

#include <map>
#include <string>
#include <vector>

class CFeedback;
class CFile;

// A zone file as it was read before planning: its header read with the
// options kept here, and its stamp then.
struct CZoneFile
{
    WAVINFO info;
    CAudioOptions options; // the options the header was read with (and its data is)
    CFileStamp stamp;
};

struct CInstrumentInputs
{
    std::vector<std::vector<CZoneSource>> aSources; // per instrument, per zone
    std::map<std::string, CZoneFile> aFiles;        // usable files, by the zones' paths
};

// Reads the header of every file the zones name, once each, with audio's
// conversion and rate limit (the files' own root key and loop are never
// taken: the zones give them). A frame range of a resampled file is
// scaled with it (CZoneSource::dFrameScale). A file that cannot be used
// gives its message as a note and leaves its zones unusable; so does data
// in memory with other than 1 or 2 channels or no rate. Throws
// CFileException (fileChanged) when a file changes while it is read.
CInstrumentInputs ReadInstrumentInputs(const std::vector<CInstrument>& aInstruments,
                                       const CAudioOptions& audio,
                                       std::vector<std::string>& aNotes);

// Writes the planned file into out, the objects from abTemplate's mono or
// stereo sample and program (their fields overwritten). Each sample header:
// root key, loop flags, pitch, start, loop start, end, period as the pool's
// builder writes them, and the gain in the volume adjust bytes (2 and 3).
// Progress as the builder reports it, following the data bytes written.
// Throws CFileException: a failure of the output names it; a zone file that
// is no longer the one read (its stamp, or its header as the decoder reads
// it) raises fileChanged on it, one that gives fewer frames endOfFile.
KrzBuildSummary WriteInstrumentKrz(const CLibraryFilePlan& plan, const CInstrumentInputs& inputs,
                                   TemplateBytes& abTemplate, CFile& out, CFeedback& feedback);
