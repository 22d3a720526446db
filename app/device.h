// Creation of the engine device: the program's fixed window and driver settings, and
// the fallbacks tried when the display cannot give the preferred depth buffer.
#pragma once
#include <irrlicht.h>

#include <string>

//! The program's creation parameters: 800 x 600 OpenGL window, a 128-bit depth buffer
//! requested (24-bit on Windows: platform::firstDepthBits), 4x anti-aliasing, no vsync,
//! input to receiver.
irr::SIrrlichtCreationParameters vantrelCreationParameters(irr::IEventReceiver* receiver);

typedef irr::IrrlichtDevice* (*DeviceFactory)(const irr::SIrrlichtCreationParameters& parameters);

//! Tries the parameters as given, then 24 and 16 depth bits (those below the request), then the same without
//! anti-aliasing. Returns the first device made, or null when none could be. The engine's
//! log lines of the attempts that failed are dropped when a later one succeeds; when none
//! does, failure (if given) receives the engine's last error.
irr::IrrlichtDevice* createDeviceWithFallback(const irr::SIrrlichtCreationParameters& preferred,
	DeviceFactory create, std::string* failure = nullptr);

//! The engine's own device creation, as a DeviceFactory.
irr::IrrlichtDevice* createEngineDevice(const irr::SIrrlichtCreationParameters& parameters);
