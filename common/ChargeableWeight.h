#pragma once
// Volumetric and chargeable weights of a parcel from its dimensions.
//
// The volumetric class letter names the divisor in cubic centimetres per
// gram: 'T' 3, 'D' 5, 'S' 7, 'E' 8, 'W' 12, any other letter 6.  Products of
// the dimensions are taken in 64 bits, so keyed dimensions far out of range
// do not wrap; results beyond the 32-bit range are held at its ends.

#include <cstdint>

// Cubic centimetres per gram of the class letter.
int VolumetricDivisor(char classLetter);

// length x width x height (cm) divided by the letter's divisor, truncated:
// the volumetric weight in grams.
int64_t VolumetricGrams(int32_t length, int32_t width, int32_t height, char classLetter);

// The chargeable weight in grams: the volumetric weight blended with the
// actual weight by the percentage (0 takes the actual weight alone, 100 or
// more the volumetric weight alone), never below the actual weight.
int32_t ChargeableGrams(int32_t length, int32_t width, int32_t height, int32_t actualGrams,
                        uint8_t volumePercent, char classLetter);
