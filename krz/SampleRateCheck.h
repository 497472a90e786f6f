// The check Make File makes of every usable entry's rate before anything
// is written: the sample header must hold its period and its pitch.
#pragma once

#include "CDorvane_V2Doc.h"
#include "PoolEdit.h"

#include <string>

// The refusal of the first usable entry (entries 0..doc.m_nCount-1 whose
// aWavInfo record is valid) whose rate no sample header can hold, empty
// when every one fits: "Error in file: <path>\n" followed by
// SampleRateRefusal (a rate of 0, or one above kMaxSampleRate whose period
// in whole nanoseconds is 0), or by "The sample rate <rate> Hz cannot be
// written with root key <key>: its pitch, <pitch> cents, does not fit the
// sample header's signed 16 bits." The rate is the one written (after any
// resampling).
std::string UnwritableRateMessage(const CDorvane_V2Doc& doc, const WavInfoArray& aWavInfo);
