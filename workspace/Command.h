// One undoable change of the drawing: a stroke added, erased or placed anew.
#pragma once
#include <irrlicht.h>

class StrokeNode;

enum E_COMMAND_KIND
{
	ECK_NONE = 0,
	ECK_ADD_STROKE = 1,
	ECK_ERASE_STROKE = 2,
	//! The stroke moved, turned or scaled: its placement went from Before to After.
	ECK_PLACE_STROKE = 3
};

//! Owned by whichever history list holds it; holds one engine reference on its stroke.
struct Command
{
	Command();
	//! A command of the kind on stroke, holding its reference already.
	Command(irr::s32 kind, StrokeNode* stroke);
	~Command();
	Command(const Command&) = delete;
	Command& operator=(const Command&) = delete;

	//! Takes the engine reference on Stroke that the destructor gives back.
	void grabStroke();
	//! Re-does the change: shows an added stroke, hides an erased one, places a placed one
	//! at After.
	void apply();
	//! Undoes the change: hides an added stroke, shows an erased one, places a placed one
	//! back at Before.
	void revert();

	irr::s32 Kind;
	StrokeNode* Stroke;
	//! Part of one undo step with the command recorded before it (the strokes of one erase
	//! drag, a stroke and its mirror twin, the strokes of one move): undo, redo and the
	//! history limit take the step as a whole.
	bool JoinsPrevious;
	//! The placements of ECK_PLACE_STROKE.
	irr::core::matrix4 Before;
	irr::core::matrix4 After;
};
