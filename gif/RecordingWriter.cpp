#include "gif/RecordingWriter.h"

#include "platform/platform.h"

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

//! Bits per colour index of the written frames.
static const int32_t RECORDING_DEPTH = 8;

static std::string describeErrno(int error)
{
	return error ? std::error_code(error, std::generic_category()).message() : std::string("unknown error");
}

static std::string baseName(const std::string& path)
{
	return std::filesystem::path(path).filename().string();
}

RecordingWriter::RecordingWriter(size_t queueLimit) : QueueLimit(queueLimit)
{
	Worker = std::thread(&RecordingWriter::run, this);
}

RecordingWriter::~RecordingWriter()
{
	{
		std::lock_guard<std::mutex> guard(Lock);
		Stopping = true;
	}
	Wake.notify_one();
	Worker.join();
	// A file begun and never ended is abandoned: its temporary file goes.
	if (Encoder.Output)
	{
		closeAnimation(&Encoder);
		removeTemporary();
	}
}

void RecordingWriter::post(Message message)
{
	{
		std::lock_guard<std::mutex> guard(Lock);
		if (message.Kind == EMK_FRAME)
			++QueuedFrames;
		Queue.push_back(std::move(message));
	}
	Wake.notify_one();
}

void RecordingWriter::begin(const std::string& target, uint32_t width, uint32_t height)
{
	Message message{EMK_BEGIN, RecordedFrame(), 0, false, target, width, height};
	post(std::move(message));
}

bool RecordingWriter::hasRoom() const
{
	std::lock_guard<std::mutex> guard(Lock);
	return QueuedFrames < QueueLimit;
}

void RecordingWriter::add(RecordedFrame frame)
{
	Message message{EMK_FRAME, std::move(frame), 0, false, std::string(), 0, 0};
	post(std::move(message));
}

void RecordingWriter::end(int64_t endMs, RecordedFrame finalFrame)
{
	Message message{EMK_END, std::move(finalFrame), endMs, false, std::string(), 0, 0};
	post(std::move(message));
}

void RecordingWriter::cancel()
{
	{
		std::lock_guard<std::mutex> guard(Lock);
		// The frames still queued for the file go at once; the worker then drops its own.
		while (!Queue.empty() && Queue.back().Kind == EMK_FRAME)
		{
			Queue.pop_back();
			--QueuedFrames;
		}
		Queue.push_back(Message{EMK_END, RecordedFrame(), 0, true, std::string(), 0, 0});
	}
	Wake.notify_one();
}

bool RecordingWriter::takeReport(std::string* report)
{
	std::lock_guard<std::mutex> guard(Lock);
	if (Reports.empty())
		return false;
	*report = Reports.front();
	Reports.pop_front();
	return true;
}

bool RecordingWriter::isBusy() const
{
	std::lock_guard<std::mutex> guard(Lock);
	return Working || !Queue.empty() || !Reports.empty();
}

void RecordingWriter::report(const std::string& line)
{
	std::lock_guard<std::mutex> guard(Lock);
	Reports.push_back(line);
}

void RecordingWriter::run()
{
	for (;;)
	{
		Message message;
		{
			std::unique_lock<std::mutex> guard(Lock);
			Wake.wait(guard, [this] { return Stopping || !Queue.empty(); });
			if (Queue.empty())
				return;
			message = std::move(Queue.front());
			Queue.pop_front();
			if (message.Kind == EMK_FRAME)
				--QueuedFrames;
			Working = true;
		}
		if (message.Kind == EMK_BEGIN)
			beginFile(message);
		else if (message.Kind == EMK_FRAME)
		{
			std::vector<TimelineStep> steps;
			uint64_t id = 0;
			if (keepPicture(&message.Frame, &id))
				Timeline.add(id, message.Frame.StartMs, &steps);
			apply(steps);
		}
		else
			endFile(message);
		message = Message();
		std::lock_guard<std::mutex> guard(Lock);
		Working = false;
	}
}

void RecordingWriter::beginFile(const Message& message)
{
	Target = message.Target;
	// Named when the first frame is written.
	Temporary.clear();
	Width = message.Width;
	Height = message.Height;
	Timeline = RecordingTimeline();
	Pictures.clear();
	FramesWritten = 0;
	DelaysWritten = 0;
	Failure.clear();
}

bool RecordingWriter::keepPicture(RecordedFrame* frame, uint64_t* id)
{
	const size_t rowBytes = size_t(Width) * 4;
	std::vector<uint8_t>& pixels = frame->Pixels;
	if (pixels.size() != rowBytes * Height)
		return false;
	if (frame->BottomUp)
		for (uint32_t y = 0; y < Height / 2; ++y)
			std::swap_ranges(pixels.begin() + y * rowBytes, pixels.begin() + (y + 1) * rowBytes,
				pixels.begin() + (Height - 1 - y) * rowBytes);
	// The fourth byte is not part of the picture.
	for (size_t i = 3; i < pixels.size(); i += 4)
		pixels[i] = 255;

	// A picture equal to the one before is not a new frame: its time stays with that one.
	uint64_t last = 0;
	if (Timeline.lastHeld(&last))
	{
		auto previous = Pictures.find(last);
		if (previous != Pictures.end() && previous->second == pixels)
			return false;
	}
	*id = NextId++;
	Pictures[*id] = std::move(pixels);
	return true;
}

void RecordingWriter::fail(const std::string& why)
{
	if (!Failure.empty())
		return;
	Failure = why;
	if (Encoder.Output)
		closeAnimation(&Encoder);
	removeTemporary();
}

void RecordingWriter::removeTemporary()
{
	if (!Temporary.empty())
		std::remove(Temporary.c_str());
	Temporary.clear();
}

void RecordingWriter::apply(const std::vector<TimelineStep>& steps)
{
	for (const TimelineStep& step : steps)
	{
		auto picture = Pictures.find(step.Id);
		if (step.Delay == 0 || picture == Pictures.end() || !Failure.empty())
		{
			if (picture != Pictures.end())
				Pictures.erase(picture);
			continue;
		}
		if (!Encoder.Output)
		{
			errno = 0;
			// A new name each time, never opened through a link: a link planted under a
			// known name cannot make the recording overwrite another file.
			std::FILE* file = platform::createUniqueFile(Target, ".part", &Temporary);
			const int createError = errno;
			// Any delay but 0 makes the file loop forever.
			if (!file || !openAnimationFile(&Encoder, file, Temporary.c_str(), Width, Height, step.Delay))
			{
				if (file)
					std::fclose(file);
				fail("cannot create " + baseName(Target) + ".part: " + describeErrno(file ? ENOMEM : createError));
				Pictures.erase(picture);
				continue;
			}
		}
		errno = 0;
		if (!addFrame(&Encoder, picture->second.data(), Width, Height, step.Delay, RECORDING_DEPTH, false))
			fail("writing " + baseName(Target) + ".part failed: " + describeErrno(errno));
		else
		{
			++FramesWritten;
			DelaysWritten += step.Delay;
		}
		Pictures.erase(picture);
	}
}

void RecordingWriter::endFile(Message& message)
{
	const std::string name = baseName(Target);
	if (message.Cancelled)
	{
		if (Encoder.Output)
			closeAnimation(&Encoder);
		removeTemporary();
		Pictures.clear();
		Timeline = RecordingTimeline();
		report("recording cancelled: " + name + " is unchanged");
		return;
	}

	std::vector<TimelineStep> steps;
	uint64_t finalId = 0;
	const bool hasFinal = keepPicture(&message.Frame, &finalId);
	Timeline.finish(message.EndMs, hasFinal ? &finalId : nullptr, &steps);

	uint32_t toWrite = 0;
	for (const TimelineStep& step : steps)
		toWrite += step.Delay != 0 ? 1 : 0;
	if (Failure.empty() && FramesWritten + toWrite < 2)
	{
		// A still picture is no animation: a good earlier file is worth more.
		Pictures.clear();
		report(name + " not written: " + (toWrite == 0 ? "no frame was recorded" : "the view did not change")
			+ "; the previous file is kept");
		return;
	}
	apply(steps);
	Pictures.clear();

	if (Failure.empty())
	{
		errno = 0;
		if (!closeAnimation(&Encoder))
			fail("writing " + baseName(Target) + ".part failed: " + describeErrno(errno));
	}
	if (Failure.empty())
	{
		// The data must be on the disk before the rename makes it the target; the encoder has
		// closed the file, so it is opened again (for writing, as Windows wants) to sync it.
		errno = 0;
		std::FILE* written = std::fopen(Temporary.c_str(), "r+b");
		const bool synced = written && platform::syncFile(written);
		const int syncError = errno;
		if (written && std::fclose(written) != 0)
			fail("writing " + baseName(Target) + ".part failed: " + describeErrno(errno));
		else if (!synced)
			fail("writing " + baseName(Target) + ".part failed: " + describeErrno(syncError));
	}
	if (Failure.empty())
	{
		errno = 0;
		if (!platform::replaceFile(Temporary.c_str(), Target.c_str()))
		{
			std::error_code error;
			fail(std::filesystem::is_directory(Target, error) ? "a directory of that name is in the way"
				: "cannot replace it: " + describeErrno(errno));
		}
	}
	if (!Failure.empty())
	{
		report(name + " not written: " + Failure + "; the previous file is kept");
		return;
	}
	std::error_code error;
	const uintmax_t size = std::filesystem::file_size(Target, error);
	char seconds[32];
	std::snprintf(seconds, sizeof(seconds), "%.1f", DelaysWritten / 100.0);
	report(name + ": " + std::to_string(FramesWritten) + " frames, " + seconds + " s, "
		+ std::to_string(error ? uintmax_t(0) : (size + 1023) / 1024) + " KB");
}
