// Files grouped by their names: the root from a note name, the velocity
// layer from a suffix, and the files left out.
#include "NameGrouping.h"

#include <gtest/gtest.h>

namespace
{

struct GroupCase
{
    std::vector<std::string> aPaths;
    std::vector<std::string> aZones;     // "name root lovel-hivel", in order
    std::vector<std::string> aNoteParts; // each found in the notes, in this order
};

const GroupCase kCases[] = {
    // One layer; the octave -1 survives the '-' separator.
    {{"Piano_C4.wav", "dir/Piano_D#4.wav", "Piano Eb5.flac", "piano-c-1.wav", "P_db4.aif"},
     {"piano-c-1 0 1-127", "Piano_C4 60 1-127", "P_db4 61 1-127", "Piano_D#4 63 1-127",
      "Piano Eb5 75 1-127"},
     {}},
    // vN layers split 1..127 in three, in the order of N.
    {{"Pad_C4_v3.wav", "Pad_C4_v1.wav", "Pad_E4_v2.wav", "Pad_C4_v2.wav"},
     {"Pad_C4_v1 60 1-42", "Pad_C4_v2 60 43-84", "Pad_E4_v2 64 43-84", "Pad_C4_v3 60 85-127"},
     {}},
    // Dynamics, softest first; a word "V10" sorts after "v9".
    {{"S_C4_ff.wav", "S-C4-pp.wav", "S C4 mf.wav", "S_C4_P.wav"},
     {"S-C4-pp 60 1-31", "S_C4_P 60 32-63", "S C4 mf 60 64-95", "S_C4_ff 60 96-127"},
     {}},
    {{"a_C4_V10.wav", "a_C4_v9.wav"}, {"a_C4_v9 60 1-63", "a_C4_V10 60 64-127"}, {}},
    // Files without a layer word are the softest layer.
    {{"X_C4_f.wav", "X_C4.wav"}, {"X_C4 60 1-63", "X_C4_f 60 64-127"}, {}},
    // Layer words before the root are part of the name.
    {{"F Horn C4 pp.wav", "F Horn C4.wav", "P_v2_D4_mp.wav"},
     {"F Horn C4 60 1-42", "F Horn C4 pp 60 43-84", "P_v2_D4_mp 62 85-127"},
     {}},
    // The last note name wins; a whole number only when there is none.
    {{"A2_take3_C4.wav", "Tom 45 C2.wav", "Kick 35.wav", "Hat_042.wav"},
     {"Kick 35 35 1-127", "Tom 45 C2 36 1-127", "Hat_042 42 1-127", "A2_take3_C4 60 1-127"},
     {}},
    // No note: left out; the same root and layer twice: the second left out.
    {{"Ambience.wav", "Take 200.wav", "Piano_C4.wav", "other/piano-c4.wav", "Piano_C4_v2.wav"},
     {"Piano_C4 60 1-63", "Piano_C4_v2 60 64-127"},
     {"Ambience.wav: the file name holds no note, left out",
      "Take 200.wav: the file name holds no note, left out",
      "other/piano-c4.wav: key 60, no layer as Piano_C4.wav, left out"}},
};

// Names the case by its first file in test output instead of its bytes.
void PrintTo(const GroupCase& c, std::ostream* pOut)
{
    *pOut << c.aPaths.front();
}

class NameGrouping : public testing::TestWithParam<GroupCase>
{
};

TEST_P(NameGrouping, GivesRootsLayersAndNotes)
{
    const GroupCase& c = GetParam();
    const CInstrumentSet set = GroupFilesByName("Inst", c.aPaths);
    ASSERT_EQ(set.strRefusal, "");
    ASSERT_EQ(set.aInstruments.size(), 1u);
    EXPECT_EQ(set.aInstruments[0].strName, "Inst");
    std::vector<std::string> aZones;
    for (const CZone& zone : set.aInstruments[0].aZones)
    {
        aZones.push_back(zone.strName + " " + std::to_string(zone.nRootKey) + " " +
                         std::to_string(zone.nLoVel) + "-" + std::to_string(zone.nHiVel));
        EXPECT_FALSE(zone.bKeyRange);
        EXPECT_EQ(zone.nLoKey, zone.nRootKey);
        EXPECT_EQ(zone.nHiKey, zone.nRootKey);
        EXPECT_NE(std::find(c.aPaths.begin(), c.aPaths.end(), zone.audio.strPath), c.aPaths.end());
    }
    EXPECT_EQ(aZones, c.aZones);
    EXPECT_EQ(set.aNotes, c.aNoteParts);
}

INSTANTIATE_TEST_SUITE_P(Cases, NameGrouping, testing::ValuesIn(kCases));

TEST(NameGroupingRefusal, NoFileWithANoteIsARefusal)
{
    const CInstrumentSet set = GroupFilesByName("Inst", {"a.wav", "Loop v2.wav"});
    EXPECT_TRUE(set.aInstruments.empty());
    EXPECT_EQ(set.strRefusal, "Inst: no file name holds a note");
    EXPECT_EQ(set.aNotes.size(), 2u);
}

} // namespace
