#include "app/device.h"
#include "platform/platform.h"

#include <vector>

using namespace irr;

namespace
{
// Receives the engine's log lines during one creation attempt instead of letting the engine
// print them; every other event goes on to the program's receiver.
class AttemptLog : public IEventReceiver
{
public:
	explicit AttemptLog(IEventReceiver* next) : Next(next) {}

	bool OnEvent(const SEvent& event) override
	{
		if (event.EventType != EET_LOG_TEXT_EVENT)
			return Next && Next->OnEvent(event);
		Lines.push_back(Line{event.LogEvent.Level, event.LogEvent.Text ? event.LogEvent.Text : ""});
		return true; // held back
	}

	struct Line
	{
		ELOG_LEVEL Level;
		std::string Text;
	};
	std::vector<Line> Lines;
	IEventReceiver* Next;
};
}

SIrrlichtCreationParameters vantrelCreationParameters(IEventReceiver* receiver)
{
	SIrrlichtCreationParameters p;
	p.DeviceType = EIDT_BEST;
	p.DriverType = video::EDT_OPENGL;
	p.WindowSize = core::dimension2d<u32>(800, 600);
	p.Bits = 16;
	p.ZBufferBits = platform::firstDepthBits();
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

IrrlichtDevice* createDeviceWithFallback(const SIrrlichtCreationParameters& preferred, DeviceFactory create,
	std::string* failure)
{
	// Many GLX and WGL setups have no visual for the 128-bit depth request.
	const u8 depthBits[] = {preferred.ZBufferBits, 24, 16};
	const u8 antiAlias[] = {preferred.AntiAlias, 0};
	std::string lastError;
	for (u8 aa : antiAlias)
	{
		for (size_t i = 0; i < sizeof depthBits; ++i)
		{
			const u8 bits = depthBits[i];
			if (i > 0 && bits >= preferred.ZBufferBits)
				continue; // asked for already, or more than the first request

			AttemptLog log(preferred.EventReceiver);
			SIrrlichtCreationParameters p(preferred);
			p.ZBufferBits = bits;
			p.AntiAlias = aa;
			p.EventReceiver = &log;
			if (IrrlichtDevice* device = create(p))
			{
				// From here on the engine logs to the program's receiver and prints as usual;
				// what this attempt logged is handed on in the same way.
				device->setEventReceiver(preferred.EventReceiver);
				for (const AttemptLog::Line& line : log.Lines)
					device->getLogger()->log(line.Text.c_str(), line.Level);
				return device;
			}
			for (const AttemptLog::Line& line : log.Lines)
				if (line.Level >= ELL_WARNING)
					lastError = line.Text;
		}
	}
	if (failure && !lastError.empty())
		*failure = lastError;
	return nullptr;
}

IrrlichtDevice* createEngineDevice(const SIrrlichtCreationParameters& parameters)
{
	return createDeviceEx(parameters);
}
