// Random pointer and key input through the engine device, so that the panel's widgets take
// part as they do in the program, checked after every event against a model of the drawing
// and its history.
#include "Fixture.h"
#include "stroke/StrokeNode.h"
#include "ui/UIBrushEditor.h"
#include "ui/UIColorPicker.h"
#include "ui/UIPanel.h"
#include "workspace/Command.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace irr;

namespace
{
// A command as it was seen: the model never reads a command that may have been deleted since.
struct Entry
{
	Command* C;
	s32 Kind;
	StrokeNode* Stroke;
	bool Joins;
	bool operator==(const Entry& e) const { return C == e.C && Kind == e.Kind && Stroke == e.Stroke && Joins == e.Joins; }
};
typedef std::vector<Entry> Commands;
typedef std::map<StrokeNode*, bool> Visibility;

Commands listOf(const core::array<Command*>& list)
{
	Commands copy;
	for (u32 i = 0; i < list.size(); ++i)
		copy.push_back(Entry{list[i], list[i]->Kind, list[i]->Stroke, list[i]->JoinsPrevious});
	return copy;
}

// Undo steps in a newest-first list: the commands that join no earlier one.
int stepsOf(const Commands& list)
{
	return (int)std::count_if(list.begin(), list.end(), [](const Entry& e) { return !e.Joins; });
}

// Length of the step at the front of a newest-first undo list (its joined commands, then its first).
size_t undoStepLength(const Commands& list)
{
	size_t n = 0;
	while (n < list.size() && list[n].Joins)
		++n;
	return n < list.size() ? n + 1 : 0;
}

// Length of the step at the front of a redo list (its first command, then the joined ones).
size_t redoStepLength(const Commands& list)
{
	if (list.empty() || list[0].Joins)
		return 0;
	size_t n = 1;
	while (n < list.size() && list[n].Joins)
		++n;
	return n;
}

// Visibility a command leaves its stroke with when applied (done) or reverted (undone); a
// placement keeps it.
void expectVisibility(const Entry& e, bool applied, Visibility* expected)
{
	if (e.Kind != ECK_PLACE_STROKE)
		(*expected)[e.Stroke] = (e.Kind == ECK_ADD_STROKE) == applied;
}

bool finite(const core::matrix4& m)
{
	for (int i = 0; i < 16; ++i)
		if (!std::isfinite(m[i]))
			return false;
	return true;
}

bool finite(const core::vector3df& v)
{
	return std::isfinite(v.X) && std::isfinite(v.Y) && std::isfinite(v.Z);
}
}

class InputFuzzTest : public WorkspaceTest
{
protected:
	void SetUp() override
	{
		// Recordings write "vantrel.gif" into the working directory: use a fresh one.
		char pattern[] = "/tmp/vantrel-fuzz-XXXXXX";
		ASSERT_NE(mkdtemp(pattern), nullptr);
		Directory = pattern;
		ASSERT_NE(getcwd(Previous, sizeof(Previous)), nullptr);
		ASSERT_EQ(chdir(Directory.c_str()), 0);
		WorkspaceTest::SetUp();
		gui::IGUIEnvironment* env = Device->getGUIEnvironment();
		Panel = new UIPanel(env, env->getRootGUIElement(), 0);
		Panel->drop(); // the GUI root owns it
		Receiver.Panel = Panel;
		Receiver.syncSettings();
		remember();
	}
	void TearDown() override
	{
		WorkspaceTest::TearDown();
		ASSERT_EQ(chdir(Previous), 0);
		std::remove((Directory + "/vantrel.gif").c_str());
		rmdir(Directory.c_str());
	}

	void remember()
	{
		Undo = listOf(Application->UndoList);
		Redo = listOf(Application->RedoList);
		Visible.clear();
		for (u32 i = 0; i < Application->Strokes.size(); ++i)
			Visible[Application->Strokes[i]] = Application->Strokes[i]->isVisible();
	}

	bool heldByACommand(StrokeNode* s, const Commands& a, const Commands& b) const
	{
		const auto holds = [s](const Entry& e) { return e.Stroke == s; };
		return std::any_of(a.begin(), a.end(), holds) || std::any_of(b.begin(), b.end(), holds);
	}

	// The stroke visibility that one legal move of the history gives, or false if the lists
	// did not change by one. A move: nothing; a new change recorded (the redo list emptied,
	// whole oldest steps trimmed to the limit); one step undone; one step redone.
	bool explainHistory(const Commands& undo, const Commands& redo, Visibility* expected, std::string* move)
	{
		const s32 limit = Application->HistoryLimit;
		// Whether list is front followed by the first kept commands of older, cut at a step's
		// end so that steps stay whole and their number is the limit when it was exceeded.
		const auto keepsOlder = [&](const Commands& list, size_t front, const Commands& older) {
			const size_t kept = list.size() - front;
			if (kept > older.size() || !std::equal(list.begin() + front, list.end(), older.begin()))
				return false;
			if (!list.empty() && list.back().Joins)
				return false;
			const int steps = stepsOf(Commands(list.begin(), list.begin() + front)) + stepsOf(older);
			return stepsOf(list) == std::min(steps, (int)limit);
		};
		if (undo == Undo && redo == Redo)
		{
			*move = "none";
			return true;
		}
		// Undo of the step at the front.
		const size_t u = undoStepLength(Undo);
		if (u && undo.size() + u == Undo.size() && std::equal(undo.begin(), undo.end(), Undo.begin() + u)
			&& redo.size() == Redo.size() + u && std::equal(Redo.begin(), Redo.end(), redo.begin() + u)
			&& std::equal(redo.begin(), redo.begin() + u, Undo.rend() - u))
		{
			for (size_t i = 0; i < u; ++i)
			{
				expectVisibility(Undo[i], false, expected);
				if (Undo[i].Kind == ECK_PLACE_STROKE)
					PlacedAt[Undo[i].Stroke] = Undo[i].C->Before;
			}
			*move = "undo";
			return true;
		}
		// Redo of the step at the front of the redo list.
		const size_t r = redoStepLength(Redo);
		if (r && redo.size() + r == Redo.size() && std::equal(redo.begin(), redo.end(), Redo.begin() + r)
			&& undo.size() >= r && std::equal(undo.begin(), undo.begin() + r, Redo.rend() - r)
			&& keepsOlder(undo, r, Undo))
		{
			for (size_t i = 0; i < r; ++i)
			{
				expectVisibility(Redo[i], true, expected);
				if (Redo[i].Kind == ECK_PLACE_STROKE)
					PlacedAt[Redo[i].Stroke] = Redo[i].C->After;
			}
			*move = "redo";
			return true;
		}
		// A change recorded: one new step in front (its later commands joined to its first, all
		// of one kind: a stroke and its twin, what one move, delete or duplicate took), the
		// redo list gone.
		size_t k = 0;
		while (k < undo.size()
			&& std::none_of(Undo.begin(), Undo.end(), [&](const Entry& e) { return e.C == undo[k].C; }))
			++k;
		if (k > 0 && redo.empty() && keepsOlder(undo, k, Undo))
		{
			for (size_t i = 0; i < k; ++i)
			{
				const Entry& c = undo[i];
				if (c.Kind != undo[0].Kind || (i + 1 < k && !c.Joins))
					return false;
				if (c.Kind == ECK_ADD_STROKE && Visible.count(c.Stroke))
					return false; // an add is for a new stroke
				expectVisibility(c, true, expected);
				if (c.Kind == ECK_PLACE_STROKE)
					PlacedAt[c.Stroke] = c.C->After;
			}
			if (undo[k - 1].Joins && (Undo.empty() || Undo[0].Kind != ECK_ERASE_STROKE || undo[0].Kind != ECK_ERASE_STROKE))
				return false; // only an erase joins an earlier step, and only an erase
			*move = "record";
			return true;
		}
		return false;
	}

	void checkInvariants(int step, const char* event)
	{
		std::ostringstream where;
		where << "step " << step << " (" << event << ")";
		SCOPED_TRACE(where.str());
		const Commands undo = listOf(Application->UndoList), redo = listOf(Application->RedoList);
		ASSERT_LE(stepsOf(undo), Application->HistoryLimit);

		// Strokes: each once; the commands' strokes are all in the drawing.
		std::map<StrokeNode*, int> references;
		for (u32 i = 0; i < Application->Strokes.size(); ++i)
			ASSERT_TRUE(references.emplace(Application->Strokes[i], 0).second) << "a stroke twice";
		for (const Commands* list : {&undo, &redo})
			for (const Entry& c : *list)
			{
				ASSERT_TRUE(c.Kind == ECK_ADD_STROKE || c.Kind == ECK_ERASE_STROKE || c.Kind == ECK_PLACE_STROKE);
				ASSERT_TRUE(references.count(c.Stroke)) << "a command's stroke left the drawing";
				++references[c.Stroke];
			}
		std::vector<Command*> all;
		for (const Commands* list : {&undo, &redo})
			for (const Entry& c : *list)
				all.push_back(c.C);
		std::sort(all.begin(), all.end());
		ASSERT_TRUE(std::adjacent_find(all.begin(), all.end()) == all.end()) << "a command in two places";
		ASSERT_TRUE(undo.empty() || !undo.back().Joins) << "an undo step cut in two";
		ASSERT_TRUE(redo.empty() || !redo[0].Joins) << "a redo step cut in two";

		// The drawing root and each command hold one engine reference on a stroke.
		for (const auto& entry : references)
			ASSERT_EQ(entry.first->getReferenceCount(), 1 + entry.second) << "reference count";

		// One legal move between the lists, and only its strokes change visibility. A stroke
		// that is in neither the drawing nor a command is gone.
		Visibility expected;
		for (const auto& entry : Visible)
			if (references.count(entry.first))
				expected[entry.first] = entry.second;
		std::string move;
		PlacedAt.clear();
		ASSERT_TRUE(explainHistory(undo, redo, &expected, &move)) << "the lists did not change by one legal move";
		for (const auto& entry : references)
		{
			ASSERT_TRUE(expected.count(entry.first)) << "a stroke appeared without its add command (" << move << ")";
			ASSERT_EQ(entry.first->isVisible(), expected[entry.first]) << "visibility after " << move;
		}
		for (const auto& entry : PlacedAt)
			ASSERT_EQ(entry.first->getPlacement(), entry.second) << "placement after " << move;

		// The selection: visible strokes of the drawing, marked, each once, only with the
		// select tool; every stroke within its size range.
		std::set<StrokeNode*> selected(Application->Selection.begin(), Application->Selection.end());
		ASSERT_EQ(selected.size(), Application->Selection.size()) << "a stroke selected twice";
		ASSERT_TRUE(selected.empty() || Application->Tool == TOOL_SELECT) << "a selection without the select tool";
		for (const auto& entry : references)
		{
			StrokeNode* s = entry.first;
			ASSERT_EQ(s->isSelected(), selected.count(s) == 1) << "marking and selection differ";
			ASSERT_TRUE(!s->isSelected() || s->isVisible()) << "a hidden stroke selected";
			ASSERT_TRUE(finite(s->getPlacement()));
			const f32 scale = s->getPlacement().getScale().X;
			ASSERT_TRUE(scale > 0.0099f && scale < 100.01f) << "scale " << scale;
		}

		// Pointers to live nodes.
		const core::list<scene::ISceneNode*>& children = Application->DrawingRoot->getChildren();
		const auto live = [&](StrokeNode* s) {
			if (!s)
				return true;
			for (core::list<scene::ISceneNode*>::ConstIterator it = children.begin(); it != children.end(); ++it)
				if (*it == s)
					return true;
			return false;
		};
		ASSERT_TRUE(live(Application->CurrentStroke));
		ASSERT_TRUE(live(Application->HoveredStroke));
		ASSERT_TRUE(live(Application->HighlightedStroke));
		ASSERT_TRUE(live(Application->ColorCandidate));
		ASSERT_TRUE(live(Application->CurrentTwin));
		ASSERT_TRUE(live(Application->GestureStroke));
		for (StrokeNode* s : Application->Selection)
			ASSERT_TRUE(references.count(s)) << "a selected stroke outside the drawing";
		ASSERT_EQ(Application->ActiveMarker, Application->Tool == 0 ? Application->DrawMarker : Application->EraseMarker);
		// A draw or erase drag runs only while the button that began it is held.
		ASSERT_TRUE(!(Application->Drawing || Application->Erasing) || Receiver.ButtonHeld) << "a drag outlived its button";

		// The camera: finite and off its target, with a finite view.
		const core::vector3df position = Camera->getPosition(), target = Camera->getTarget();
		ASSERT_TRUE(finite(position) && finite(target) && finite(Camera->getUpVector()));
		ASSERT_GT((position - target).getLengthSQ(), 0.f) << "the camera is on its target";
		core::matrix4 view;
		view.buildCameraLookAtMatrixLH(position, target, Camera->getUpVector());
		ASSERT_TRUE(finite(view));

		// WorldToDrawing: finite, rigid, and the inverse of the drawing root's transformation.
		const core::matrix4& w = Application->WorldToDrawing;
		ASSERT_TRUE(finite(w));
		for (int a = 0; a < 3; ++a)
			for (int b = 0; b < 3; ++b)
			{
				const f32 dot = w[a * 4] * w[b * 4] + w[a * 4 + 1] * w[b * 4 + 1] + w[a * 4 + 2] * w[b * 4 + 2];
				ASSERT_NEAR(dot, a == b ? 1.f : 0.f, 1e-3f) << "WorldToDrawing is not rigid";
			}
		const core::matrix4 product = w * Application->DrawingRoot->getAbsoluteTransformation();
		for (int i = 0; i < 16; ++i)
			ASSERT_NEAR(product[i], (i % 5 == 0) ? 1.f : 0.f, 1e-2f) << "WorldToDrawing is not the inverse";

		remember();
	}

	std::string Directory;
	char Previous[4096];
	UIPanel* Panel = nullptr;
	Commands Undo, Redo;
	Visibility Visible;
	//! Placements the last move of the history must have given strokes.
	std::map<StrokeNode*, core::matrix4> PlacedAt;
};

TEST_F(InputFuzzTest, RandomInputKeepsTheDrawingAndItsHistorySound)
{
	std::mt19937 random(20261209);
	const auto chance = [&](int percent) { return (int)(random() % 100) < percent; };
	const EKEY_CODE keys[] = {KEY_LMENU, KEY_LSHIFT, KEY_LCONTROL, KEY_LCONTROL, KEY_KEY_Z, KEY_KEY_Z, KEY_KEY_Z,
		KEY_KEY_1, KEY_KEY_2, KEY_KEY_F, KEY_OEM_4, KEY_OEM_6, KEY_DELETE, KEY_KEY_D, KEY_KEY_M, KEY_PLUS, KEY_MINUS};
	const u32 keyCount = sizeof(keys) / sizeof(keys[0]);
	// Window points of the panel's widgets: tool buttons, the mirror button, "PickColor",
	// "SetBackdrop", hue bar, colour box, alpha bar, radius and thickness bars, "RecordGif".
	const core::position2di widgets[] = {{15, 250}, {15, 250}, {15, 250}, {40, 250}, {65, 250}, {65, 250}, {90, 250},
		{55, 167}, {55, 147}, {97, 60}, {40, 40}, {40, 130}, {50, 200}, {50, 230}, {55, 585}};
	const u32 widgetCount = sizeof(widgets) / sizeof(widgets[0]);
	const EMOUSE_INPUT_EVENT presses[] = {EMIE_LMOUSE_PRESSED_DOWN, EMIE_RMOUSE_PRESSED_DOWN, EMIE_MMOUSE_PRESSED_DOWN};
	const u32 buttonBits[] = {EMBSM_LEFT, EMBSM_RIGHT, EMBSM_MIDDLE};
	u32 buttons = 0;
	std::set<EKEY_CODE> held;
	s32 x = 400, y = 300;
	bool focused = true;

	// A pointer event as the engine makes it: button states and the modifiers held.
	const auto pointer = [&](EMOUSE_INPUT_EVENT kind) {
		SEvent e = mouse(kind, x, y);
		e.MouseInput.ButtonStates = buttons;
		return e;
	};
	for (int step = 0; step < 20000; ++step)
	{
		const int kind = random() % 100;
		const char* what = "move";
		if (kind < 65)
		{
			// Long strides while a button is held, so that drags cross several strokes.
			const s32 stride = buttons ? 30 : 12;
			x += (s32)(random() % (2 * stride + 1)) - stride;
			y += (s32)(random() % (2 * stride + 1)) - stride;
			if (chance(2))
				x = (s32)(random() % 900) - 50; // jumps, also over the panel and outside the window
			if (chance(2))
			{
				x = 400; // the view's centre, where the camera's target is seen
				y = 300;
			}
			post(pointer(EMIE_MOUSE_MOVED));
		}
		else if (kind < 71)
		{
			const int b = chance(80) ? 0 : random() % 3;
			if (buttons & buttonBits[b])
			{
				what = "release";
				buttons &= ~buttonBits[b];
				post(pointer((EMOUSE_INPUT_EVENT)(presses[b] + 3)));
			}
			else
			{
				what = "press";
				buttons |= buttonBits[b];
				post(pointer(presses[b]));
			}
		}
		else if (kind < 73 && !buttons)
		{
			// A click on one of the panel's widgets.
			what = "widget click";
			const core::position2di widget = widgets[random() % widgetCount];
			x = widget.X;
			y = widget.Y;
			post(pointer(EMIE_MOUSE_MOVED));
			checkInvariants(step, "move to a widget");
			buttons = EMBSM_LEFT;
			post(pointer(EMIE_LMOUSE_PRESSED_DOWN));
			checkInvariants(step, "press on a widget");
			buttons = 0;
			post(pointer(EMIE_LMOUSE_LEFT_UP));
		}
		else if (kind < 75)
		{
			what = "wheel or double click";
			SEvent e = pointer(chance(50) ? EMIE_MOUSE_WHEEL : EMIE_LMOUSE_DOUBLE_CLICK);
			e.MouseInput.Wheel = chance(50) ? 1.f : -1.f;
			post(e);
		}
		else if (kind < 97)
		{
			what = "key";
			// Modifiers are held for a while; the others are tapped (held keys come up when chosen).
			EKEY_CODE code = keys[random() % keyCount];
			if (held.count(KEY_LMENU) && chance(30))
				code = KEY_LMENU;
			const bool down = !held.count(code);
			if (down)
				held.insert(code);
			else
				held.erase(code);
			if (!down && chance(10))
			{
				// The key-up goes to another window: only the modifier flags of later events tell.
				what = "lost key-up";
				if (code == KEY_LCONTROL)
				{
					ControlHeld = false;
				}
				else if (code == KEY_LSHIFT)
				{
					ShiftHeld = false;
				}
			}
			else
				post(key(code, down));
		}
		else if (kind < 98)
		{
			// A key the engine cannot name, handed over under its raw X key code.
			what = "raw key code";
			SEvent note;
			note.EventType = EET_LOG_TEXT_EVENT;
			note.LogEvent.Level = ELL_INFORMATION;
			note.LogEvent.Text = "Could not find EKEY_CODE, using orig. X11 keycode instead: 164";
			post(note);
			post(key(KEY_LMENU, chance(50)));
		}
		else
		{
			what = "frame";
			if (chance(20))
				focused = !focused;
			Receiver.followKeyboard(focused, -1);
			Receiver.beforeFrame(Device);
			// As the frame loop does: the panel comes back once a recording has ended.
			Application->updateRecording(Panel);
			drawFrame();
		}
		checkInvariants(step, what);
		if (HasFatalFailure())
			return;
	}
	EXPECT_GT(Application->Strokes.size(), 5u); // the run really drew
}
