// The workspace's lifecycle, the settings the panel's widgets hand over, and the key table.
#include "workspace/App.h"
#include "document/DocumentKeeper.h"
#include "stroke/StrokeNode.h"
#include "workspace/Command.h"

using namespace irr;

App::App()
	: BackdropColor(0xFF000000), FrameDelta(0.f), Camera(nullptr), SceneManager(nullptr), LastPointer(0, 0),
	  Navigating(false), AnchorNode(nullptr), SnapToSurface(false), CurrentStroke(nullptr),
	  HighlightedStroke(nullptr), Drawing(false), BrushColor(0xFF404080), BrushRadius(1.f), BrushThickness(1.f),
	  DrawMarker(nullptr), EraseMarker(nullptr), ActiveMarker(nullptr), PointerOverPanel(false), PressedButton(-1),
	  OrbitYaw(0.f), OrbitPitch(0.f), DrawingRoot(nullptr), Twisting(false), HoveredStroke(nullptr),
	  AltDown(false), CtrlDown(false), ShiftDown(false), HistoryLimit(10), Tool(0), Erasing(false),
	  RecordingGif(false), RecordingButton(-1), GifRecordingEnded(false),
	  GifFramesCaptured(0), TurntableFrame(-1), AnchorWasVisible(false), MarkerWasVisible(false), GifWriter(nullptr),
	  PickingColor(false), ColorCandidate(nullptr), EraseStepOpen(false),
	  Revision(0), Documents(nullptr), Smoothing(0.f), PenTouching(false), PenEraser(false), StrokeFromPen(false),
	  StrokePressure(1.f)
{
}

App::~App()
{
	// The scene graph is gone by now, except strokes still referenced by the history:
	// deleting the commands gives those last references back.
	for (u32 i = 0; i < UndoList.size(); ++i)
		delete UndoList[i];
	for (u32 i = 0; i < RedoList.size(); ++i)
		delete RedoList[i];
	releaseGifWriter();
}

// Anchor and markers draw unlit and see-through by their vertex alpha.
static void makeTranslucentUnlit(scene::IMeshSceneNode* node)
{
	node->getMaterial(0).Lighting = false;
	for (u32 i = 0; i < node->getMaterialCount(); ++i)
		node->getMaterial(i).MaterialType = video::EMT_TRANSPARENT_VERTEX_ALPHA;
}

void App::init(scene::ISceneManager* sceneManager, scene::ICameraSceneNode* camera)
{
	Camera = camera;
	SceneManager = sceneManager;
	scene::ISceneNode* root = sceneManager->getRootSceneNode();
	const core::vector3df origin(0.f, 0.f, 0.f), noRotation(0.f, 0.f, 0.f), unitScale(1.f, 1.f, 1.f);

	// All nodes below are owned by the scene graph; the workspace keeps plain pointers.
	DrawingRoot = sceneManager->addDummyTransformationSceneNode(root, -1);
	AnchorNode = sceneManager->addCubeSceneNode(1.f, root, -1, origin, noRotation, unitScale);
	makeTranslucentUnlit(AnchorNode);
	DrawMarker = sceneManager->addSphereSceneNode(1.f, 16, root, -1, origin, noRotation, unitScale);
	makeTranslucentUnlit(DrawMarker);
	EraseMarker = sceneManager->addCubeSceneNode(1.f, root, -1, origin, noRotation, unitScale);
	makeTranslucentUnlit(EraseMarker);

	scene::IMeshManipulator* manipulator = sceneManager->getMeshManipulator();
	manipulator->setVertexColors(AnchorNode->getMesh(), NEUTRAL_PREVIEW_COLOR);
	manipulator->setVertexColors(DrawMarker->getMesh(), NEUTRAL_PREVIEW_COLOR);
	manipulator->setVertexColors(EraseMarker->getMesh(), NEUTRAL_PREVIEW_COLOR);

	// Only strokes shown in the lit display mode use the light.
	scene::ILightSceneNode* light =
		sceneManager->addLightSceneNode(nullptr, origin, video::SColorf(1.f, 1.f, 1.f, 1.f), 100.f, -1);
	light->setLightType(video::ELT_DIRECTIONAL);
	light->setPosition(core::vector3df(0.f, 0.f, 1.f));

	setTool(0);
}

void App::setBackdropColor(video::SColor color)
{
	BackdropColor = color;
}

void App::setBrushColor(video::SColor color)
{
	BrushColor = color;
	// Over the panel the marker keeps its neutral preview colour.
	if (!PointerOverPanel)
		SceneManager->getMeshManipulator()->setVertexColors(DrawMarker->getMesh(), color);
}

void App::setBrushSize(f32 radius, f32 thickness)
{
	BrushRadius = radius;
	BrushThickness = thickness;
	DrawMarker->setScale(core::vector3df(radius, radius * thickness, radius));
}

void App::setTool(s32 tool)
{
	Tool = tool;
	showTool();
}

s32 App::activeTool() const
{
	return PenEraser ? 1 : Tool;
}

void App::setSmoothing(f32 pixels)
{
	Smoothing = pixels;
}

void App::showTool()
{
	DrawMarker->setVisible(false);
	EraseMarker->setVisible(false);
	AnchorNode->setVisible(false);
	if (activeTool() == 0)
	{
		ActiveMarker = DrawMarker;
		AnchorNode->updateAbsolutePosition();
		DrawMarker->setPosition(AnchorNode->getAbsolutePosition());
		AnchorNode->setVisible(true);
		DrawMarker->setVisible(true);
	}
	else
	{
		// The erase brush shows no marker: the highlight shows what a press would erase.
		ActiveMarker = EraseMarker;
	}
	clearHighlight();
}

void App::showAnchorForTool()
{
	if (activeTool() == 0)
		AnchorNode->setVisible(true);
}

void App::setStrokeDisplayMode(s32 mode)
{
	for (u32 i = 0; i < Strokes.size(); ++i)
		Strokes[i]->setDisplayMode(mode);
}

void App::onKeyDown(s32 key)
{
	if (key == KEY_LMENU)
	{
		// A draw or erase drag cannot go on under navigation: keep what was drawn so far.
		if (Drawing)
		{
			commitStroke();
			Drawing = false;
		}
		Erasing = false;
		AltDown = true;
		Navigating = true;
		ActiveMarker->setVisible(false);
		return;
	}
	if (key == KEY_LCONTROL)
	{
		CtrlDown = true;
		SnapToSurface = true;
		return;
	}
	if (key == KEY_LSHIFT)
		ShiftDown = true;

	if (Navigating)
	{
		if (key == KEY_LSHIFT)
		{
			Twisting = true;
			AnchorNode->setVisible(false);
		}
		return;
	}

	switch (key)
	{
	case KEY_KEY_F:
		focusOnAnchor();
		break;
	case KEY_KEY_1:
		setStrokeDisplayMode(1);
		break;
	case KEY_KEY_2:
		setStrokeDisplayMode(2);
		break;
	case KEY_KEY_Z:
		if (CtrlDown && !AltDown)
		{
			if (ShiftDown)
				redo();
			else
				undo();
		}
		break;
	case KEY_KEY_S:
		if (CtrlDown && Documents)
			Documents->save();
		break;
	case KEY_KEY_O:
		if (CtrlDown && Documents)
			Documents->chooseFile();
		break;
	case KEY_ESCAPE:
		if (Documents)
			Documents->closeFileList();
		break;
	case KEY_OEM_6: // "]"
		dolly(10.f);
		break;
	case KEY_OEM_4: // "["
		dolly(-10.f);
		break;
	default:
		break;
	}
}

void App::onKeyUp(s32 key)
{
	switch (key)
	{
	case KEY_LMENU:
		AltDown = false;
		// The erase brush shows no marker.
		if (Navigating && activeTool() == 0)
			ActiveMarker->setVisible(true);
		Navigating = false;
		if (Twisting)
			showAnchorForTool();
		Twisting = false;
		break;
	case KEY_LCONTROL:
		CtrlDown = false;
		SnapToSurface = false;
		break;
	case KEY_LSHIFT:
		ShiftDown = false;
		if (Twisting)
			showAnchorForTool();
		Twisting = false;
		break;
	case KEY_KEY_1:
	case KEY_KEY_2:
		setStrokeDisplayMode(0);
		break;
	default:
		break;
	}
}
