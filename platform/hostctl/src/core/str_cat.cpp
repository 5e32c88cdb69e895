#include <HostCtl/Misc.h>

namespace HostCtl {
namespace Misc {

std::string StrCat(std::string_view a, std::string_view b) {
  std::string joined;
  joined.reserve(a.size() + b.size());
  joined.append(a);
  joined.append(b);
  return joined;
}

}  // namespace Misc
}  // namespace HostCtl
