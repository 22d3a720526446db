#include "app/device.h"

using namespace irr;

SIrrlichtCreationParameters vantrelCreationParameters(IEventReceiver* receiver)
{
	SIrrlichtCreationParameters p;
	p.DeviceType = EIDT_BEST;
	p.DriverType = video::EDT_OPENGL;
	p.WindowSize = core::dimension2d<u32>(800, 600);
	p.Bits = 16;
	p.ZBufferBits = 128;
	p.Fullscreen = false;
	p.Stencilbuffer = false;
	p.Vsync = false;
	p.AntiAlias = 4;
	p.HandleSRGB = false;
	p.WithAlphaChannel = false;
	p.Doublebuffer = true;
	p.IgnoreInput = false;
	p.Stereobuffer = false;
	p.HighPrecisionFPU = false;
	p.EventReceiver = receiver;
	p.WindowId = nullptr;
	p.LoggingLevel = ELL_INFORMATION;
	p.DisplayAdapter = 0;
	p.DriverMultithreaded = false;
	p.UsePerformanceTimer = true;
	return p;
}

IrrlichtDevice* createDeviceWithFallback(const SIrrlichtCreationParameters& preferred, DeviceFactory create)
{
	// Many GLX and WGL setups have no visual for the 128-bit depth request.
	const u8 depthBits[] = {preferred.ZBufferBits, 24, 16};
	const u8 antiAlias[] = {preferred.AntiAlias, 0};
	for (u8 aa : antiAlias)
	{
		for (u8 bits : depthBits)
		{
			SIrrlichtCreationParameters p(preferred);
			p.ZBufferBits = bits;
			p.AntiAlias = aa;
			if (IrrlichtDevice* device = create(p))
				return device;
		}
	}
	return nullptr;
}

IrrlichtDevice* createEngineDevice(const SIrrlichtCreationParameters& parameters)
{
	return createDeviceEx(parameters);
}
