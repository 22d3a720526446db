// Replacing a file in one step: the new file takes the old one's place, and a refused
// replacement leaves both as they were.
#include <gtest/gtest.h>

#include "platform/platform.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

std::string readAll(const std::string& path)
{
	std::ifstream in(path, std::ios::binary);
	std::ostringstream text;
	text << in.rdbuf();
	return text.str();
}

// Writes text through the C library and syncs it, as the program's writers do.
bool writeSynced(const std::string& path, const std::string& text)
{
	std::FILE* file = std::fopen(path.c_str(), "wb");
	if (!file)
		return false;
	const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size() && platform::syncFile(file);
	return std::fclose(file) == 0 && written;
}

class FileReplace : public ::testing::Test
{
protected:
	void SetUp() override
	{
		char pattern[] = "/tmp/vantrel-replace-XXXXXX";
		ASSERT_NE(mkdtemp(pattern), nullptr);
		Directory = pattern;
	}
	void TearDown() override
	{
		std::remove((Directory + "/new").c_str());
		std::remove((Directory + "/target").c_str());
		rmdir((Directory + "/target").c_str());
		rmdir(Directory.c_str());
	}
	std::string Directory;
};

} // namespace

TEST_F(FileReplace, NewFileTakesTheOldOnesPlace)
{
	const std::string target = Directory + "/target", temporary = Directory + "/new";
	ASSERT_TRUE(writeSynced(target, "old contents"));
	ASSERT_TRUE(writeSynced(temporary, "new"));
	EXPECT_TRUE(platform::replaceFile(temporary.c_str(), target.c_str()));
	EXPECT_EQ(readAll(target), "new");
	EXPECT_NE(access(temporary.c_str(), F_OK), 0) << "the temporary name is gone";
}

TEST_F(FileReplace, CreatesTheTargetWhenThereIsNone)
{
	const std::string target = Directory + "/target", temporary = Directory + "/new";
	ASSERT_TRUE(writeSynced(temporary, "first"));
	EXPECT_TRUE(platform::replaceFile(temporary.c_str(), target.c_str()));
	EXPECT_EQ(readAll(target), "first");
}

TEST_F(FileReplace, RefusesADirectoryAndKeepsBoth)
{
	const std::string target = Directory + "/target", temporary = Directory + "/new";
	ASSERT_EQ(mkdir(target.c_str(), 0755), 0);
	ASSERT_TRUE(writeSynced(temporary, "kept"));
	EXPECT_FALSE(platform::replaceFile(temporary.c_str(), target.c_str()));
	struct stat info;
	ASSERT_EQ(stat(target.c_str(), &info), 0);
	EXPECT_TRUE(S_ISDIR(info.st_mode));
	EXPECT_EQ(readAll(temporary), "kept");
}

TEST_F(FileReplace, RefusesAMissingTemporary)
{
	const std::string target = Directory + "/target";
	ASSERT_TRUE(writeSynced(target, "untouched"));
	EXPECT_FALSE(platform::replaceFile((Directory + "/absent").c_str(), target.c_str()));
	EXPECT_EQ(readAll(target), "untouched");
}
