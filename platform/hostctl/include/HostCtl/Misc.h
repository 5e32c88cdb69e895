#pragma once
// libdravikcore.so: small helpers shared by the host-control libraries.

#include <HostCtl/Export.h>

#include <string>
#include <string_view>

namespace HostCtl {
namespace Misc {

// The text piece a followed by the text piece b, nothing between them.
HOSTCTL_API std::string StrCat(std::string_view a, std::string_view b);

}  // namespace Misc
}  // namespace HostCtl
