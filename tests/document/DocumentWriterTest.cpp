// The writer thread: every job handed over is written and reported once, failures with
// their reason, and waiting for it returns only when the files are complete.
#include "DocumentTestSupport.h"
#include "document/DocumentWriter.h"
#include "document/GlbFile.h"

using namespace irr;

namespace
{

WriteJob job(const std::string& path, size_t strokes, bool autosave)
{
	WriteJob j;
	j.Path = path;
	j.Autosave = autosave;
	for (size_t i = 0; i < strokes; ++i)
	{
		DocumentStroke s;
		s.Points = {core::vector3df(0.f, (f32)i, 0.f), core::vector3df(0.f, (f32)i, 10.f)};
		j.Drawing.Strokes.push_back(s);
	}
	return j;
}

} // namespace

TEST_F(DocumentTest, WriterWritesAndReportsEveryJob)
{
	DocumentWriter writer;
	std::filesystem::create_directory(file("taken.glb"));
	writer.submit(job(file("a.glb"), 3, false));
	writer.submit(job(file("taken.glb"), 1, false));
	writer.submit(job(file("b.glb"), 5, true));
	writer.waitIdle();
	EXPECT_TRUE(writer.isBusy()); // results wait to be taken

	std::vector<WriteResult> results;
	WriteResult r;
	while (writer.poll(r))
		results.push_back(r);
	EXPECT_FALSE(writer.isBusy());
	ASSERT_EQ(results.size(), 3u);
	EXPECT_TRUE(results[0].Ok);
	EXPECT_EQ(results[0].StrokeCount, 3u);
	EXPECT_FALSE(results[1].Ok);
	EXPECT_NE(results[1].Error.find("is a directory"), std::string::npos) << results[1].Error;
	EXPECT_TRUE(results[2].Ok);
	EXPECT_TRUE(results[2].Autosave);

	Document d;
	std::string error;
	ASSERT_TRUE(loadGlbFile(file("b.glb"), d, error)) << error;
	EXPECT_EQ(d.Strokes.size(), 5u);
}

TEST_F(DocumentTest, WriterKeepsOnlyTheNewestWaitingAutosave)
{
	std::vector<WriteResult> results;
	{
		DocumentWriter writer;
		// A large save first (a second or more of work) keeps the worker busy while three
		// autosaves, handed over within microseconds, queue behind it.
		writer.submit(job(file("big.glb"), 20000, false));
		for (size_t n = 1; n <= 3; ++n)
			writer.submit(job(file("auto.glb"), n, true));
		writer.waitIdle();
		WriteResult r;
		while (writer.poll(r))
			results.push_back(r);
	}
	// The autosaves that had not begun were replaced by the newest: one written, after the save.
	ASSERT_EQ(results.size(), 2u);
	EXPECT_EQ(results[0].Path, file("big.glb"));
	EXPECT_EQ(results[1].StrokeCount, 3u);
	Document d;
	std::string error;
	ASSERT_TRUE(loadGlbFile(file("auto.glb"), d, error)) << error;
	EXPECT_EQ(d.Strokes.size(), 3u);
}
