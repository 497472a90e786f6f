// The engine's face to JavaScript (embind): each operation takes plain
// objects and MEMFS paths and returns
//   { ok, files: [paths], text, messages: [{ text, caption, icon }] }.
// Make File's settings come as one object; ReadMakeOptions is the one place
// that turns its fields into CMakeOptions, and refuses a field it does not
// know when that field asks for anything but its default (a page ahead of
// its engine must not make a file other than the one asked for).
#include "MakeOptionMap.h"
#include "OptionTable.h"
#include "PoolPaths.h"
#include "WebEngine.h"

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <optional>
#include <set>
#include <stdexcept>

using emscripten::val;

namespace
{

const char* IconName(MessageIcon icon)
{
    switch (icon)
    {
    case MessageIcon::Exclamation:
        return "exclamation";
    case MessageIcon::Stop:
        return "stop";
    default:
        return "none";
    }
}

val ToJs(const SWebResult& result, const CWebFeedback& feedback)
{
    val out = val::object();
    out.set("ok", result.m_bOk);
    val files = val::array();
    for (const auto& strFile : result.m_aFiles)
        files.call<void>("push", strFile);
    out.set("files", files);
    out.set("text", result.m_strText);
    out.set("note", result.m_strNote);
    val messages = val::array();
    for (const auto& message : feedback.Messages())
    {
        val m = val::object();
        m.set("text", message.m_strText);
        m.set("caption", message.m_strCaption);
        m.set("icon", std::string(IconName(message.m_icon)));
        messages.call<void>("push", m);
    }
    out.set("messages", messages);
    return out;
}

template <typename T> T Field(const val& o, const char* szName, T fallback)
{
    const val v = o[szName];
    return v.isUndefined() || v.isNull() ? fallback : v.as<T>();
}

// A field that must be a whole number: nAbsent when it is not set, nNotWhole
// when it is not a whole number within int's range (a fraction, a text, NaN),
// so that the caller's range check refuses it instead of a conversion error.
int WholeField(const val& o, const char* szName, int nAbsent, int nNotWhole)
{
    const val v = o[szName];
    if (v.isUndefined() || v.isNull())
        return nAbsent;
    if (!v.isNumber())
        return nNotWhole;
    const double d = v.as<double>();
    if (!(d >= std::numeric_limits<int>::min() && d <= std::numeric_limits<int>::max()) ||
        d != std::floor(d))
        return nNotWhole;
    return static_cast<int>(d);
}

std::vector<SWebEntry> ReadEntries(const val& jsEntries)
{
    std::vector<SWebEntry> aEntries;
    const auto n = jsEntries["length"].as<unsigned>();
    for (unsigned i = 0; i < n; ++i)
    {
        const val e = jsEntries[i];
        SWebEntry entry;
        entry.m_strFileName = Field(e, "fileName", entry.m_strFileName);
        entry.m_strPath = Field(e, "path", entry.m_strPath);
        entry.m_strSampleName = Field(e, "sampleName", entry.m_strSampleName);
        entry.m_strKeymapName = Field(e, "keymapName", entry.m_strKeymapName);
        entry.m_strProgramName = Field(e, "programName", entry.m_strProgramName);
        entry.m_bLoop = Field(e, "loop", entry.m_bLoop);
        entry.m_nRootKey = Field(e, "rootKey", entry.m_nRootKey);
        entry.m_bKeymapEnable = Field(e, "keymapEnable", entry.m_bKeymapEnable);
        entry.m_bProgramEnable = Field(e, "programEnable", entry.m_bProgramEnable);
        aEntries.push_back(entry);
    }
    return aEntries;
}

val EntriesToJs(const std::vector<SWebEntry>& aEntries)
{
    val out = val::array();
    for (const auto& entry : aEntries)
    {
        val e = val::object();
        e.set("fileName", entry.m_strFileName);
        e.set("sampleName", entry.m_strSampleName);
        e.set("keymapName", entry.m_strKeymapName);
        e.set("programName", entry.m_strProgramName);
        e.set("loop", entry.m_bLoop);
        e.set("rootKey", entry.m_nRootKey);
        e.set("keymapEnable", entry.m_bKeymapEnable);
        e.set("programEnable", entry.m_bProgramEnable);
        out.call<void>("push", e);
    }
    return out;
}

// The audio options of a settings object: convert (bool), maxRate (Hz, 0
// for none; a value that is not a whole number becomes -1, out of range),
// fileMetadata (bool).
CAudioOptions ReadAudioOptions(const val& o)
{
    CAudioOptions audio;
    audio.bConvert = Field(o, "convert", audio.bConvert);
    // Checked by the operations (IsRateLimitInRange): -1 is never in range.
    audio.nMaxRate = WholeField(o, "maxRate", audio.nMaxRate, -1);
    audio.bFileMetadata = Field(o, "fileMetadata", audio.bFileMetadata);
    return audio;
}

// The settings' field of dorvane-cli's --skip-unusable (a bool): it is no
// option of CMakeOptions but of the Make request, so Make reads it itself.
constexpr const char* kSkipUnusableField = "skipUnusable";

// Fills options from the page's settings object. Returns the name of a
// field this engine does not implement that is set (true, a non-zero
// number or a non-empty text), or "" when every field is understood.
// Fields the object does not hold keep the values options has.
std::string ReadMakeOptions(const val& o, CMakeOptions& options)
{
    // The page's options of the table; the values are checked by WebMake.
    std::set<std::string> aKnown;
    for (const SOption& option : OptionTable())
        if ((option.nFaces & kFacePage) != 0)
            aKnown.insert(option.szKey);
    for (const SOption& option : OptionTable())
    {
        const std::optional<int> nOld = MakeOptionValue(options, option.szKey);
        if ((option.nFaces & kFacePage) == 0 || !nOld)
            continue;
        // A number that is not whole becomes -1, which no option's range
        // takes, so that Make File refuses it with the option's message.
        const int nValue = option.kind == EOptionKind::Flag
                               ? int{Field(o, option.szKey, *nOld != 0)}
                               : WholeField(o, option.szKey, *nOld, -1);
        SetMakeOption(options, option.szKey, nValue);
    }

    const val keys = val::global("Object").call<val>("keys", o);
    const auto n = keys["length"].as<unsigned>();
    for (unsigned i = 0; i < n; ++i)
    {
        const auto strKey = keys[i].as<std::string>();
        if (aKnown.count(strKey) != 0)
            continue;
        const val v = o[strKey];
        const bool bSet = v.isTrue() || (v.isNumber() && v.as<double>() != 0) ||
                          (v.isString() && !v.as<std::string>().empty());
        if (bSet)
            return strKey;
    }
    return "";
}

std::string UnknownOptionMessage(const std::string& strField)
{
    return "This engine has no option \"" + strField + "\": no file was written.";
}

CWebFeedback::ProgressFn ProgressTo(const val& onProgress)
{
    if (onProgress.isUndefined() || onProgress.isNull())
        return {};
    return [onProgress](const std::string& strStatus, int nPos, int nLower, int nUpper)
    { onProgress(strStatus, nPos, nLower, nUpper); };
}

val Make(val entries, val settings, std::string strOutput, val onProgress)
{
    CWebFeedback feedback(ProgressTo(onProgress));
    CMakeOptions options;
    const std::string strUnknown = ReadMakeOptions(settings, options);
    if (!strUnknown.empty())
    {
        feedback.MessageBox(UnknownOptionMessage(strUnknown), kAppTitle, MessageIcon::Stop);
        return ToJs(SWebResult{}, feedback);
    }
    const bool bSkipUnusable = Field(settings, kSkipUnusableField, false);
    const SWebResult result =
        WebMake(ReadEntries(entries), options, bSkipUnusable, strOutput, feedback);
    return ToJs(result, feedback);
}

val Split(std::string strSource, int nSizeKB, val onProgress)
{
    CWebFeedback feedback(ProgressTo(onProgress));
    const SWebResult result = WebSplit(strSource, nSizeKB, feedback);
    return ToJs(result, feedback);
}

val Join(std::string strFirst, std::string strDest, val onProgress)
{
    CWebFeedback feedback(ProgressTo(onProgress));
    const SWebResult result = WebJoin(strFirst, strDest, feedback);
    return ToJs(result, feedback);
}

val Info(val paths)
{
    CWebFeedback feedback;
    std::vector<std::string> aFiles;
    const auto n = paths["length"].as<unsigned>();
    for (unsigned i = 0; i < n; ++i)
        aFiles.push_back(paths[i].as<std::string>());
    return ToJs(WebInfo(aFiles, feedback), feedback);
}

val SavePool(val entries, std::string strPath)
{
    CWebFeedback feedback;
    const SWebResult result = WebSavePool(ReadEntries(entries), strPath, feedback);
    return ToJs(result, feedback);
}

val ReadPool(std::string strPath)
{
    CWebFeedback feedback;
    std::vector<SWebEntry> aEntries;
    SWebResult result;
    result.m_bOk = WebReadPool(strPath, aEntries, feedback);
    val out = ToJs(result, feedback);
    out.set("entries", EntriesToJs(aEntries));
    return out;
}

std::vector<std::string> Strings(const val& js)
{
    std::vector<std::string> a;
    const auto n = js["length"].as<unsigned>();
    for (unsigned i = 0; i < n; ++i)
        a.push_back(js[i].as<std::string>());
    return a;
}

// The dropped file each stored path leads to, as opening a pool finds
// files on the desktop (MatchStoredPaths): strPoolPath and dropped name
// the pool file and the dropped files by their places in the drop
// ("/proj/set.dvn", "/proj/kit/a.wav"). Returns one index or -1 per stored
// path.
val MatchPool(std::string strPoolPath, val stored, val dropped)
{
    const std::string strPoolDir = std::filesystem::path(strPoolPath).parent_path().string();
    val out = val::array();
    for (const int n : MatchStoredPaths(Strings(stored), strPoolDir, Strings(dropped)))
        out.call<void>("push", n);
    return out;
}

// The facts of the file strPath as Add sees it under the audio options of
// settings (as ReadMakeOptions reads them), its title strTitle giving a
// note name.
val WavFacts(std::string strPath, std::string strTitle, val settings)
{
    const SWavFacts facts = WebWavFacts(strPath, strTitle, ReadAudioOptions(settings));
    val out = val::object();
    out.set("valid", facts.m_bValid);
    out.set("type", facts.m_strType);
    out.set("sampleName", facts.m_strSampleName);
    out.set("message", facts.m_strMessage);
    out.set("channels", facts.m_nChannels);
    out.set("bitsPerSample", facts.m_nBitsPerSample);
    out.set("sampleRate", facts.m_nSamplesPerSec);
    out.set("dataOffset", facts.m_nDataOffset);
    out.set("dataSize", facts.m_nDataSize);
    out.set("needsDecoding", facts.m_bNeedsDecoding);
    out.set("rootKey", facts.m_nRootKey);
    out.set("loop", facts.m_bLoop);
    out.set("loopIgnored", facts.m_bLoopIgnored);
    out.set("metadataIgnored", facts.m_bMetadataIgnored);
    val loop = val::null();
    if (facts.m_bHasLoop)
    {
        loop = val::object();
        loop.set("start", facts.m_dLoopStart);
        loop.set("end", facts.m_dLoopEnd);
    }
    out.set("fileLoop", loop); // { start, end } in frames, or null
    return out;
}

// The instruments of each instrument file in paths, as the page lists
// them: { ok, instruments: [{ file, name, zones: [{ name, loKey, hiKey,
// loVel, hiVel, rootKey, keyRange }] }], messages }; ok is false when a
// file was refused (its message says why).
val ReadInstruments(val paths)
{
    CWebFeedback feedback;
    val instruments = val::array();
    bool bOk = true;
    for (const std::string& strPath : Strings(paths))
    {
        const std::vector<CInstrument> aRead = WebReadInstruments(strPath, feedback);
        bOk = bOk && !aRead.empty();
        for (const CInstrument& instrument : aRead)
        {
            val zones = val::array();
            for (const CZone& zone : instrument.aZones)
            {
                val z = val::object();
                z.set("name", zone.strName);
                z.set("loKey", zone.nLoKey);
                z.set("hiKey", zone.nHiKey);
                z.set("loVel", zone.nLoVel);
                z.set("hiVel", zone.nHiVel);
                z.set("rootKey", zone.nRootKey);
                z.set("keyRange", zone.bKeyRange);
                zones.call<void>("push", z);
            }
            val i = val::object();
            i.set("file", strPath);
            i.set("name", instrument.strName);
            i.set("zones", zones);
            instruments.call<void>("push", i);
        }
    }
    SWebResult result;
    result.m_bOk = bOk;
    val out = ToJs(result, feedback);
    out.set("instruments", instruments);
    return out;
}

// Make File of instruments: inputs as dorvane-cli make takes them (paths
// of instrument files; any other name is refused as a mix), settings as
// Make reads them.
val MakeInstruments(val inputs, val settings, std::string strOutput, val onProgress)
{
    CWebFeedback feedback(ProgressTo(onProgress));
    CMakeOptions options;
    const std::string strUnknown = ReadMakeOptions(settings, options);
    if (!strUnknown.empty())
    {
        feedback.MessageBox(UnknownOptionMessage(strUnknown), kAppTitle, MessageIcon::Stop);
        return ToJs(SWebResult{}, feedback);
    }
    return ToJs(WebMakeInstruments(Strings(inputs), options, strOutput, feedback), feedback);
}

// Extract of sources (KRZ files or first parts, their parts beside them)
// into the folder strOutDir.
val Extract(val sources, std::string strOutDir, val onProgress)
{
    CWebFeedback feedback(ProgressTo(onProgress));
    return ToJs(WebExtract(Strings(sources), strOutDir, feedback), feedback);
}

// An operation whose result goes to onDone instead of being returned. The
// worker enters these through a suspending boundary where the browser has
// one, so that the engine's reads may wait for asynchronous reads of the
// page's files; a returned value would reach JavaScript at the first such
// wait, before the operation has finished. Every operation has one: once
// the read import may suspend, every read must come from such an entry.
template <auto Fn>
struct SThen;

template <typename R, typename... Args, R (*Fn)(Args...)>
struct SThen<Fn>
{
    static void Call(val onDone, Args... args) { onDone(Fn(std::move(args)...)); }
};

} // namespace

// Each operation under its name, and with its result through a callback
// under its name and "Then" (see SThen).
#define DORVANE_OPERATION(name, fn)                                                                \
    emscripten::function(name, &fn);                                                               \
    emscripten::function(name "Then", &SThen<&fn>::Call)

EMSCRIPTEN_BINDINGS(dorvane_engine)
{
    DORVANE_OPERATION("make", Make);
    DORVANE_OPERATION("split", Split);
    DORVANE_OPERATION("join", Join);
    DORVANE_OPERATION("info", Info);
    DORVANE_OPERATION("savePool", SavePool);
    DORVANE_OPERATION("readPool", ReadPool);
    DORVANE_OPERATION("matchPool", MatchPool);
    DORVANE_OPERATION("wavFacts", WavFacts);
    DORVANE_OPERATION("optionTable", OptionTableJson);
    DORVANE_OPERATION("readInstruments", ReadInstruments);
    DORVANE_OPERATION("makeInstruments", MakeInstruments);
    DORVANE_OPERATION("extract", Extract);
}
