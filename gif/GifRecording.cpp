// The workspace's recording of the view into "vantrel.gif": screenshots taken on pointer
// moves during one gesture, encoded when the gesture ends or the frame limit is reached.
#include "gif/AnimationEncoder.h"
#include "workspace/App.h"

#include <GL/gl.h>
#include <cstring>
#include <new>

using namespace irr;

static const char* const GIF_FILE_NAME = "vantrel.gif";
static const u32 GIF_WIDTH = 800;
static const u32 GIF_HEIGHT = 600;
//! Frame delay in hundredths of a second.
static const u32 GIF_DELAY = 1;
static const s32 GIF_DEPTH = 8;

// A screenshot of what the window shows. The engine's own frame-buffer screenshot reads
// the front buffer, which some OpenGL implementations (Mesa) return black; between frames
// the back buffer still holds the frame last drawn, so OpenGL reads that instead. Other
// drivers use the engine's screenshot; the NULL device gives none.
static video::IImage* takeScreenshot(video::IVideoDriver* driver)
{
	if (driver->getDriverType() != video::EDT_OPENGL)
		return driver->createScreenShot(video::ECF_A8R8G8B8, video::ERT_FRAME_BUFFER);

	const core::dimension2du size = driver->getScreenSize();
	video::IImage* image = driver->createImage(video::ECF_A8R8G8B8, size);
	u32* pixels = image ? static_cast<u32*>(image->lock()) : nullptr;
	if (!pixels)
	{
		if (image)
			image->drop();
		return nullptr;
	}
	u8* rgba = new (std::nothrow) u8[size.Width * size.Height * 4];
	if (!rgba)
	{
		image->unlock();
		image->drop();
		return nullptr;
	}
	glPixelStorei(GL_PACK_ALIGNMENT, 1);
	glReadBuffer(GL_BACK);
	glReadPixels(0, 0, size.Width, size.Height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
	// OpenGL rows run bottom-up; the image's run top-down.
	for (u32 y = 0; y < size.Height; ++y)
	{
		const u8* source = rgba + (size.Height - 1 - y) * size.Width * 4;
		u32* target = pixels + y * size.Width;
		for (u32 x = 0; x < size.Width; ++x, source += 4)
			target[x] = 0xFF000000u | ((u32)source[0] << 16) | ((u32)source[1] << 8) | source[2];
	}
	delete[] rgba;
	image->unlock();
	return image;
}

void App::startGifRecording()
{
	RecordingGif = true;
	GifTimeSinceCapture = 0.f;
	// The frame now on screen was drawn before the recording began (with the anchor):
	// captures wait until the next frame has been drawn and timed.
	FrameDelta = 0.f;
	AnchorNode->setVisible(false);
}

void App::captureGifFrame()
{
	GifTimeSinceCapture += FrameDelta;
	if (GifCaptureInterval > GifTimeSinceCapture)
		return;
	GifTimeSinceCapture = 0.f;
	GifFrames[GifFramesCaptured] = takeScreenshot(SceneManager->getVideoDriver());
	++GifFramesCaptured;
	if (GifFramesCaptured == GifFrameCount)
		writeGif();
}

// Copies an 800 x 600 A8R8G8B8 screenshot into RGBA bytes. Screenshots that are missing
// or of another size or format (the window was resized) are not read and give no frame.
static bool convertScreenshot(video::IImage* screenshot, u8* rgba)
{
	if (!screenshot || screenshot->getColorFormat() != video::ECF_A8R8G8B8
		|| screenshot->getDimension() != core::dimension2du(GIF_WIDTH, GIF_HEIGHT)
		|| screenshot->getPitch() != GIF_WIDTH * 4)
		return false;
	const u32* pixels = static_cast<const u32*>(screenshot->lock());
	if (!pixels)
		return false;
	for (u32 i = 0; i < GIF_WIDTH * GIF_HEIGHT; ++i, rgba += 4)
	{
		const u32 argb = pixels[i];
#ifdef __BIG_ENDIAN__
		rgba[0] = (u8)(argb >> 16);
		rgba[1] = (u8)(argb >> 8);
		rgba[2] = (u8)argb;
		rgba[3] = 255;
#else
		// Red, green, blue, 255 in memory order as one word: the loop then vectorises.
		const u32 word = 0xFF000000u | (argb & 0x0000FF00u) | ((argb >> 16) & 0xFFu) | ((argb & 0xFFu) << 16);
		std::memcpy(rgba, &word, 4);
#endif
	}
	screenshot->unlock();
	return true;
}

void App::writeGif()
{
	u8* rgba = new (std::nothrow) u8[GIF_WIDTH * GIF_HEIGHT * 4];
	if (rgba)
	{
		AnimationEncoder encoder;
		// When the file cannot be created the encoder refuses every frame and writes nothing.
		openAnimation(&encoder, GIF_FILE_NAME, GIF_WIDTH, GIF_HEIGHT, GIF_DELAY, GIF_DEPTH, false);
		for (s32 i = 0; i < GifFramesCaptured; ++i)
			if (convertScreenshot(GifFrames[i], rgba))
				addFrame(&encoder, rgba, GIF_WIDTH, GIF_HEIGHT, GIF_DELAY, GIF_DEPTH, false);
		closeAnimation(&encoder);
		delete[] rgba;
	}
	for (s32 i = 0; i < GifFramesCaptured; ++i)
	{
		if (GifFrames[i])
			GifFrames[i]->drop();
		GifFrames[i] = nullptr;
	}
	RecordingGif = false;
	GifTimeSinceCapture = 0.f;
	GifFramesCaptured = 0;
}
