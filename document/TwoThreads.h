// Work over a drawing's strokes on two threads: building their meshes is most of what saving
// and opening a big drawing take.
#pragma once
#include "document/Document.h"

#include <exception>
#include <functional>
#include <thread>
#include <vector>

//! Calls work(from, to) for ranges of strokes that together cover all of them: on the
//! calling thread alone for a drawing of fewer than minPoints points, else on it and a
//! second thread, split where about half of the points are behind. Each stroke belongs to
//! one thread. What either call throws is thrown here, after both have ended.
template <typename Work>
void forStrokesOnTwoThreads(const std::vector<DocumentStroke>& strokes, size_t minPoints, Work work)
{
	size_t points = 0;
	for (const DocumentStroke& s : strokes)
		points += s.Points.size();
	if (points < minPoints)
	{
		work((size_t)0, strokes.size());
		return;
	}
	// The first thread takes the strokes whose middle lies in the first half of the points.
	size_t half = 0;
	for (size_t behind = 0; half < strokes.size() && 2 * behind + strokes[half].Points.size() < points; ++half)
		behind += strokes[half].Points.size();
	auto guarded = [&work](size_t from, size_t to, std::exception_ptr& failure) {
		try
		{
			work(from, to);
		}
		catch (...)
		{
			failure = std::current_exception();
		}
	};
	std::exception_ptr first, second;
	std::thread other(guarded, half, strokes.size(), std::ref(second));
	guarded(0, half, first);
	other.join();
	if (first || second)
		std::rethrow_exception(first ? first : second);
}
