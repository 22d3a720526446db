// gifencode: writes a sequence of image files (PNG frames) as one animated GIF with the program's own
// encoder, by default with the settings of the program's recording. Images are read through the
// engine's loaders on the NULL device, so no window or display is needed.
#include "gif/AnimationEncoder.h"

#include <irrlicht.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

using namespace irr;

namespace
{
	//! The recording's settings: delay in hundredths of a second, bits per colour index.
	const uint32_t DEFAULT_DELAY = 1;
	const int32_t DEFAULT_DEPTH = 8;
	//! The GIF delay field is 16 bits.
	const long MAX_DELAY = 65535;
	//! The GIF screen and image sizes are 16-bit fields.
	const u32 MAX_SIZE = 65535;

	const int EXIT_USAGE = 2;

	struct Options
	{
		uint32_t Delay = DEFAULT_DELAY;
		int32_t Depth = DEFAULT_DEPTH;
		bool Dither = false;
		std::string Output;
		std::vector<std::string> Frames;
	};

	//! One input frame as RGBA bytes in row order, top row first.
	struct Frame
	{
		u32 Width = 0;
		u32 Height = 0;
		std::vector<uint8_t> Pixels;
	};

	void printUsage(FILE* out)
	{
		std::fprintf(out,
			"usage: gifencode [--delay N] [--depth N] [--dither] -o out.gif frame1.png frame2.png ...\n"
			"Encodes the frames, all of one size, into an animated GIF.\n"
			"  -o, --output FILE  the GIF to write (replaced if it exists)\n"
			"  --delay N          hundredths of a second per frame, 0 to %ld (default %u;\n"
			"                     0 plays the animation once, anything else loops it)\n"
			"  --depth N          bits per colour index, 1 to 8 (default %d)\n"
			"  --dither           map colours with error diffusion\n"
			"  -h, --help         show this text\n",
			MAX_DELAY, DEFAULT_DELAY, DEFAULT_DEPTH);
	}

	//! Reads a whole decimal number within [minimum, maximum].
	bool parseNumber(const char* text, long minimum, long maximum, long* value)
	{
		if (!text || !*text)
			return false;
		char* end = nullptr;
		errno = 0;
		const long parsed = std::strtol(text, &end, 10);
		if (errno != 0 || *end != '\0' || parsed < minimum || parsed > maximum)
			return false;
		*value = parsed;
		return true;
	}

	//! Fills options from the command line; prints the reason and returns false on a mistake.
	bool parseArguments(int argc, char** argv, Options* options, bool* helpOnly)
	{
		bool framesOnly = false;
		for (int i = 1; i < argc; ++i)
		{
			const std::string arg = argv[i];
			if (framesOnly || arg.empty() || arg[0] != '-' || arg == "-")
			{
				options->Frames.push_back(arg);
				continue;
			}
			if (arg == "--")
			{
				framesOnly = true;
				continue;
			}
			if (arg == "-h" || arg == "--help")
			{
				*helpOnly = true;
				return true;
			}
			if (arg == "--dither")
			{
				options->Dither = true;
				continue;
			}
			const bool takesValue = arg == "-o" || arg == "--output" || arg == "--delay" || arg == "--depth";
			if (!takesValue)
			{
				std::fprintf(stderr, "gifencode: unknown option '%s'\n", arg.c_str());
				return false;
			}
			if (i + 1 >= argc)
			{
				std::fprintf(stderr, "gifencode: option '%s' needs a value\n", arg.c_str());
				return false;
			}
			const char* value = argv[++i];
			long number = 0;
			if (arg == "-o" || arg == "--output")
				options->Output = value;
			else if (arg == "--delay")
			{
				if (!parseNumber(value, 0, MAX_DELAY, &number))
				{
					std::fprintf(stderr, "gifencode: --delay takes a whole number from 0 to %ld, not '%s'\n",
						MAX_DELAY, value);
					return false;
				}
				options->Delay = uint32_t(number);
			}
			else
			{
				if (!parseNumber(value, 1, 8, &number))
				{
					std::fprintf(stderr, "gifencode: --depth takes a whole number from 1 to 8, not '%s'\n", value);
					return false;
				}
				options->Depth = int32_t(number);
			}
		}
		if (options->Output.empty())
		{
			std::fprintf(stderr, "gifencode: no output file given (-o out.gif)\n");
			return false;
		}
		if (options->Frames.empty())
		{
			std::fprintf(stderr, "gifencode: no frames given\n");
			return false;
		}
		return true;
	}

	//! Loads one image and converts it to RGBA bytes; prints the reason and returns false on failure.
	bool loadFrame(video::IVideoDriver* driver, const std::string& name, Frame* frame)
	{
		FILE* probe = std::fopen(name.c_str(), "rb");
		if (!probe)
		{
			std::fprintf(stderr, "gifencode: cannot open frame '%s': %s\n", name.c_str(), std::strerror(errno));
			return false;
		}
		std::fclose(probe);

		// The image is ours to drop.
		video::IImage* image = driver->createImageFromFile(name.c_str());
		if (!image)
		{
			std::fprintf(stderr, "gifencode: cannot read frame '%s': not an image the engine can load\n",
				name.c_str());
			return false;
		}
		const core::dimension2d<u32> size = image->getDimension();
		if (size.Width == 0 || size.Height == 0 || size.Width > MAX_SIZE || size.Height > MAX_SIZE)
		{
			std::fprintf(stderr, "gifencode: frame '%s' is %ux%u; a GIF holds 1 to %u pixels each way\n",
				name.c_str(), size.Width, size.Height, MAX_SIZE);
			image->drop();
			return false;
		}

		// Whatever the file's format, have the engine convert it to 32-bit ARGB words, then reorder the
		// channels into bytes.
		const size_t count = size_t(size.Width) * size.Height;
		std::vector<u32> argb(count);
		image->copyToScaling(argb.data(), size.Width, size.Height, video::ECF_A8R8G8B8, size.Width * 4);
		image->drop();

		frame->Width = size.Width;
		frame->Height = size.Height;
		frame->Pixels.resize(4 * count);
		argbToFrame(argb.data(), frame->Pixels.data(), count);
		return true;
	}

	//! Loads every frame before the output is touched, so that a bad frame leaves no partial GIF behind.
	bool loadFrames(const Options& options, std::vector<Frame>* frames)
	{
		SIrrlichtCreationParameters parameters;
		parameters.DriverType = video::EDT_NULL;
		parameters.LoggingLevel = ELL_NONE;
		IrrlichtDevice* device = createDeviceEx(parameters);
		if (!device)
		{
			std::fprintf(stderr, "gifencode: cannot start the image loader\n");
			return false;
		}
		device->getLogger()->setLogLevel(ELL_NONE);
		video::IVideoDriver* driver = device->getVideoDriver();

		bool loaded = true;
		for (const std::string& name : options.Frames)
		{
			Frame frame;
			if (!loadFrame(driver, name, &frame))
			{
				loaded = false;
				break;
			}
			if (!frames->empty() && (frame.Width != frames->front().Width || frame.Height != frames->front().Height))
			{
				std::fprintf(stderr, "gifencode: frame '%s' is %ux%u, but the first frame is %ux%u\n", name.c_str(),
					frame.Width, frame.Height, frames->front().Width, frames->front().Height);
				loaded = false;
				break;
			}
			frames->push_back(std::move(frame));
		}
		device->drop();
		return loaded;
	}
}

int main(int argc, char** argv)
{
	Options options;
	bool helpOnly = false;
	if (!parseArguments(argc, argv, &options, &helpOnly))
	{
		printUsage(stderr);
		return EXIT_USAGE;
	}
	if (helpOnly)
	{
		printUsage(stdout);
		return EXIT_SUCCESS;
	}

	std::vector<Frame> frames;
	if (!loadFrames(options, &frames))
		return EXIT_FAILURE;

	const uint32_t width = frames.front().Width;
	const uint32_t height = frames.front().Height;
	AnimationEncoder encoder;
	if (!openAnimation(&encoder, options.Output.c_str(), width, height, options.Delay, options.Depth, options.Dither))
	{
		std::fprintf(stderr, "gifencode: cannot create '%s'\n", options.Output.c_str());
		return EXIT_FAILURE;
	}
	bool written = true;
	for (const Frame& frame : frames)
	{
		if (!addFrame(&encoder, frame.Pixels.data(), width, height, options.Delay, options.Depth, options.Dither))
		{
			written = false;
			break;
		}
	}
	// A failed write makes closeAnimation fail, and it removes the incomplete file itself. A frame the
	// encoder refused leaves a valid but short GIF, removed here (devices such as /dev/stdout stay).
	const bool closed = closeAnimation(&encoder);
	if (!closed || !written)
	{
		std::error_code error;
		if (closed && std::filesystem::is_regular_file(options.Output, error))
			std::filesystem::remove(options.Output, error);
		std::fprintf(stderr, "gifencode: writing '%s' failed\n", options.Output.c_str());
		return EXIT_FAILURE;
	}
	return EXIT_SUCCESS;
}
