// dorvane-cli with instruments: which inputs and sizes a make of instruments takes,
// and info's listing of a keymap with velocity tables and tunings.
#include "CliCommands.h"
#include "InstrumentCommand.h"
#include "CliRun.h"
#include "InstrumentRunner.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using test::RunCli;

TEST(CliInstrument, WhatCannotBeMadeIsRefused)
{
    test::TempDir dir;
    test::WavSpec spec;
    spec.abData = test::RampData(400);
    test::WriteFileBytes(dir / "a.wav", test::MakeWav(spec));
    const struct
    {
        const char* szName;
        std::string strArgs;
        std::string strText;
    } aCases[] = {
        {"an instrument file and an audio file", "make -o OUT.KRZ gone.sfz a.wav",
         kInstrumentMixMessage},
        {"an audio file and an instrument file", "make -o OUT.KRZ a.wav x.DSPRESET",
         kInstrumentMixMessage},
        {"--instrument with an instrument file", "make -o OUT.KRZ --instrument Piano a.wav y.sf2",
         kInstrumentGroupMixMessage},
        // Whatever its reader makes of it, a file that is not there is refused by name.
        {"a missing instrument file", "make -o OUT.KRZ gone.sfz", "gone.sfz"},
        {"a part larger than the image",
         "make -o OUT.KRZ --image 720 --split --split-size 1400 gone.sfz",
         "does not fit on a 720 KB floppy image"},
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.szName);
        const test::CliResult result = RunCli(dir.Path().string(), c.strArgs);
        EXPECT_EQ(result.nStatus, 1);
        EXPECT_NE(result.strOut.find(c.strText), std::string::npos) << result.strOut;
        EXPECT_FALSE(test::FileExists(dir / "OUT.KRZ"));
    }
}

TEST(CliInstrument, InfoListsVelocityTablesAndTunings)
{
    test::TempDir dir;
    auto pData = std::make_shared<std::vector<std::int16_t>>(64, 100);
    const auto Zone = [&](int nLo, int nHi, int nLoVel, int nHiVel, double dTune)
    {
        CZone zone;
        zone.audio.pData = pData;
        zone.audio.nChannels = 1;
        zone.audio.nRate = 44100;
        zone.nLoKey = nLo;
        zone.nHiKey = nHi;
        zone.nLoVel = nLoVel;
        zone.nHiVel = nHiVel;
        zone.nRootKey = 60;
        zone.dTuneCents = dTune;
        return zone;
    };
    // The same data at two velocities: one sample object, two tables
    // that differ in tuning and range.
    const CInstrument instrument{"Duo", {Zone(24, 83, 1, 79, 0), Zone(36, 95, 80, 127, -7)}};
    const test::Bytes abFile = test::ReadFileBytes(DORVANE_TEST_TEMPLATE);
    TemplateBytes abTemplate{};
    std::copy_n(abFile.begin(), abTemplate.size(), abTemplate.begin());
    test::CRecordingFeedback feedback;
    SMadeInstruments made;
    ASSERT_TRUE(RunMakeInstruments({{{instrument}, {}, {}}}, {}, abTemplate, dir / "DUO.KRZ", {},
                                   feedback, made)
                    .IsOk());
    const test::CliResult result = RunCli(dir.Path().string(), "info DUO.KRZ");
    EXPECT_EQ(result.nStatus, 0) << result.strOut;
    const char* aszLines[] = {
        "  a sample per entry (entry method 0x0013)\n"
        "  velocity table 1: levels 1-5 (velocities 0-79)\n"
        "    C 0-B 0: empty\n"
        "    C 1-B 5: sample 200\n"
        "    C 6-G 10: empty\n"
        "  velocity table 2: levels 6-8 (velocities 80-127)\n"
        "    C 0-B 1: empty\n"
        "    C 2-B 6: sample 200, tuning -7 cents\n"
        "    C 7-G 10: empty\n",
    };
    for (const char* sz : aszLines)
        EXPECT_NE(result.strOut.find(sz), std::string::npos) << result.strOut;
}
