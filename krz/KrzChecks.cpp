#include "KrzChecks.h"

#include <set>

namespace
{

// True when the stored pitch is within one cent of 100 * root key + the rate
// term for some rate the period allows. The field holds 16 bits, so the
// comparison is made modulo 65536.
bool PitchAgrees(const KrzSampleHeaderInfo& sh, long& nExpectLow, long& nExpectHigh)
{
    nExpectLow = 100L * sh.nRootKey + static_cast<long>(KrzPitchRateTerm(sh.nRateHigh));
    nExpectHigh = 100L * sh.nRootKey + static_cast<long>(KrzPitchRateTerm(sh.nRateLow));
    const long nLo = nExpectLow - 1;
    const long nSpan = nExpectHigh + 1 - nLo;
    if (nSpan >= 65535)
        return true;
    const long nDiff = ((static_cast<long>(sh.nPitch) - nLo) % 65536 + 65536) % 65536;
    return nDiff <= nSpan;
}

void CheckEntrySamples(const KrzObjectInfo& obj, const std::set<int>& aSamples, bool bWalkCut,
                       CKrzProblems& problems)
{
    for (const int nSample : obj.aNamedSamples)
        if (aSamples.count(nSample) == 0)
            problems.ErrorUnlessCut(bWalkCut, obj.nFileOffset,
                                    KrzObjectLabel(obj) + ": an entry names sample " +
                                        KrzNum(nSample) +
                                        ", which is not a sample object of the file");
}

void CheckLayer(const KrzObjectInfo& obj, std::size_t nLayer, const std::set<int>& aKeymaps,
                CKrzProblems& problems)
{
    const KrzLayerInfo& layer = obj.aLayers[nLayer];
    const std::string strLayer = KrzObjectLabel(obj) + ", layer " + KrzNum(nLayer + 1);
    if (layer.nKeymap == 0)
        problems.Note(obj.nFileOffset, strLayer + ": names no keymap");
    for (const int nKeymap : {layer.nKeymap, layer.nKeymap2})
    {
        if (nKeymap == 0 || aKeymaps.count(nKeymap) != 0)
            continue;
        problems.Note(obj.nFileOffset, strLayer + ": keymap " + KrzNum(nKeymap) +
                                           " is not in the file (a disabled keymap leaves it out)");
        if (layer.nKeymap2 == layer.nKeymap)
            break; // the same keymap in both slots: one note
    }
    if (layer.bStereo && layer.nKeymap2 == 0)
        problems.Note(obj.nFileOffset,
                      strLayer +
                          ": a stereo layer without a second keymap never plays its right channel");
    if (!layer.bStereo && layer.nKeymap2 != 0)
        problems.Note(obj.nFileOffset, strLayer + ": a one-channel layer with a second keymap (" +
                                           KrzNum(layer.nKeymap2) +
                                           ") is known to silence the program");
}

// The words, the loop and the data of one header.
void CheckWords(const KrzFileInfo& info, const KrzSampleHeaderInfo& sh,
                const std::string& strHeader, CKrzProblems& problems)
{
    if (sh.nStart > sh.nEnd)
        problems.Error(sh.nFileOffset + kShStart, strHeader + ": start word " + KrzNum(sh.nStart) +
                                                      " is after end word " + KrzNum(sh.nEnd));
    // The loop runs from the loop start to the sample's end.
    if (sh.nStart <= sh.nEnd && (sh.nLoopStart < sh.nStart || sh.nLoopStart > sh.nEnd))
        problems.Error(sh.nFileOffset + kShLoopStart,
                       strHeader + ": loop start word " + KrzNum(sh.nLoopStart) + " lies outside " +
                           KrzNum(sh.nStart) + ".." + KrzNum(sh.nEnd));
    if (!sh.bDataInFile)
        problems.Note(sh.nFileOffset + kShFlags,
                      strHeader + ": flag 0x40 is clear, the data is not in this file; its words "
                                  "are not checked");
    else if (info.bSampleDataKnown && sh.nEnd >= info.nSampleDataLength / 2)
        problems.Error(sh.nFileOffset + kShEnd, strHeader + ": end word " + KrzNum(sh.nEnd) +
                                                    " lies past the sample data (" +
                                                    KrzNum(info.nSampleDataLength / 2) + " words)");
}

// The period, and the pitch against the rates it allows.
void CheckRate(const KrzSampleHeaderInfo& sh, const std::string& strHeader, CKrzProblems& problems)
{
    if (sh.nPeriod == 0)
    {
        problems.Error(sh.nFileOffset + kShPeriod, strHeader + ": the sample period is 0");
        return;
    }
    if (sh.nRateLow == 0)
    {
        problems.Error(sh.nFileOffset + kShPeriod, strHeader +
                                                       ": no whole-number rate has a period of " +
                                                       KrzNum(sh.nPeriod) + " ns");
        return;
    }
    long nLow = 0, nHigh = 0;
    if (!PitchAgrees(sh, nLow, nHigh))
        problems.Error(sh.nFileOffset + kShPitch,
                       strHeader + ": pitch " + std::to_string(sh.nPitch) + " with root key " +
                           std::to_string(sh.nRootKey) + " does not fit the period " +
                           KrzNum(sh.nPeriod) + " ns (" + KrzNum(sh.nRateLow) + ".." +
                           KrzNum(sh.nRateHigh) + " Hz), which needs " + std::to_string(nLow) +
                           ".." + std::to_string(nHigh));
}

} // namespace

void CheckKrzLinks(const KrzFileInfo& info, bool bWalkCut, CKrzProblems& problems)
{
    std::set<int> aSamples, aKeymaps;
    for (const KrzObjectInfo& obj : info.aObjects)
    {
        if (obj.nType == kKrzSampleType)
            aSamples.insert(obj.nNumber);
        else if (obj.nType == kKrzKeymapType)
            aKeymaps.insert(obj.nNumber);
    }
    for (const KrzObjectInfo& obj : info.aObjects)
    {
        if (obj.nType == kKrzKeymapType && obj.bSamplePerEntry)
            CheckEntrySamples(obj, aSamples, bWalkCut, problems);
        else if (obj.nType == kKrzKeymapType && obj.nSampleNumber >= 0 &&
                 aSamples.count(obj.nSampleNumber) == 0)
            problems.ErrorUnlessCut(bWalkCut, obj.nFileOffset,
                                    KrzObjectLabel(obj) + ": names sample " +
                                        KrzNum(obj.nSampleNumber) +
                                        ", which is not a sample object of the file");
        if (obj.nType != kKrzProgramType)
            continue;
        if (obj.aLayers.empty())
            problems.Note(obj.nFileOffset, KrzObjectLabel(obj) + ": no layer was read");
        for (std::size_t n = 0; n < obj.aLayers.size(); ++n)
            CheckLayer(obj, n, aKeymaps, problems);
    }
}

void CheckKrzSampleHeaders(const KrzFileInfo& info, CKrzProblems& problems)
{
    for (const KrzObjectInfo& obj : info.aObjects)
    {
        if (obj.nType != kKrzSampleType)
            continue;
        for (std::size_t i = 0; i < obj.aSampleHeaders.size(); ++i)
        {
            const KrzSampleHeaderInfo& sh = obj.aSampleHeaders[i];
            const std::string strHeader = KrzObjectLabel(obj) + ", header " + KrzNum(i + 1);
            CheckWords(info, sh, strHeader, problems);
            CheckRate(sh, strHeader, problems);
            // A stereo pair's right channel follows its left channel.
            if (obj.nChannels == 2 && i % 2 == 1)
            {
                const KrzSampleHeaderInfo& left = obj.aSampleHeaders[i - 1];
                if (std::uint64_t{sh.nStart} != std::uint64_t{left.nEnd} + 1)
                    problems.Error(
                        sh.nFileOffset + kShStart,
                        strHeader + ": the right channel starts at word " + KrzNum(sh.nStart) +
                            ", not right after the left channel's end " + KrzNum(left.nEnd));
            }
        }
    }
}
