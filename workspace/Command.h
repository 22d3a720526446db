// One undoable change of the drawing: a stroke added or erased.
#pragma once
#include <irrlicht.h>

class StrokeNode;

enum E_COMMAND_KIND
{
	ECK_NONE = 0,
	ECK_ADD_STROKE = 1,
	ECK_ERASE_STROKE = 2
};

//! Owned by whichever history list holds it; holds one engine reference on its stroke.
struct Command
{
	Command();
	~Command();
	Command(const Command&) = delete;
	Command& operator=(const Command&) = delete;

	//! Takes the engine reference on Stroke that the destructor gives back.
	void grabStroke();
	//! Re-does the change: shows an added stroke, hides an erased one.
	void apply();
	//! Undoes the change: hides an added stroke, shows an erased one.
	void revert();

	irr::s32 Kind;
	StrokeNode* Stroke;
	//! Part of one undo step with the command recorded before it (the strokes of one erase
	//! drag): undo, redo and the history limit take the step as a whole.
	bool JoinsPrevious;
};
