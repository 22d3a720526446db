// The workspace's recording of the view into "vantrel.gif": the frame loop captures what the
// window shows on the wall clock (a gesture from press to release, or a turntable on a fixed
// timeline) and hands copies to the writer thread; the panel and the notes follow its course.
#include "gif/AnimationEncoder.h"
#include "gif/RecordingWriter.h"
#include "platform/platform.h"
#include "ui/UINote.h"
#include "ui/UIPanel.h"
#include "workspace/App.h"

#include <GL/gl.h>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>

using namespace irr;

static const char* const GIF_FILE_NAME = "vantrel.gif";
//! Frames that may wait for the writer (2 MB each at 800 x 600); when they are all taken the
//! frame loop skips captures until the writer catches up.
static const size_t WRITER_QUEUE_FRAMES = 6;
//! The turntable: 75 frames 40 ms apart (3 s at 25 frames a second); the last one shows the
//! start view again, so the loop closes on itself.
static const s32 TURNTABLE_FRAMES = 75;
static const s64 TURNTABLE_FRAME_MS = 40;

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

// Reads the frame just drawn, before it is shown, as RGBA rows bottom first (OpenGL's order):
// exactly the picture the window is about to show. The engine's own frame-buffer screenshot
// reads the front buffer, which some OpenGL implementations (Mesa) return black. Reading a
// multisampled back buffer directly gives one sample per pixel, without the smoothing the
// window shows (measured under Mesa), so it is averaged into a single-sample copy first, as
// the swap does.
static void readDrawnFrame(u32 width, u32 height, std::vector<u8>* rgba)
{
	rgba->resize(size_t(width) * height * 4);
	GLint sampleBuffers = 0;
	glGetIntegerv(GL_SAMPLE_BUFFERS, &sampleBuffers);
	const FramebufferCalls* gl = sampleBuffers > 0 ? framebufferCalls() : nullptr;
	GLuint framebuffer = 0;
	GLuint renderbuffer = 0;
	if (gl)
		framebuffer = resolveBackBuffer(*gl, (GLsizei)width, (GLsizei)height, &renderbuffer);
	if (!framebuffer)
		glReadBuffer(GL_BACK);
	glPixelStorei(GL_PACK_ALIGNMENT, 1);
	glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba->data());
	if (framebuffer)
	{
		gl->BindFramebuffer(GL_FRAMEBUFFER, 0);
		glReadBuffer(GL_BACK);
		gl->DeleteFramebuffers(1, &framebuffer);
		gl->DeleteRenderbuffers(1, &renderbuffer);
	}
}

// What the window shows now, as the writer's pixels: on OpenGL the frame just drawn, elsewhere
// the engine's screenshot (none on the NULL device, nor one of another format).
static bool captureView(video::IVideoDriver* driver, RecordedFrame* frame)
{
	const core::dimension2du size = driver->getScreenSize();
	if (driver->getDriverType() == video::EDT_OPENGL)
	{
		readDrawnFrame(size.Width, size.Height, &frame->Pixels);
		frame->BottomUp = true;
		return true;
	}
	video::IImage* screenshot = driver->createScreenShot(video::ECF_A8R8G8B8, video::ERT_FRAME_BUFFER);
	if (!screenshot)
		return false;
	bool taken = false;
	if (screenshot->getColorFormat() == video::ECF_A8R8G8B8 && screenshot->getDimension() == size
		&& screenshot->getPitch() == size.Width * 4)
	{
		if (const u32* pixels = static_cast<const u32*>(screenshot->lock()))
		{
			frame->Pixels.resize(size_t(size.Width) * size.Height * 4);
			argbToFrame(pixels, frame->Pixels.data(), size_t(size.Width) * size.Height);
			frame->BottomUp = false;
			screenshot->unlock();
			taken = true;
		}
	}
	screenshot->drop(); // the engine gave one reference
	return taken;
}

//! Milliseconds on a clock that never goes back.
static s64 wallClockMs()
{
	return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
		.count();
}

// The camera of turntable frame k: turned 360 * k / (TURNTABLE_FRAMES - 1) degrees about the
// vertical line through its target (world space); the first and the last frame use the saved
// camera itself, so they show the very same view.
static void setTurntableView(App* app, s32 k)
{
	core::vector3df position = app->TurntablePosition;
	core::vector3df up = app->TurntableUp;
	if (k > 0 && k < TURNTABLE_FRAMES - 1)
	{
		const f64 degrees = 360.0 * k / (TURNTABLE_FRAMES - 1);
		position.rotateXZBy(degrees, app->TurntableTarget);
		up.rotateXZBy(degrees);
	}
	app->Camera->setPosition(position);
	app->Camera->setTarget(app->TurntableTarget);
	app->Camera->setUpVector(up);
}

// Begins a new file the size of the window with the writer (made at the first recording).
static void beginFile(App* app)
{
	if (!app->GifWriter)
		app->GifWriter = new RecordingWriter(WRITER_QUEUE_FRAMES);
	const core::dimension2du size = app->SceneManager->getVideoDriver()->getScreenSize();
	app->GifWriter->begin(GIF_FILE_NAME, size.Width, size.Height);
	app->GifFramesCaptured = 0;
}

// Back to how the view was before the recording; the panel comes back at the next update.
static void endRecording(App* app)
{
	if (app->TurntableFrame >= 0)
	{
		setTurntableView(app, 0);
		app->ActiveMarker->setVisible(app->MarkerWasVisible);
	}
	app->AnchorNode->setVisible(app->AnchorWasVisible);
	// The anchor was hidden for the recording only.
	app->showAnchorForTool();
	app->RecordingGif = false;
	app->showMirrorPlane();
	app->RecordingButton = -1;
	app->TurntableFrame = -1;
	app->GifRecordingEnded = true;
}

void App::startGifRecording(s32 button)
{
	if (RecordingGif)
		return;
	RecordingGif = true;
	RecordingButton = button;
	GifClock.start(wallClockMs());
	// The anchor cube and the mirror plane are tools, not part of the drawing.
	AnchorWasVisible = AnchorNode->isVisible();
	AnchorNode->setVisible(false);
	showMirrorPlane();
	beginFile(this);
}

void App::stopGifRecording(s32 button)
{
	if (!RecordingGif || TurntableFrame >= 0 || button != RecordingButton)
		return;
	// The last frame is the view at the release, drawn now: events after it in the same pass
	// of the frame loop (a key let go, the pointer moving on) must not reach the file. It is a
	// frame like the loop's own, drawn and shown, so the window keeps its pace.
	video::IVideoDriver* driver = SceneManager->getVideoDriver();
	driver->beginScene(true, true, BackdropColor);
	SceneManager->drawAll();
	if (gui::IGUIEnvironment* gui = SceneManager->getGUIEnvironment())
		gui->drawAll();
	RecordedFrame last;
	captureView(driver, &last);
	driver->endScene();
	GifWriter->end(std::min(GifClock.elapsed(wallClockMs()), MAX_RECORDING_MS), std::move(last));
	endRecording(this);
}

void App::startTurntable()
{
	if (RecordingGif)
		return;
	RecordingGif = true;
	RecordingButton = -1;
	TurntableFrame = 0;
	TurntablePosition = Camera->getPosition();
	TurntableTarget = Camera->getTarget();
	TurntableUp = Camera->getUpVector();
	AnchorWasVisible = AnchorNode->isVisible();
	MarkerWasVisible = ActiveMarker->isVisible();
	AnchorNode->setVisible(false);
	ActiveMarker->setVisible(false);
	showMirrorPlane();
	beginFile(this);
}

void App::cancelGifRecording()
{
	if (!RecordingGif)
		return;
	GifWriter->cancel();
	endRecording(this);
}

void App::keepDrawnFrame()
{
	if (!RecordingGif)
		return;
	video::IVideoDriver* driver = SceneManager->getVideoDriver();
	if (TurntableFrame >= 0)
	{
		// On its own timeline: a frame the writer has no room for is drawn again next time.
		if (!GifWriter->hasRoom())
			return;
		RecordedFrame frame;
		if (captureView(driver, &frame))
		{
			frame.StartMs = TurntableFrame * TURNTABLE_FRAME_MS;
			GifWriter->add(std::move(frame));
			++GifFramesCaptured;
		}
		if (++TurntableFrame < TURNTABLE_FRAMES)
		{
			setTurntableView(this, TurntableFrame);
			return;
		}
		GifWriter->end(TURNTABLE_FRAMES * TURNTABLE_FRAME_MS, RecordedFrame());
		endRecording(this);
		return;
	}

	const s64 now = wallClockMs();
	if (GifClock.isOver(now))
	{
		// Ends as if released: this frame is the last.
		RecordedFrame last;
		captureView(driver, &last);
		GifWriter->end(MAX_RECORDING_MS, std::move(last));
		endRecording(this);
		return;
	}
	// When the writer falls behind, captures wait: the time stays with the frame before.
	if (!GifClock.isDue(now) || !GifWriter->hasRoom())
		return;
	RecordedFrame frame;
	if (!captureView(driver, &frame))
		return;
	frame.StartMs = GifClock.elapsed(now);
	GifClock.captured(now);
	GifWriter->add(std::move(frame));
	++GifFramesCaptured;
}

void App::updateRecording(UIPanel* panel)
{
	if (!panel)
		return;
	if (panel->takeTurntableRequest())
		startTurntable();
	if (RecordingGif)
	{
		// Nothing but the drawing in the frames.
		panel->Note->hide();
		return;
	}
	if (GifRecordingEnded)
	{
		GifRecordingEnded = false;
		if (panel->isRecordingRequested())
			panel->endRecordingRequest();
	}
	std::string report;
	while (GifWriter && GifWriter->takeReport(&report))
		panel->Note->show(report.c_str());
}

bool App::isRecording() const
{
	return RecordingGif;
}

bool App::isWritingGif() const
{
	return GifWriter && GifWriter->isBusy();
}

void App::releaseGifWriter()
{
	if (RecordingGif)
	{
		if (TurntableFrame >= 0)
			GifWriter->cancel();
		else
			GifWriter->end(std::min(GifClock.elapsed(wallClockMs()), MAX_RECORDING_MS), RecordedFrame());
	}
	delete GifWriter;
	GifWriter = nullptr;
}
