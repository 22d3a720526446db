// The worker thread that turns a recording's frames into a GIF file while the frame loop goes
// on: it owns every frame handed to it, writes a temporary file beside the target and puts it
// in the target's place only once it is complete and on the disk.
#pragma once
#include "gif/AnimationEncoder.h"
#include "gif/RecordingTimeline.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

//! One captured picture: 4 bytes a pixel (red, green, blue, one ignored byte), rows top
//! first, or bottom first (as OpenGL reads them) when BottomUp is set.
struct RecordedFrame
{
	std::vector<uint8_t> Pixels;
	bool BottomUp = false;
	//! Milliseconds since the recording began.
	int64_t StartMs = 0;
};

//! Files are written one after the other in the order they were begun. At most QueueLimit
//! frames wait for the worker: when it falls behind, hasRoom() says no and the frame loop
//! skips captures (the skipped time stays with the frame before), so memory stays at a few
//! frames however long the recording runs. The worker never calls into its user: results
//! come back as report lines through takeReport().
class RecordingWriter
{
public:
	explicit RecordingWriter(size_t queueLimit);
	//! Finishes every file handed over (a file not ended is abandoned), then ends the worker.
	~RecordingWriter();

	//! Begins a file of frames of width x height that will replace target.
	void begin(const std::string& target, uint32_t width, uint32_t height);
	//! Whether a frame can be handed over now.
	bool hasRoom() const;
	//! Hands a frame over; the caller keeps nothing of it. Only when hasRoom() is true.
	void add(RecordedFrame frame);
	//! Ends the file at endMs (milliseconds since the start). A final frame with pixels is the
	//! view at the end; it may go beyond the queue limit.
	void end(int64_t endMs, RecordedFrame finalFrame);
	//! Abandons the file begun last: nothing is written and the target is left as it is.
	void cancel();
	//! The oldest report not taken yet ("vantrel.gif: 75 frames, 3.0 s, 812 KB" or why the
	//! file was not written); false if there is none.
	bool takeReport(std::string* report);
	//! Whether frames are queued, a file is being written or a report waits to be taken.
	bool isBusy() const;

private:
	enum EMESSAGE_KIND
	{
		EMK_BEGIN,
		EMK_FRAME,
		EMK_END
	};
	struct Message
	{
		EMESSAGE_KIND Kind;
		RecordedFrame Frame;
		int64_t EndMs;
		bool Cancelled;
		std::string Target;
		uint32_t Width;
		uint32_t Height;
	};

	void post(Message message);
	void run();
	// The worker's side: everything below is touched by the worker thread only.
	void beginFile(const Message& message);
	//! Makes the frame's pixels a top-down picture and keeps it under a new id, unless it is
	//! of the wrong size or equal to the latest picture held.
	bool keepPicture(RecordedFrame* frame, uint64_t* id);
	void apply(const std::vector<TimelineStep>& steps);
	void endFile(Message& message);
	void fail(const std::string& why);
	void removeTemporary();
	void report(const std::string& line);

	// Shared between the threads, under Lock.
	mutable std::mutex Lock;
	std::condition_variable Wake;
	std::deque<Message> Queue;
	size_t QueuedFrames = 0;
	size_t QueueLimit;
	bool Working = false;
	bool Stopping = false;
	std::deque<std::string> Reports;

	// The file being made (worker thread only).
	std::string Target;
	//! The file being written beside the target (its name plus ".part" and a number); empty
	//! before the first frame is written.
	std::string Temporary;
	uint32_t Width = 0;
	uint32_t Height = 0;
	AnimationEncoder Encoder;
	RecordingTimeline Timeline;
	//! Pictures held back by the timeline, by id.
	std::map<uint64_t, std::vector<uint8_t>> Pictures;
	uint64_t NextId = 0;
	uint32_t FramesWritten = 0;
	//! Sum of the delays written, in hundredths of a second.
	uint64_t DelaysWritten = 0;
	//! Why the file cannot be written; empty while all is well.
	std::string Failure;

	std::thread Worker;
};
