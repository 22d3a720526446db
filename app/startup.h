// The program's start-up scene: the camera, and the workspace wired to the side panel and the
// event receiver. main sets the window up with it, and so do the benchmarks that measure the
// real window.
#pragma once
#include <irrlicht.h>

class App;
class EventReceiver;
class UIPanel;

//! The start-up camera: at (100, 0, 0) looking at the origin with Y up, near 50, far 1000.
irr::scene::ICameraSceneNode* addStartCamera(irr::scene::ISceneManager* smgr);

//! Adds the side panel (the GUI root owns it) and the start-up camera, starts the workspace
//! in the device's scene and wires both to receiver, whose settings it then takes from the
//! panel. Returns the panel.
UIPanel* startWorkspace(irr::IrrlichtDevice* device, App& app, EventReceiver& receiver);
