// Undo and redo: the two command lists. Changes only ever show or hide strokes. One undo
// step is one command, or the run of commands joined to it (the strokes of one erase drag).
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
	clearRedo();
	Command* command = new Command();
	command->Kind = ECK_ADD_STROKE;
	command->Stroke = CurrentStroke;
	command->grabStroke();
	pushUndo(command);
	++Revision;
}

void App::recordErase()
{
	clearRedo();
	Command* command = new Command();
	command->Kind = ECK_ERASE_STROKE;
	command->Stroke = HoveredStroke;
	command->grabStroke();
	// Every stroke one erase drag takes is undone and redone with the first.
	command->JoinsPrevious = EraseStepOpen && !UndoList.empty();
	EraseStepOpen = true;
	pushUndo(command);
	++Revision;
}

void App::pushUndo(Command* command)
{
	UndoList.push_front(command);
	// A step trimmed from the history is final: its strokes keep their visibility.
	if (countSteps(UndoList) > HistoryLimit)
	{
		// The oldest step is its first command (last in the list) and the ones joined to it.
		do
		{
			delete UndoList.getLast();
			UndoList.erase(UndoList.size() - 1);
		} while (!UndoList.empty() && UndoList.getLast()->JoinsPrevious);
	}
	// After the new command holds its stroke, so that only strokes no command holds go.
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
	if (UndoList.empty())
		return;
	bool joined = true;
	while (joined && !UndoList.empty())
	{
		Command* command = UndoList[0];
		joined = command->JoinsPrevious;
		command->revert();
		UndoList.erase(0);
		RedoList.push_front(command);
	}
	++Revision;
}

void App::redo()
{
	EraseStepOpen = false;
	if (RedoList.empty())
		return;
	// The step's first command is on top of the redo list, the ones joined to it below.
	do
	{
		Command* command = RedoList[0];
		command->apply();
		RedoList.erase(0);
		pushUndo(command);
	} while (!RedoList.empty() && RedoList[0]->JoinsPrevious);
	++Revision;
}
