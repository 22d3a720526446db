// Giving back strokes that can never come back: hidden, and held by no command.
#include "stroke/StrokeNode.h"
#include "workspace/App.h"

using namespace irr;

void App::freeForgottenStrokes()
{
	// Each command holds one reference on its stroke and the drawing root holds the other,
	// so a hidden stroke with one reference left has dropped out of the history for good.
	u32 kept = 0;
	for (u32 i = 0; i < Strokes.size(); ++i)
	{
		StrokeNode* stroke = Strokes[i];
		if (stroke->isVisible() || stroke->getReferenceCount() > 1)
		{
			Strokes[kept++] = stroke;
			continue;
		}
		if (HoveredStroke == stroke)
			HoveredStroke = nullptr;
		if (HighlightedStroke == stroke)
			HighlightedStroke = nullptr;
		if (CurrentStroke == stroke)
			CurrentStroke = nullptr;
		if (ColorCandidate == stroke)
			ColorCandidate = nullptr;
		stroke->remove(); // the drawing root's reference was the last: the node is deleted
	}
	Strokes.set_used(kept);
}
