// The plan of a KRZ file of instruments, made before anything is written:
// which instruments go into which file, their sample objects and keymaps,
// and where each sample's words lie in the sample data. Standard library
// only; the sizes of the zones' audio come from CZoneSource records (read
// from the files' headers by the writer, InstrumentWriter.h).
//
// Each instrument is one program with one layer and one keymap. Zones that
// play the same audio (file or data, the same frames) share its words, and
// zones that also share root key, loop and gain share one sample object,
// across the instruments of a file too. When any zone of an instrument is
// stereo, its mono zones are written as left/right pairs of the same words,
// so that the layer is stereo.
#pragma once

#include "CInstrument.h"
#include "InstrumentKeymap.h"

#include <cstdint>
#include <string>
#include <vector>

// The highest object number of each type.
inline constexpr int kMaxObjectNumber = 999;

// What the builder learnt of one zone's audio before planning.
struct CZoneSource
{
    bool bUsable = false;      // its file was read (or its data is in memory)
    int nChannels = 0;         // 1 or 2
    int nRate = 0;             // Hz written (after any resampling)
    std::uint64_t nFrames = 0; // frames the whole file or data gives at nRate
    double dFrameScale = 1.0;  // frames at nRate per frame of the zone's numbering (resampled)
};

// One run of words in the sample data.
struct CDataPlan
{
    CZoneAudio audio;              // where they come from (the first zone's audio)
    int nSourceChannels = 1;       // channels of the source
    bool bStereo = false;          // written as a left/right pair (a mono source twice)
    std::uint64_t nFirstFrame = 0; // first frame of the source at the written rate
    std::uint64_t nFrames = 0;     // frames written
    std::uint64_t nWordAt = 0;     // the left (or only) channel's first word in the data area

    std::uint64_t Bytes() const { return 2 * nFrames * (bStereo ? 2 : 1); }
};

struct CSamplePlan
{
    std::uint16_t nNumber = 0;
    int nData = 0;      // index into the file's aData
    int nRootNote = 60; // MIDI note
    bool bLoop = false;
    std::uint64_t nLoopStart = 0; // frames from the data's first frame
    int nGainSteps = 0;           // s8, 0.5 dB steps
    int nRate = 0;                // Hz
    std::string strName;
};

struct CInstrumentPlan
{
    std::uint16_t nNumber = 0; // of its program and its keymap
    std::string strName;
    bool bStereo = false;
    CInstrumentKeymap keymap;
};

struct CLibraryFilePlan
{
    std::vector<CInstrumentPlan> aInstruments;
    std::vector<CSamplePlan> aSamples;
    std::vector<CDataPlan> aData;
    std::uint64_t nDataBytes = 0;
};

// The volume adjust of a gain: round(dB * 2) half-steps, saturated to
// -128..127 (-64..+63.5 dB); bSaturated tells when it was cut.
int GainSteps(double dGainDb, bool& bSaturated);

// Plans the files of aInstruments (aSources: per instrument, per zone),
// numbering each file's programs and keymaps, and its samples, from
// nFirstObjectID. An instrument whose sample objects would take a number
// above kMaxObjectNumber starts a new file. Adds to aNotes, naming the
// instrument and the zone: a zone that cannot be played (its audio
// unusable, no frame in its range, a rate no sample header holds, a root
// key outside notes 0..127, an empty key or velocity range, a key
// range below note 12, no key or velocity left to it), a frame range or
// loop cut to the audio, a loop ignored, a gain saturated; an instrument
// with no zone to play is left out with a note. Returns false with
// strError when one instrument alone needs more sample numbers than a file
// has.
bool PlanInstrumentLibrary(const std::vector<CInstrument>& aInstruments,
                           const std::vector<std::vector<CZoneSource>>& aSources,
                           int nFirstObjectID, std::vector<CLibraryFilePlan>& aFiles,
                           std::vector<std::string>& aNotes, std::string& strError);
