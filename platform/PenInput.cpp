// The part of pen input that is the same on every system.
#include "platform/PenInput.h"

#include <cmath>

namespace platform
{

float normalisePressure(double value, double minimum, double maximum)
{
	if (std::isnan(value))
		return 0.f;
	if (!(maximum > minimum) || !std::isfinite(minimum) || !std::isfinite(maximum))
		return 1.f;
	const double p = (value - minimum) / (maximum - minimum);
	return p <= 0.0 ? 0.f : (p >= 1.0 ? 1.f : (float)p);
}

} // namespace platform
