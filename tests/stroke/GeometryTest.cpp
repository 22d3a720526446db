#include "stroke/geometry.h"

#include <gtest/gtest.h>

using namespace irr;
using core::vector3df;

static void expectRow(const core::matrix4& m, int row, f32 a, f32 b, f32 c, f32 d)
{
	EXPECT_FLOAT_EQ(m[row * 4 + 0], a) << "row " << row;
	EXPECT_FLOAT_EQ(m[row * 4 + 1], b) << "row " << row;
	EXPECT_FLOAT_EQ(m[row * 4 + 2], c) << "row " << row;
	EXPECT_FLOAT_EQ(m[row * 4 + 3], d) << "row " << row;
}

TEST(BuildFrameMatrix, AxesAndTranslationAsRows)
{
	const core::matrix4 m = buildFrameMatrix(vector3df(1, 0, 0), vector3df(0, 1, 0), vector3df(5, 6, 7));
	expectRow(m, 0, 1, 0, 0, 0);
	expectRow(m, 1, 0, 1, 0, 0);
	expectRow(m, 2, 0, 0, 1, 0);
	expectRow(m, 3, 5, 6, 7, 1);
	// A local point (a, b, c) lands on position + a*f + b*p + c*s.
	vector3df out;
	m.transformVect(out, vector3df(1, 2, 3));
	EXPECT_EQ(out, vector3df(6, 8, 10));
}

TEST(BuildFrameMatrix, ForwardIsKeptUnnormalisedAndOnlyTheReferenceDirectionCounts)
{
	const core::matrix4 m = buildFrameMatrix(vector3df(0, 0, 2), vector3df(0, 1, 0), vector3df(0, 0, 0));
	expectRow(m, 0, 0, 0, 2, 0);
	expectRow(m, 1, 0, 1, 0, 0);
	expectRow(m, 2, -1, 0, 0, 0);
	expectRow(m, 3, 0, 0, 0, 1);

	const core::matrix4 longer = buildFrameMatrix(vector3df(0, 0, 2), vector3df(0, 3, 0), vector3df(0, 0, 0));
	for (int i = 4; i < 12; ++i)
		EXPECT_FLOAT_EQ(longer[i], m[i]);
}

TEST(BuildFrameMatrix, ReferenceAlongForwardGivesZeroAxes)
{
	const core::matrix4 m = buildFrameMatrix(vector3df(0, 0, 1), vector3df(0, 0, 1), vector3df(1, 2, 3));
	expectRow(m, 1, 0, 0, 0, 0);
	expectRow(m, 2, 0, 0, 0, 0);
	expectRow(m, 3, 1, 2, 3, 1);
}

TEST(PerpendicularAxis, KeepsOnlyThePartAcrossTheDirection)
{
	EXPECT_EQ(perpendicularAxis(vector3df(1, 0, 0), vector3df(5, 0, 2)), vector3df(0, 0, 1));
	EXPECT_EQ(perpendicularAxis(vector3df(1, 0, 0), vector3df(0, 0, 0)), vector3df(0, 0, 0));
	EXPECT_EQ(normalizeVector(vector3df(0, 0, 0)), vector3df(0, 0, 0));
}
