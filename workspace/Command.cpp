#include "workspace/Command.h"
#include "stroke/StrokeNode.h"

Command::Command()
	: Kind(ECK_NONE), Stroke(nullptr), JoinsPrevious(false)
{
}

Command::Command(irr::s32 kind, StrokeNode* stroke)
	: Kind(kind), Stroke(stroke), JoinsPrevious(false)
{
	grabStroke();
}

Command::~Command()
{
	if (Stroke)
		Stroke->drop();
}

void Command::grabStroke()
{
	if (Stroke)
		Stroke->grab();
}

void Command::apply()
{
	if (Kind == ECK_ADD_STROKE)
		Stroke->setVisible(true);
	else if (Kind == ECK_ERASE_STROKE)
		Stroke->setVisible(false);
	else if (Kind == ECK_PLACE_STROKE)
		Stroke->setPlacement(After);
}

void Command::revert()
{
	if (Kind == ECK_ADD_STROKE)
		Stroke->setVisible(false);
	else if (Kind == ECK_ERASE_STROKE)
		Stroke->setVisible(true);
	else if (Kind == ECK_PLACE_STROKE)
		Stroke->setPlacement(Before);
}
