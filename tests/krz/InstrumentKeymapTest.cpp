// Instrument keymaps: which zone each key plays at each velocity level, the
// keymap object's tables read back by the reader, and gain in half-dB steps.
#include "InstrumentKeymap.h"
#include "InstrumentPlan.h"
#include "KrzObjectReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

CZone Zone(int nLoKey, int nHiKey, int nLoVel, int nHiVel, int nRoot = 60, bool bKeyRange = true)
{
    CZone zone;
    zone.nLoKey = nLoKey;
    zone.nHiKey = nHiKey;
    zone.nLoVel = nLoVel;
    zone.nHiVel = nHiVel;
    zone.nRootKey = nRoot;
    zone.bKeyRange = bKeyRange;
    return zone;
}

// What one (note, level) plays: the zone index, -1 for nothing.
struct Expect
{
    int nNote;
    int nLevel;
    int nZone;
};

struct MapCase
{
    const char* szName;
    std::vector<CZone> aZones;
    std::vector<bool> abUsable; // empty: all usable
    std::vector<Expect> aExpect;
};

} // namespace

TEST(MapZonesToKeys, EachKeyAndLevelPlaysTheZoneItShould)
{
    const MapCase aCases[] = {
        {"two velocity layers meeting inside level 3",
         {Zone(0, 127, 1, 40), Zone(0, 127, 41, 127)},
         {},
         // Level 2 (32..47) meets both: the louder layer wins.
         {{60, 0, 0}, {60, 1, 0}, {60, 2, 1}, {60, 3, 1}, {12, 7, 1}, {127, 0, 0}}},
        {"a key gap plays nothing",
         {Zone(12, 59, 1, 127), Zone(64, 127, 1, 127)},
         {},
         {{59, 0, 0}, {60, 4, -1}, {63, 7, -1}, {64, 0, 1}, {127, 5, 1}}},
        {"velocity 0 is taken as 1 and level 0 covers 0..15",
         {Zone(0, 127, 0, 0), Zone(0, 127, 16, 127)},
         {},
         {{60, 0, 0}, {60, 1, 1}}},
        {"overlapping keys: louder, then first",
         {Zone(40, 80, 1, 100), Zone(60, 90, 1, 127), Zone(60, 90, 1, 127)},
         {},
         {{50, 0, 0}, {60, 0, 1}, {90, 7, 1}, {81, 7, 1}}},
        {"an unusable zone leaves its keys to others",
         {Zone(0, 127, 1, 127), Zone(60, 72, 1, 127)},
         {true, false},
         {{66, 0, 0}}},
        {"nearest roots fill the keys no range holds",
         {Zone(0, 0, 1, 127, 48, false), Zone(0, 0, 1, 127, 72, false), Zone(100, 110, 1, 127)},
         {},
         // 60 is 12 from both roots: the lower one plays it.
         {{12, 0, 0}, {60, 0, 0}, {61, 0, 1}, {99, 3, 1}, {100, 3, 2}, {111, 3, 1}}},
        {"nearest roots of the loudest layer at each level",
         {Zone(0, 0, 1, 63, 48, false), Zone(0, 0, 1, 63, 72, false),
          Zone(0, 0, 64, 127, 60, false)},
         {},
         {{40, 0, 0}, {80, 3, 1}, {40, 4, 2}, {80, 7, 2}}},
    };
    for (const MapCase& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        const std::vector<bool> abUsable =
            c.abUsable.empty() ? std::vector<bool>(c.aZones.size(), true) : c.abUsable;
        const ZoneLevelTables aTables = MapZonesToKeys(c.aZones, abUsable);
        for (const Expect& e : c.aExpect)
            EXPECT_EQ(aTables[e.nLevel][e.nNote - 12], e.nZone)
                << "note " << e.nNote << ", level " << e.nLevel;
    }
}

TEST(MapZonesToKeys, EntriesAboveNote127PlayWhatNote127Plays)
{
    const ZoneLevelTables aTables = MapZonesToKeys({Zone(100, 127, 1, 127)}, {true});
    for (int k = 116; k < kKeymapKeys; ++k)
        EXPECT_EQ(aTables[0][k], 0) << "entry " << k;
    EXPECT_EQ(aTables[0][87], -1); // note 99
}

TEST(InstrumentKeymap, TablesAndTuningsReadBackAsBuilt)
{
    struct Case
    {
        const char* szName;
        std::vector<int> anLevelPattern; // which of two tables each level plays
        bool bTuned;
        std::size_t nTables;
        std::size_t nLength;
    } aCases[] = {
        {"one table, no tuning", {1, 1, 1, 1, 1, 1, 1, 1}, false, 1, 440},
        {"two tables, no tuning", {0, 0, 0, 0, 1, 1, 1, 1}, false, 2, 824},
        {"two tables, tuned", {0, 1, 0, 1, 0, 1, 0, 1}, true, 2, 56 + 2 * 640},
        {"one table, tuned", {0, 0, 0, 0, 0, 0, 0, 0}, true, 1, 56 + 640},
    };
    for (const Case& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        std::array<KeymapTable, 2> aDistinct{};
        for (int k = 0; k < kKeymapKeys; ++k)
        {
            aDistinct[0][k] = {static_cast<std::uint16_t>(200 + k / 40), 1,
                               static_cast<std::int16_t>(c.bTuned ? k - 64 : 0)};
            // Table 1 leaves keys 50..59 empty and plays others higher.
            aDistinct[1][k] = {static_cast<std::uint16_t>(300 + k / 30),
                               static_cast<std::uint8_t>(k >= 50 && k < 60 ? 0 : 1),
                               static_cast<std::int16_t>(c.bTuned ? -k * 3 : 0)};
        }
        std::array<KeymapTable, kKeymapLevels> aLevels;
        for (int j = 0; j < kKeymapLevels; ++j)
            aLevels[j] = aDistinct[c.anLevelPattern[j]];
        const CInstrumentKeymap keymap = MakeInstrumentKeymap(aLevels);
        EXPECT_EQ(keymap.bTuning, c.bTuned);
        ASSERT_EQ(keymap.aTables.size(), c.nTables);
        const std::vector<std::uint8_t> ab = BuildInstrumentKeymap(321, "Strings", keymap);
        ASSERT_EQ(ab.size(), c.nLength);

        std::vector<KrzProblem> aProblems;
        CKrzProblems problems(aProblems);
        const KrzObjectInfo obj = ReadKrzObject(0, CByteCursor(ab.data(), ab.size()), problems);
        for (const KrzProblem& p : aProblems)
            EXPECT_NE(p.severity, KrzSeverity::error) << p.strText;
        EXPECT_EQ(obj.nId, 0x9400 + 321);
        EXPECT_EQ(obj.nEntryMethod, c.bTuned ? 0x13 : 0x03);
        ASSERT_EQ(obj.anLevelTables.size(), 8u);
        ASSERT_EQ(obj.aTables.size(), c.nTables);
        // The samples of level 1's table, 0 where an entry plays nothing.
        ASSERT_EQ(obj.aEntrySamples.size(), 128u);
        for (int k = 0; k < kKeymapKeys; ++k)
            EXPECT_EQ(obj.aEntrySamples[k],
                      aLevels[0][k].nSubSample == 0 ? 0 : aLevels[0][k].nSample)
                << "entry " << k;
        for (int j = 0; j < kKeymapLevels; ++j)
        {
            const auto& aRead = obj.aTables[obj.anLevelTables[j]];
            ASSERT_EQ(aRead.size(), 128u);
            for (int k = 0; k < kKeymapKeys; ++k)
            {
                const CKeymapEntry& want = aLevels[j][k];
                EXPECT_EQ(aRead[k].nSample, want.nSample) << j << "/" << k;
                EXPECT_EQ(aRead[k].nSubSample, want.nSubSample) << j << "/" << k;
                EXPECT_EQ(aRead[k].nTuning, want.nTuning) << j << "/" << k;
            }
        }
    }
}

TEST(GainSteps, HalfDecibelsSaturatedAtTheByte)
{
    struct Case
    {
        double dDb;
        int nSteps;
        bool bSaturated;
    } aCases[] = {
        {0, 0, false},      {-6, -12, false},   {3.25, 7, false}, {-64, -128, false},
        {63.5, 127, false}, {63.75, 127, true}, {64, 127, true},  {-64.5, -128, true},
        {-200, -128, true}, {1e9, 127, true},   {-0.2, 0, false},
    };
    for (const Case& c : aCases)
    {
        bool bSaturated = false;
        EXPECT_EQ(GainSteps(c.dDb, bSaturated), c.nSteps) << c.dDb;
        EXPECT_EQ(bSaturated, c.bSaturated) << c.dDb;
    }
}

TEST(InstrumentKeymap, TablesOfMoreEntriesThanKeysAreNotKept)
{
    std::array<KeymapTable, kKeymapLevels> aLevels{};
    for (KeymapTable& table : aLevels)
        for (CKeymapEntry& entry : table)
            entry = {200, 1, 3};
    std::vector<std::uint8_t> ab = BuildInstrumentKeymap(1, "Long", MakeInstrumentKeymap(aLevels));
    const struct
    {
        int nEntries;
        bool bKept;
    } aCases[] = {{128, true}, {129, false}, {100, true}};
    for (const auto& c : aCases)
    {
        std::vector<std::uint8_t> abLong = ab;
        abLong.resize(ab.size() + 8, 0); // room for a 129th entry of 5 bytes
        abLong[28 + 8] = static_cast<std::uint8_t>((c.nEntries - 1) >> 8);
        abLong[28 + 9] = static_cast<std::uint8_t>(c.nEntries - 1);
        std::vector<KrzProblem> aProblems;
        CKrzProblems problems(aProblems);
        const KrzObjectInfo obj =
            ReadKrzObject(0, CByteCursor(abLong.data(), abLong.size()), problems);
        EXPECT_EQ(obj.aEntrySamples.size(), static_cast<std::size_t>(c.nEntries));
        EXPECT_EQ(obj.aTables.size(), c.bKept ? 1u : 0u) << c.nEntries;
        EXPECT_EQ(obj.anLevelTables.size(), c.bKept ? 8u : 0u) << c.nEntries;
    }
}
