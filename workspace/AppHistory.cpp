// Undo and redo: the two command lists. Changes only ever show or hide strokes.
#include "workspace/App.h"
#include "workspace/Command.h"

using namespace irr;

void App::recordAdd()
{
	clearRedo();
	Command* command = new Command();
	command->Kind = ECK_ADD_STROKE;
	command->Stroke = CurrentStroke;
	command->grabStroke();
	pushUndo(command);
}

void App::recordErase()
{
	clearRedo();
	Command* command = new Command();
	command->Kind = ECK_ERASE_STROKE;
	command->Stroke = HoveredStroke;
	command->grabStroke();
	pushUndo(command);
}

void App::pushUndo(Command* command)
{
	UndoList.push_front(command);
	// A change trimmed from the history is final: its stroke keeps its visibility.
	if ((s32)UndoList.size() > HistoryLimit)
	{
		delete UndoList.getLast();
		UndoList.erase(UndoList.size() - 1);
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
	if (UndoList.empty())
		return;
	Command* command = UndoList[0];
	command->revert();
	UndoList.erase(0);
	RedoList.push_front(command);
}

void App::redo()
{
	if (RedoList.empty())
		return;
	Command* command = RedoList[0];
	command->apply();
	RedoList.erase(0);
	pushUndo(command);
}
