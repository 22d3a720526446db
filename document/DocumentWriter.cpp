// The writer thread: takes jobs from its queue one at a time and reports each result.
#include "document/DocumentWriter.h"
#include "document/GlbFile.h"

DocumentWriter::DocumentWriter() : Writing(false), Stopping(false)
{
	Worker = std::thread(&DocumentWriter::run, this);
}

DocumentWriter::~DocumentWriter()
{
	{
		std::lock_guard<std::mutex> guard(Lock);
		Stopping = true;
	}
	Wake.notify_one();
	Worker.join();
}

void DocumentWriter::submit(WriteJob job)
{
	{
		std::lock_guard<std::mutex> guard(Lock);
		if (job.Autosave)
			for (WriteJob& queued : Jobs)
				if (queued.Autosave && queued.Path == job.Path)
				{
					// Not begun yet: only the newest state of the drawing is worth writing.
					queued = std::move(job);
					return;
				}
		Jobs.push_back(std::move(job));
	}
	Wake.notify_one();
}

bool DocumentWriter::poll(WriteResult& result)
{
	std::lock_guard<std::mutex> guard(Lock);
	if (Results.empty())
		return false;
	result = std::move(Results.front());
	Results.pop_front();
	return true;
}

bool DocumentWriter::isBusy() const
{
	std::lock_guard<std::mutex> guard(Lock);
	return Writing || !Jobs.empty() || !Results.empty();
}

void DocumentWriter::waitIdle()
{
	std::unique_lock<std::mutex> guard(Lock);
	Idle.wait(guard, [this] { return !Writing && Jobs.empty(); });
}

void DocumentWriter::run()
{
	std::unique_lock<std::mutex> guard(Lock);
	for (;;)
	{
		Wake.wait(guard, [this] { return Stopping || !Jobs.empty(); });
		if (Jobs.empty())
			return; // stopping, and everything queued has been written
		WriteJob job = std::move(Jobs.front());
		Jobs.pop_front();
		Writing = true;
		guard.unlock();

		// The job is this thread's alone now.
		WriteResult result;
		result.Path = job.Path;
		result.Autosave = job.Autosave;
		result.StrokeCount = job.Drawing.Strokes.size();
		result.Ok = saveGlbFile(job.Drawing, job.Path, result.Error);

		guard.lock();
		Writing = false;
		Results.push_back(std::move(result));
		if (Jobs.empty())
			Idle.notify_all();
	}
}
