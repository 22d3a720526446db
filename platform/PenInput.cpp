// The portable part of the pen: pressure readings onto 0..1.
#include "platform/PenInput.h"

#include <cmath>

namespace platform
{

float normalisePressure(double value, double minimum, double maximum)
{
	if (std::isnan(value))
		return 0.f;
	// An empty or unbounded range cannot scale anything: the device is taken to report none.
	if (!std::isfinite(minimum) || !std::isfinite(maximum) || !(maximum > minimum))
		return 1.f;
	const double scaled = (value - minimum) / (maximum - minimum);
	return (float)(scaled < 0.0 ? 0.0 : scaled > 1.0 ? 1.0 : scaled);
}

} // namespace platform
