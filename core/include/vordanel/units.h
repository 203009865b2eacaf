#pragma once

namespace vordanel {

// The window speaks millimetres and litres per minute, the formula metres and cubic metres
// per minute; both conversions are a division by 1000.
inline double toMetres(double millimetres) { return millimetres / 1000.0; }
inline double toCubicMetresPerMinute(double litresPerMinute) { return litresPerMinute / 1000.0; }
inline double toLitresPerMinute(double cubicMetresPerMinute) { return cubicMetresPerMinute * 1000.0; }

}  // namespace vordanel
