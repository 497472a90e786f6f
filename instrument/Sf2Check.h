// The structure of a SoundFont 2 bank checked before libinstpatch reads it:
// the library follows the indices and positions of the preset, instrument
// and sample headers without checking them all, and some malformed banks
// crash it. Standard library only.
#pragma once

#include <cstdint>
#include <span>
#include <string>

// Checks the bank file strPath: a RIFF form "sfbk" whose chunks lie within
// the file, with a sample data chunk (smpl) and the header list (pdta,
// checked by CheckSf2Headers). Returns "" when it holds, else what is wrong.
std::string CheckSf2File(const std::string& strPath);

// Checks the body of the pdta list (after its "pdta" tag) against a smpl
// chunk of nPoints 16-bit points: each of the nine header chunks present
// once, a whole number of records (at least the terminal one); bag, generator
// and modulator indices rising and within their chunks; every instrument and
// sample a zone names, and every sample's stereo link, within the headers
// (the terminal ones excluded); generator numbers at most 60; each sample's
// points (ROM samples excepted) within the smpl chunk. Returns "" when all
// hold, else the first thing that is wrong.
std::string CheckSf2Headers(std::span<const std::uint8_t> abPdta, std::uint64_t nPoints);
