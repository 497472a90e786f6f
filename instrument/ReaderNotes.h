// Small pieces the instrument readers share to word their notes.
#pragma once

#include <string>
#include <vector>

// The names joined with ", " in their order ("cutoff, amp_veltrack").
std::string JoinNames(const std::vector<std::string>& aNames);
