// The recording's writer thread: per-frame delays read back through giflib, equal frames
// merged, and a good earlier file never lost (no frames, a directory in the way, a file that
// cannot be created, a full or read-only disk, a cancelled recording).
#include "gif/RecordingWriter.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#if !defined(_WIN32)
#include <sys/mount.h> // small file systems of the tests' own: Linux only
#endif
#include <thread>
#include <unistd.h>

namespace
{
	const uint32_t WIDTH = 64, HEIGHT = 48;

	std::vector<uint8_t> readBytes(const std::string& path)
	{
		std::ifstream in(path, std::ios::binary);
		return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
	}

	//! A picture of one colour with a marker row: row `row` is white.
	RecordedFrame frame(uint8_t shade, int64_t startMs, uint32_t row = 0, bool bottomUp = false)
	{
		RecordedFrame made;
		made.Pixels.assign(size_t(WIDTH) * HEIGHT * 4, shade);
		for (uint32_t x = 0; x < WIDTH * 4; ++x)
			made.Pixels[row * WIDTH * 4 + x] = 255;
		made.BottomUp = bottomUp;
		made.StartMs = startMs;
		return made;
	}

#if !defined(_WIN32)
	//! Every pixel different from frame to frame, so that a file grows fast (for a full disk).
	RecordedFrame noise(uint32_t seed, int64_t startMs)
	{
		RecordedFrame made;
		made.Pixels.resize(size_t(WIDTH) * HEIGHT * 4);
		uint32_t state = seed * 2654435761u + 1;
		for (uint8_t& byte : made.Pixels)
		{
			state ^= state << 13;
			state ^= state >> 17;
			state ^= state << 5;
			byte = uint8_t(state >> 24);
		}
		made.StartMs = startMs;
		return made;
	}
#endif

	class RecordingWriterTest : public ::testing::Test
	{
	protected:
		void SetUp() override
		{
			char pattern[] = "/tmp/vantrel-writer-XXXXXX";
			ASSERT_NE(mkdtemp(pattern), nullptr);
			Dir = pattern;
			Target = Dir + "/vantrel.gif";
		}
		void TearDown() override
		{
#if !defined(_WIN32)
			if (Mounted)
				umount(Dir.c_str());
#endif
			std::error_code error;
			std::filesystem::remove_all(Dir, error);
		}

		//! Waits for the writer's report on the file handed over.
		std::string reportOf(RecordingWriter& writer)
		{
			std::string report;
			const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
			while (!writer.takeReport(&report) && std::chrono::steady_clock::now() < deadline)
				std::this_thread::sleep_for(std::chrono::milliseconds(5));
			EXPECT_FALSE(report.empty()) << "no report from the writer";
			while (writer.isBusy() && std::chrono::steady_clock::now() < deadline)
				std::this_thread::sleep_for(std::chrono::milliseconds(5));
			return report;
		}

		//! An earlier recording's bytes at the target.
		std::vector<uint8_t> putEarlierFile()
		{
			const std::vector<uint8_t> bytes = {'G', 'I', 'F', '8', '9', 'a', 1, 2, 3, 0x3B};
			std::ofstream(Target, std::ios::binary).write((const char*)bytes.data(), bytes.size());
			return bytes;
		}

		void expectOnlyTheTarget()
		{
			for (const auto& entry : std::filesystem::directory_iterator(Dir))
				EXPECT_EQ(entry.path().filename(), "vantrel.gif") << "left behind: " << entry.path();
		}

#if !defined(_WIN32)
		//! Mounts a small file system of its own over the directory; false where that is not allowed.
		bool mountSmall(const char* options)
		{
			Mounted = mount("tmpfs", Dir.c_str(), "tmpfs", 0, options) == 0;
			return Mounted;
		}
#endif

		std::string Dir;
		std::string Target;
		bool Mounted = false;
	};
}

TEST_F(RecordingWriterTest, DelaysAndPicturesReadBackThroughGiflib)
{
	RecordingWriter writer(4);
	writer.begin(Target, WIDTH, HEIGHT);
	// Captured at 3 ms (shown from the start), 40, 73 (the same picture: no new frame), 95 and
	// 1234 ms; the last one bottom row first, as OpenGL reads the window; ended at 1500 ms.
	writer.add(frame(10, 3, 1));
	writer.add(frame(60, 40, 2));
	writer.add(frame(60, 73, 2));
	writer.add(frame(120, 95, 3));
	writer.add(frame(200, 1234, HEIGHT - 1 - 5, true));
	writer.end(1500, RecordedFrame());
	const std::string report = reportOf(writer);
	EXPECT_EQ(report.substr(0, 24), "vantrel.gif: 4 frames, 1") << report;
	EXPECT_NE(report.find("frames, 1.5 s, "), std::string::npos) << report;
	expectOnlyTheTarget();

	int error = 0;
	GifFileType* gif = DGifOpenFileName(Target.c_str(), &error);
	ASSERT_NE(gif, nullptr) << GifErrorString(error);
	ASSERT_EQ(DGifSlurp(gif), GIF_OK) << GifErrorString(gif->Error);
	ASSERT_EQ(gif->ImageCount, 4);
	const int delays[] = {4, 6, 113, 27};
	const uint8_t shades[] = {10, 60, 120, 200};
	const uint32_t rows[] = {1, 2, 3, 5};
	int sum = 0;
	for (int k = 0; k < 4; ++k)
	{
		GraphicsControlBlock control;
		ASSERT_EQ(DGifSavedExtensionToGCB(gif, k, &control), GIF_OK);
		EXPECT_EQ(control.DelayTime, delays[k]) << "frame " << k;
		sum += control.DelayTime;
		const SavedImage& image = gif->SavedImages[k];
		const GifColorType* colours = image.ImageDesc.ColorMap->Colors;
		// Frames after the first leave unchanged pixels transparent: probe changed ones only.
		const GifColorType marked = colours[image.RasterBits[rows[k] * WIDTH + 7]];
		EXPECT_EQ(marked.Red, 255) << "frame " << k;
		const GifColorType plain = colours[image.RasterBits[(HEIGHT / 2) * WIDTH + 7]];
		EXPECT_EQ(plain.Green, shades[k]) << "frame " << k;
	}
	EXPECT_EQ(sum, 150);
	DGifCloseFile(gif, &error);
}

TEST_F(RecordingWriterTest, FinalViewEndsTheFileAndAStillPictureWritesNothing)
{
	const std::vector<uint8_t> earlier = putEarlierFile();
	{
		// Press and release without a move: the same picture twice, then the final view, also the same.
		RecordingWriter writer(4);
		writer.begin(Target, WIDTH, HEIGHT);
		writer.add(frame(10, 5));
		writer.add(frame(10, 30));
		writer.end(40, frame(10, 0));
		EXPECT_EQ(reportOf(writer), "vantrel.gif not written: the view did not change; the previous file is kept");
		// No frame at all.
		writer.begin(Target, WIDTH, HEIGHT);
		writer.end(40, RecordedFrame());
		EXPECT_EQ(reportOf(writer), "vantrel.gif not written: no frame was recorded; the previous file is kept");
		EXPECT_EQ(readBytes(Target), earlier);
		expectOnlyTheTarget();

		// The final view differs: it is the file's last frame, with the last two hundredths.
		writer.begin(Target, WIDTH, HEIGHT);
		writer.add(frame(10, 5));
		writer.end(3000, frame(90, 0, 4));
		EXPECT_EQ(reportOf(writer).substr(0, 30), "vantrel.gif: 2 frames, 3.0 s, ");
	}
	int error = 0;
	GifFileType* gif = DGifOpenFileName(Target.c_str(), &error);
	ASSERT_NE(gif, nullptr) << GifErrorString(error);
	ASSERT_EQ(DGifSlurp(gif), GIF_OK);
	ASSERT_EQ(gif->ImageCount, 2);
	GraphicsControlBlock control;
	DGifSavedExtensionToGCB(gif, 1, &control);
	EXPECT_EQ(control.DelayTime, 2);
	DGifCloseFile(gif, &error);
}

TEST_F(RecordingWriterTest, FailuresKeepTheEarlierFileAndSayWhy)
{
	RecordingWriter writer(4);
	// A directory where the file goes: untouched, nothing left beside it.
	ASSERT_TRUE(std::filesystem::create_directory(Target));
	writer.begin(Target, WIDTH, HEIGHT);
	writer.add(frame(10, 0));
	writer.add(frame(20, 40));
	writer.end(100, RecordedFrame());
	EXPECT_EQ(reportOf(writer),
		"vantrel.gif not written: a directory of that name is in the way; the previous file is kept");
	EXPECT_TRUE(std::filesystem::is_directory(Target));
	EXPECT_TRUE(std::filesystem::is_empty(Target));
	expectOnlyTheTarget();
	std::filesystem::remove(Target);

	// The temporary file cannot be created (its directory is gone): the report names it.
	const std::vector<uint8_t> earlier = putEarlierFile();
	writer.begin(Dir + "/gone/vantrel.gif", WIDTH, HEIGHT);
	writer.add(frame(10, 0));
	writer.add(frame(20, 40));
	writer.end(100, RecordedFrame());
	EXPECT_EQ(reportOf(writer),
		"vantrel.gif not written: cannot create vantrel.gif.part: No such file or directory; the previous file is kept");

#if !defined(_WIN32)
	// A link planted under the old temporary name, and a directory: neither is written through.
	const std::string victim = Dir + "/victim";
	std::ofstream(victim) << "precious";
	std::filesystem::create_symlink(victim, Target + ".part");
	std::filesystem::create_directory(Target + ".part0");
	writer.begin(Target, WIDTH, HEIGHT);
	writer.add(frame(10, 0));
	writer.add(frame(20, 40));
	writer.end(100, RecordedFrame());
	EXPECT_EQ(reportOf(writer).substr(0, 22), "vantrel.gif: 2 frames,");
	EXPECT_EQ(readBytes(victim), std::vector<uint8_t>({'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));
	EXPECT_TRUE(std::filesystem::is_symlink(Target + ".part"));
	std::filesystem::remove(victim);
	std::filesystem::remove(Target + ".part");
	std::filesystem::remove(Target + ".part0");
	std::ofstream(Target, std::ios::binary).write((const char*)earlier.data(), earlier.size());
#endif

	// Cancelled: nothing written, even with frames already encoded.
	writer.begin(Target, WIDTH, HEIGHT);
	for (int i = 0; i < 4; ++i)
		writer.add(frame(uint8_t(40 + i), 40 * i));
	writer.cancel();
	EXPECT_EQ(reportOf(writer), "recording cancelled: vantrel.gif is unchanged");
	EXPECT_EQ(readBytes(Target), earlier);
	expectOnlyTheTarget();
}

#if !defined(_WIN32)
TEST_F(RecordingWriterTest, FullAndReadOnlyDisksKeepTheEarlierFile)
{
	if (!mountSmall("size=64k"))
		GTEST_SKIP() << "mounting a small file system needs privileges this run does not have";
	const std::vector<uint8_t> earlier = putEarlierFile();
	{
		// Forty frames of noise are far more than 64 KiB.
		RecordingWriter writer(4);
		writer.begin(Target, WIDTH, HEIGHT);
		for (uint32_t i = 0; i < 40; ++i)
		{
			while (!writer.hasRoom())
				std::this_thread::sleep_for(std::chrono::milliseconds(1));
			writer.add(noise(i, 40 * i));
		}
		writer.end(1700, RecordedFrame());
		const std::string report = reportOf(writer);
		EXPECT_EQ(report.substr(0, 24), "vantrel.gif not written:") << report;
		EXPECT_NE(report.find("No space left on device"), std::string::npos) << report;
	}
	EXPECT_EQ(readBytes(Target), earlier);
	expectOnlyTheTarget();

	ASSERT_EQ(mount("tmpfs", Dir.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=64k"), 0);
	RecordingWriter writer(4);
	writer.begin(Target, WIDTH, HEIGHT);
	writer.add(frame(10, 0));
	writer.add(frame(20, 40));
	writer.end(100, RecordedFrame());
	const std::string report = reportOf(writer);
	EXPECT_NE(report.find("Read-only file system"), std::string::npos) << report;
	EXPECT_EQ(readBytes(Target), earlier);
}
#endif
