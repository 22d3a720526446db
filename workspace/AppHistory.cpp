// Undo and redo: the two command lists. Changes show or hide strokes, or place them anew.
// One undo step is one command, or the run of commands joined to it (the strokes of one
// erase drag, a stroke and its mirror twin, the strokes one move or delete takes).
#include "workspace/App.h"
#include "workspace/Command.h"

using namespace irr;

// Number of undo steps in a newest-first list: the commands that join no earlier one.
static s32 countSteps(const core::array<Command*>& list)
{
	s32 steps = 0;
	for (u32 i = 0; i < list.size(); ++i)
		if (!list[i]->JoinsPrevious)
			++steps;
	return steps;
}

void App::recordAdd()
{
	// A stroke drawn with the mirror on comes with its twin, in the same step.
	std::vector<Command*> step{new Command(ECK_ADD_STROKE, CurrentStroke)};
	if (CurrentTwin)
		step.push_back(new Command(ECK_ADD_STROKE, CurrentTwin));
	recordStep(step);
}

void App::recordErase()
{
	clearRedo();
	Command* command = new Command(ECK_ERASE_STROKE, HoveredStroke);
	// Every stroke one erase drag takes is undone and redone with the first.
	command->JoinsPrevious = EraseStepOpen && !UndoList.empty();
	EraseStepOpen = true;
	pushUndo(command);
	++Revision;
}

void App::recordStep(const std::vector<Command*>& step)
{
	clearRedo();
	pushStep(step);
	++Revision;
}

void App::pushUndo(Command* command)
{
	pushStep(std::vector<Command*>{command});
}

void App::pushStep(const std::vector<Command*>& step)
{
	// Newest first: the last command of the step goes to the front, each joined to the one
	// before it; the first keeps its own JoinsPrevious (an erase drag's later erases join).
	core::array<Command*> list;
	list.reallocate((u32)step.size() + UndoList.size());
	for (size_t i = step.size(); i-- > 0;)
	{
		if (i > 0)
			step[i]->JoinsPrevious = true;
		list.push_back(step[i]);
	}
	for (u32 i = 0; i < UndoList.size(); ++i)
		list.push_back(UndoList[i]);
	UndoList.swap(list);
	// A step trimmed from the history is final: its strokes keep their visibility and place.
	if (countSteps(UndoList) > HistoryLimit)
	{
		// The oldest step is its first command (last in the list) and the ones joined to it.
		do
		{
			delete UndoList.getLast();
			UndoList.erase(UndoList.size() - 1);
		} while (!UndoList.empty() && UndoList.getLast()->JoinsPrevious);
	}
	// After the new commands hold their strokes, so that only strokes no command holds go.
	freeForgottenStrokes();
}

void App::clearRedo()
{
	for (u32 i = 0; i < RedoList.size(); ++i)
		delete RedoList[i];
	RedoList.clear();
}

void App::undo()
{
	// A step undone in the middle of an erase drag is closed: later erases start a new one.
	EraseStepOpen = false;
	// A move under way goes back to where it began: what the user undoes first.
	cancelSelectGesture();
	if (UndoList.empty())
		return;
	// The step at the front: its joined commands (newest first), then its first command.
	u32 length = 1;
	while (length < UndoList.size() && UndoList[length - 1]->JoinsPrevious)
		++length;
	core::array<Command*> redo;
	redo.reallocate(length + RedoList.size());
	for (u32 i = 0; i < length; ++i)
		UndoList[i]->revert();
	// On the redo list the step reads the other way round: its first command on top.
	for (u32 i = length; i-- > 0;)
		redo.push_back(UndoList[i]);
	for (u32 i = 0; i < RedoList.size(); ++i)
		redo.push_back(RedoList[i]);
	RedoList.swap(redo);
	UndoList.erase(0, (s32)length);
	dropHiddenFromSelection();
	++Revision;
}

void App::redo()
{
	EraseStepOpen = false;
	cancelSelectGesture();
	if (RedoList.empty())
		return;
	// The step's first command is on top of the redo list, the ones joined to it below.
	std::vector<Command*> step;
	do
		step.push_back(RedoList[(u32)step.size()]);
	while (step.size() < RedoList.size() && RedoList[(u32)step.size()]->JoinsPrevious);
	for (Command* command : step)
		command->apply();
	RedoList.erase(0, (s32)step.size());
	pushStep(step);
	dropHiddenFromSelection();
	++Revision;
}
