#pragma once
// The status texts of a dial: one per connection state the service reports,
// and the error form shown instead when the service reports an error code.
#include <cstdint>
#include <string>

namespace xl::dial {

// The text of a connection state; states without one give their decimal digits.
std::string ConnectionStateText(std::uint32_t state);
// "错误代码:" + code + " " + the system's text of the code.
std::string ErrorStatusText(std::uint32_t code, const std::string& systemText);

}  // namespace xl::dial
