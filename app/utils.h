// Diagnostic log lines and the linear range mapping used by sliders, dolly and pick.
#pragma once
#include <irrlicht.h>

//! Writes "utils_log: <value>" as one line to the debugger output channel.
void utils_log(irr::s32 value);
void utils_log(irr::u32 value);
void utils_log(irr::f32 value);
void utils_log(const char* text);

//! Maps value linearly from [inMin, inMax] onto [outMin, outMax], unclamped.
irr::f32 utils_remap(irr::f32 value, irr::f32 inMin, irr::f32 inMax, irr::f32 outMin, irr::f32 outMax);
