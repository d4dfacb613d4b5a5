// Connects the driver to the subsystems that carry out a conversion.
#ifndef R7P_DRIVER_WIRING_H_
#define R7P_DRIVER_WIRING_H_

#include "driver/driver.h"
#include "driver/run.h"

/// The hooks of a real run, each bound to the objects of `run` (which must
/// outlive them).
ConversionHooks WireConversionHooks(Run& run);

#endif  // R7P_DRIVER_WIRING_H_
