#pragma once
// Converting a raw sensor reading into its value (IPMI v2.0 section 36.3):
//   y = L[(M * x + B * 10^K1) * 10^K2]
// with x the raw byte read in the record's analog data format, K1 the B
// exponent, K2 the result exponent and L the linearization.

#include "sdr/conversion_factors.h"
#include "wire/payload.h"

#include <cstdint>

namespace marlek {

// The raw byte as the signed or unsigned number x of the formula.
int RawToSigned(std::uint8_t raw, AnalogFormat format);

// The converted value. For non-linear sensors, factors must be those
// returned for this raw reading; the linearization then is linear.
double ConvertRawValue(const ConversionFactors& factors, std::uint8_t raw);

}  // namespace marlek
