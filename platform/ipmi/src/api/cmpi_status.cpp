#include <Ipmi/CmpiStatus.h>

#include <utility>

namespace ostrelInt {

CmpiStatus::CmpiStatus(std::string message) : message_(std::move(message)) {}
CmpiStatus::~CmpiStatus() = default;
const char* CmpiStatus::what() const noexcept {
  return message_.c_str();
}

}  // namespace ostrelInt
