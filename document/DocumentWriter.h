// A worker thread that writes drawings to files, so that the frame loop never waits for
// the disk. It owns each record it is handed; results come back through a queue that the
// main thread polls. No engine object is shared: the worker builds its own stroke meshes.
#pragma once
#include "document/Document.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

struct WriteJob
{
	Document Drawing;
	std::string Path;
	//! An autosave waiting to be written is replaced by a newer one.
	bool Autosave = false;
};

struct WriteResult
{
	std::string Path;
	bool Ok = false;
	//! Why the write failed; empty on success.
	std::string Error;
	size_t StrokeCount = 0;
	bool Autosave = false;
};

class DocumentWriter
{
public:
	DocumentWriter();
	//! Writes what is still queued, then ends the thread.
	~DocumentWriter();
	DocumentWriter(const DocumentWriter&) = delete;
	DocumentWriter& operator=(const DocumentWriter&) = delete;

	//! Hands the job to the worker; the caller keeps nothing of it.
	void submit(WriteJob job);
	//! Takes the oldest result, if there is one.
	bool poll(WriteResult& result);
	//! A job is queued or being written, or a result waits to be taken.
	bool isBusy() const;
	//! Blocks until every queued job has been written.
	void waitIdle();

private:
	void run();

	mutable std::mutex Lock;
	std::condition_variable Wake;
	std::condition_variable Idle;
	std::deque<WriteJob> Jobs;
	std::deque<WriteResult> Results;
	bool Writing;
	bool Stopping;
	std::thread Worker;
};
