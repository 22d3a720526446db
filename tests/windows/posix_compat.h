// The two POSIX calls the tests use that mingw-w64's C library lacks, for the Windows build
// of the tests only (force-included by cmake/WindowsBuild.cmake). Paths in the tests are
// POSIX-style ("/tmp/..."): under Wine they name the same directories as on Linux.
#pragma once
#include <direct.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

//! mkdir with a mode: Windows directories have no permission bits to set.
inline int mkdir(const char* path, int)
{
	return _mkdir(path);
}

//! Makes a new directory from a template ending in XXXXXX; returns the template or null.
//! (_mktemp picks a name that does not exist yet, but another process may take it first.)
inline char* mkdtemp(char* pattern)
{
	for (int attempt = 0; attempt < 100; ++attempt)
	{
		char candidate[512];
		if (snprintf(candidate, sizeof(candidate), "%s", pattern) >= (int)sizeof(candidate)
			|| _mktemp_s(candidate, strlen(candidate) + 1) != 0)
			return nullptr;
		if (_mkdir(candidate) == 0)
		{
			memcpy(pattern, candidate, strlen(candidate));
			return pattern;
		}
	}
	return nullptr;
}
