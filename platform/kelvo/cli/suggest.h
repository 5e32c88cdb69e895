#pragma once
// Finding what the user probably meant.

#include <string>
#include <vector>

namespace Kelvo {
namespace Cli {

// Edit distance (insertions, deletions, substitutions and swaps of two
// neighbours), ignoring case.
std::size_t EditDistance(const std::string& a, const std::string& b);
// The candidate nearest to word; the earliest on ties; "" when none.
std::string ClosestName(const std::string& word, const std::vector<std::string>& candidates);

}  // namespace Cli
}  // namespace Kelvo
