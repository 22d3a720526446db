// The workspace's recording of the view into "vantrel.gif": screenshots taken on pointer
// moves during one gesture, encoded when the gesture ends or the frame limit is reached.
#include "gif/AnimationEncoder.h"
#include "platform/platform.h"
#include "workspace/App.h"

#include <GL/gl.h>
#include <cstdlib>
#include <new>

using namespace irr;

static const char* const GIF_FILE_NAME = "vantrel.gif";
static const u32 GIF_WIDTH = 800;
static const u32 GIF_HEIGHT = 600;
//! Frame delay in hundredths of a second.
static const u32 GIF_DELAY = 1;
static const s32 GIF_DEPTH = 8;

// Framebuffer objects and blits (OpenGL 3.0), which Windows' gl.h does not declare.
#ifndef GL_FRAMEBUFFER
#define GL_FRAMEBUFFER 0x8D40
#define GL_READ_FRAMEBUFFER 0x8CA8
#define GL_DRAW_FRAMEBUFFER 0x8CA9
#define GL_RENDERBUFFER 0x8D41
#define GL_COLOR_ATTACHMENT0 0x8CE0
#define GL_FRAMEBUFFER_COMPLETE 0x8CD5
#endif
#ifndef GL_RGBA8
#define GL_RGBA8 0x8058
#endif
#ifndef GL_SAMPLE_BUFFERS
#define GL_SAMPLE_BUFFERS 0x80A8
#endif

namespace
{

struct FramebufferCalls
{
	void(APIENTRY* GenFramebuffers)(GLsizei, GLuint*);
	void(APIENTRY* DeleteFramebuffers)(GLsizei, const GLuint*);
	void(APIENTRY* BindFramebuffer)(GLenum, GLuint);
	GLenum(APIENTRY* CheckFramebufferStatus)(GLenum);
	void(APIENTRY* FramebufferRenderbuffer)(GLenum, GLenum, GLenum, GLuint);
	void(APIENTRY* GenRenderbuffers)(GLsizei, GLuint*);
	void(APIENTRY* DeleteRenderbuffers)(GLsizei, const GLuint*);
	void(APIENTRY* BindRenderbuffer)(GLenum, GLuint);
	void(APIENTRY* RenderbufferStorage)(GLenum, GLenum, GLsizei, GLsizei);
	void(APIENTRY* BlitFramebuffer)(GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLbitfield, GLenum);
};

template <typename Function>
bool lookUp(Function* function, const char* name)
{
	*function = reinterpret_cast<Function>(platform::glFunction(name));
	return *function != nullptr;
}

//! Whether the current context has the calls (OpenGL 3.0 or later); fills calls if so.
bool lookUpFramebufferCalls(FramebufferCalls* calls)
{
	const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
	if (!version || std::atoi(version) < 3)
		return false;
	return lookUp(&calls->GenFramebuffers, "glGenFramebuffers")
		&& lookUp(&calls->DeleteFramebuffers, "glDeleteFramebuffers")
		&& lookUp(&calls->BindFramebuffer, "glBindFramebuffer")
		&& lookUp(&calls->CheckFramebufferStatus, "glCheckFramebufferStatus")
		&& lookUp(&calls->FramebufferRenderbuffer, "glFramebufferRenderbuffer")
		&& lookUp(&calls->GenRenderbuffers, "glGenRenderbuffers")
		&& lookUp(&calls->DeleteRenderbuffers, "glDeleteRenderbuffers")
		&& lookUp(&calls->BindRenderbuffer, "glBindRenderbuffer")
		&& lookUp(&calls->RenderbufferStorage, "glRenderbufferStorage")
		&& lookUp(&calls->BlitFramebuffer, "glBlitFramebuffer");
}

//! The calls, looked up at the first use (the program has one OpenGL context); null when the
//! context lacks them.
const FramebufferCalls* framebufferCalls()
{
	static FramebufferCalls calls = {};
	static const bool available = lookUpFramebufferCalls(&calls);
	return available ? &calls : nullptr;
}

//! A single-sample copy of a multisampled window's back buffer, averaged as the window
//! shows it, made ready for reading. Returns the framebuffer to read from, or 0 if the
//! back buffer is to be read directly (no multisampling, no blits, or the blit failed).
GLuint resolveBackBuffer(const FramebufferCalls& gl, GLsizei width, GLsizei height, GLuint* renderbuffer)
{
	// Clears errors left by earlier calls, so that the check after the blit sees only its own
	// (a bounded number: a lost context may keep reporting one).
	for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i)
	{
	}
	GLuint framebuffer = 0;
	gl.GenRenderbuffers(1, renderbuffer);
	gl.BindRenderbuffer(GL_RENDERBUFFER, *renderbuffer);
	gl.RenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
	gl.BindRenderbuffer(GL_RENDERBUFFER, 0);
	gl.GenFramebuffers(1, &framebuffer);
	gl.BindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
	gl.FramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, *renderbuffer);
	bool resolved = gl.CheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
	if (resolved)
	{
		// The scissor test would clip the blit; the engine may have left it on for the GUI.
		const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
		glDisable(GL_SCISSOR_TEST);
		gl.BindFramebuffer(GL_READ_FRAMEBUFFER, 0);
		glReadBuffer(GL_BACK);
		gl.BlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
		if (scissor)
			glEnable(GL_SCISSOR_TEST);
		// A window whose format differs from the copy's refuses the blit.
		resolved = glGetError() == GL_NO_ERROR;
	}
	gl.BindFramebuffer(GL_FRAMEBUFFER, 0);
	if (!resolved)
	{
		gl.DeleteFramebuffers(1, &framebuffer);
		gl.DeleteRenderbuffers(1, renderbuffer);
		*renderbuffer = 0;
		return 0;
	}
	gl.BindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
	glReadBuffer(GL_COLOR_ATTACHMENT0);
	return framebuffer;
}

} // namespace

// Reads the frame just drawn, before it is shown, into an A8R8G8B8 image of the window's
// size: exactly the picture the window is about to show. The engine's own frame-buffer
// screenshot reads the front buffer, which some OpenGL implementations (Mesa) return
// black. Reading a multisampled back buffer directly gives one sample per pixel, without
// the smoothing the window shows (measured under Mesa), so it is averaged into a
// single-sample copy first, as the swap does.
static bool readDrawnFrame(video::IImage* image)
{
	const core::dimension2du size = image->getDimension();
	u32* pixels = static_cast<u32*>(image->lock());
	if (!pixels)
		return false;
	u8* rgba = new (std::nothrow) u8[size.Width * size.Height * 4];
	if (!rgba)
	{
		image->unlock();
		return false;
	}

	GLint sampleBuffers = 0;
	glGetIntegerv(GL_SAMPLE_BUFFERS, &sampleBuffers);
	const FramebufferCalls* gl = sampleBuffers > 0 ? framebufferCalls() : nullptr;
	GLuint framebuffer = 0;
	GLuint renderbuffer = 0;
	if (gl)
		framebuffer = resolveBackBuffer(*gl, (GLsizei)size.Width, (GLsizei)size.Height, &renderbuffer);
	if (!framebuffer)
		glReadBuffer(GL_BACK);
	glPixelStorei(GL_PACK_ALIGNMENT, 1);
	glReadPixels(0, 0, size.Width, size.Height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
	if (framebuffer)
	{
		gl->BindFramebuffer(GL_FRAMEBUFFER, 0);
		glReadBuffer(GL_BACK);
		gl->DeleteFramebuffers(1, &framebuffer);
		gl->DeleteRenderbuffers(1, &renderbuffer);
	}

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
	return true;
}

void App::keepDrawnFrame()
{
	if (!RecordingGif || !SceneManager)
		return;
	video::IVideoDriver* driver = SceneManager->getVideoDriver();
	if (driver->getDriverType() != video::EDT_OPENGL)
		return;
	const core::dimension2du size = driver->getScreenSize();
	// The kept image is refilled in place unless a capture holds it or the window changed size.
	if (LastDrawnFrame && (LastDrawnFrame->getReferenceCount() > 1 || LastDrawnFrame->getDimension() != size))
	{
		LastDrawnFrame->drop();
		LastDrawnFrame = nullptr;
	}
	if (!LastDrawnFrame)
		LastDrawnFrame = driver->createImage(video::ECF_A8R8G8B8, size);
	if (LastDrawnFrame && !readDrawnFrame(LastDrawnFrame))
	{
		LastDrawnFrame->drop();
		LastDrawnFrame = nullptr;
	}
}

// What the window shows now, as a new reference: on OpenGL the frame kept when it was drawn
// (none before the first frame of the recording), elsewhere the engine's screenshot; the
// NULL device gives none.
static video::IImage* takeScreenshot(video::IVideoDriver* driver, video::IImage* lastDrawn)
{
	if (driver->getDriverType() != video::EDT_OPENGL)
		return driver->createScreenShot(video::ECF_A8R8G8B8, video::ERT_FRAME_BUFFER);
	if (lastDrawn)
		lastDrawn->grab();
	return lastDrawn;
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
	GifFrames[GifFramesCaptured] = takeScreenshot(SceneManager->getVideoDriver(), LastDrawnFrame);
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
	argbToFrame(pixels, rgba, GIF_WIDTH * GIF_HEIGHT);
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
	if (LastDrawnFrame)
		LastDrawnFrame->drop();
	LastDrawnFrame = nullptr;
	RecordingGif = false;
	GifTimeSinceCapture = 0.f;
	GifFramesCaptured = 0;
	// The anchor was hidden for the recording only.
	showAnchorForTool();
}
