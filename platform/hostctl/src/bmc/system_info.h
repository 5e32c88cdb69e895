#pragma once
// The BMC's text system info parameters (system name, OS name, OS version):
// read block by block, and written inside set-in-progress.

#include "bmc/bmc_commands.h"
#include "bmc/bmc_requester.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace HostCtl {
namespace Bmc {

// The parameter's text as UTF-8; nothing when the BMC does not give it.
std::optional<std::string> ReadSystemInfoText(Requester& bmc, std::uint8_t parameter);

// Writes each (parameter, text) in order between "set in progress" and
// "set complete"; false when the BMC rejects a step or a text does not fit.
// A BMC without the set-in-progress parameter is written without it.
bool WriteSystemInfoTexts(Requester& bmc, const std::vector<std::pair<std::uint8_t, std::string>>& texts);

}  // namespace Bmc
}  // namespace HostCtl
