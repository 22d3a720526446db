# The pen server of penserver.py: its pen and eraser as XInput 2 reports them, pen input
# arriving at the sub-pixel position and with the pressure sent, and the program opening its
# GLX window there and drawing with the pen, with xdotool's pointer and with xdotool's keys.
import ctypes
import ctypes.util
import math
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness as h  # noqa: E402
import penserver as ps  # noqa: E402

# ---------------------------------------------------------------------------------------
# XInput 2 queries through libXi (XInput2.h)

_XI_ALL_DEVICES = 0
_XI_MASTER_POINTER_ID = 2  # the virtual core pointer
_XI_SLAVE_POINTER = 3
_XI_BUTTON_CLASS = 1
_XI_VALUATOR_CLASS = 2


class _XIButtonState(ctypes.Structure):
	_fields_ = [("mask_len", ctypes.c_int), ("mask", ctypes.POINTER(ctypes.c_ubyte))]


class _XIModifierState(ctypes.Structure):
	_fields_ = [("base", ctypes.c_int), ("latched", ctypes.c_int), ("locked", ctypes.c_int),
		("effective", ctypes.c_int)]


class _XIAnyClassInfo(ctypes.Structure):
	_fields_ = [("type", ctypes.c_int), ("sourceid", ctypes.c_int)]


class _XIButtonClassInfo(ctypes.Structure):
	_fields_ = [("type", ctypes.c_int), ("sourceid", ctypes.c_int), ("num_buttons", ctypes.c_int),
		("labels", ctypes.POINTER(ctypes.c_ulong)), ("state", _XIButtonState)]


class _XIValuatorClassInfo(ctypes.Structure):
	_fields_ = [("type", ctypes.c_int), ("sourceid", ctypes.c_int), ("number", ctypes.c_int),
		("label", ctypes.c_ulong), ("min", ctypes.c_double), ("max", ctypes.c_double),
		("value", ctypes.c_double), ("resolution", ctypes.c_int), ("mode", ctypes.c_int)]


class _XIDeviceInfo(ctypes.Structure):
	_fields_ = [("deviceid", ctypes.c_int), ("name", ctypes.c_char_p), ("use", ctypes.c_int),
		("attachment", ctypes.c_int), ("enabled", ctypes.c_int), ("num_classes", ctypes.c_int),
		("classes", ctypes.POINTER(ctypes.POINTER(_XIAnyClassInfo)))]


def _pressed(state):
	"""The buttons set in an XIButtonState mask."""
	return {b for b in range(state.mask_len * 8) if state.mask[b // 8] & (1 << (b % 8))}


class XInput:
	"""The devices and the pointer as the server reports them, over an Xlib connection."""

	def __init__(self, display):
		self.x = h.XConnection(display)
		self.xi = ctypes.CDLL(ctypes.util.find_library("Xi") or "libXi.so.6")
		self.xi.XIQueryDevice.restype = ctypes.POINTER(_XIDeviceInfo)
		self.xi.XIQueryDevice.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.POINTER(ctypes.c_int)]
		self.xi.XIFreeDeviceInfo.argtypes = [ctypes.POINTER(_XIDeviceInfo)]
		self.xi.XIQueryPointer.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_ulong] \
			+ [ctypes.POINTER(ctypes.c_ulong)] * 2 + [ctypes.POINTER(ctypes.c_double)] * 4 \
			+ [ctypes.POINTER(_XIButtonState)] + [ctypes.POINTER(_XIModifierState)] * 2
		self.x.lib.XGetAtomName.restype = ctypes.c_void_p  # freed with XFree
		self.x.lib.XGetAtomName.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
		self.x.lib.XFree.argtypes = [ctypes.c_void_p]
		self.x.lib.XDefaultRootWindow.restype = ctypes.c_ulong
		self.x.lib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]

	def _atom_name(self, atom):
		if not atom:
			return None
		p = self.x.lib.XGetAtomName(self.x.dpy, atom)
		try:
			return ctypes.string_at(p).decode()
		finally:
			self.x.lib.XFree(p)

	def device(self, name):
		"""The device's use, its pressed buttons and its valuators by number, each as
		(label, min, max, current value)."""
		count = ctypes.c_int()
		info = self.xi.XIQueryDevice(self.x.dpy, _XI_ALL_DEVICES, ctypes.byref(count))
		try:
			for d in (info[i] for i in range(count.value)):
				if d.name.decode() != name:
					continue
				buttons, valuators = set(), {}
				for c in (d.classes[i] for i in range(d.num_classes)):
					if c.contents.type == _XI_BUTTON_CLASS:
						buttons = _pressed(ctypes.cast(c, ctypes.POINTER(_XIButtonClassInfo)).contents.state)
					elif c.contents.type == _XI_VALUATOR_CLASS:
						v = ctypes.cast(c, ctypes.POINTER(_XIValuatorClassInfo)).contents
						valuators[v.number] = (self._atom_name(v.label), v.min, v.max, v.value)
				return {"use": d.use, "buttons": buttons, "valuators": valuators}
			raise AssertionError("no input device named %r" % name)
		finally:
			self.xi.XIFreeDeviceInfo(info)

	def pointer(self):
		"""The core pointer's position on the screen, with its fraction."""
		root, child = ctypes.c_ulong(), ctypes.c_ulong()
		xy = [ctypes.c_double() for _ in range(4)]
		buttons, mods, group = _XIButtonState(), _XIModifierState(), _XIModifierState()
		self.xi.XIQueryPointer(self.x.dpy, _XI_MASTER_POINTER_ID, self.x.lib.XDefaultRootWindow(self.x.dpy),
			ctypes.byref(root), ctypes.byref(child), *[ctypes.byref(v) for v in xy],
			ctypes.byref(buttons), ctypes.byref(mods), ctypes.byref(group))
		self.x.lib.XFree(buttons.mask)
		return xy[0].value, xy[1].value

	def close(self):
		self.x.close()


# ---------------------------------------------------------------------------------------

class PenDevices(unittest.TestCase):
	@classmethod
	def setUpClass(cls):
		cls.server = ps.PenServer()
		cls.xi = XInput(cls.server.display)

	@classmethod
	def tearDownClass(cls):
		cls.xi.close()
		cls.server.stop()

	def test_1_pen_and_eraser_are_pointers_with_the_ranges_the_module_scales_to(self):
		for name in (ps.PEN, ps.ERASER):
			dev = self.xi.device(name)
			self.assertEqual(dev["use"], _XI_SLAVE_POINTER, name)
			vals = dev["valuators"]
			self.assertEqual(vals[0][:3], ("Abs X", 0, ps.AXIS_MAX), name)
			self.assertEqual(vals[1][:3], ("Abs Y", 0, ps.AXIS_MAX), name)
			self.assertEqual(vals[4][:3], ("Abs Pressure", 0, ps.PRESSURE_MAX), name)

	def assertAt(self, name, x, y):
		"""The device's x and y valuators hold (x, y) on the screen's scale, and the core pointer
		stands on that pixel (the pointer's own position has no fraction; XI2 events carry it)."""
		vals = self.xi.device(name)["valuators"]
		self.assertAlmostEqual(vals[0][3] * ps.SCREEN_W / (ps.AXIS_MAX + 1), x, places=6)
		self.assertAlmostEqual(vals[1][3] * ps.SCREEN_H / (ps.AXIS_MAX + 1), y, places=6)
		self.assertEqual(self.xi.pointer(), (math.floor(x), math.floor(y)))

	def test_2_pen_moves_the_pointer_to_the_sub_pixel_sent_with_its_pressure(self):
		pen = self.server.pen
		for x, y, pressure in [(500.25, 300.75, 0.25), (0, 0, 0.0), (1023.875, 767.5, 1.0), (12.1, 700.9, 0.5)]:
			pen.move(x, y, pressure)
			pen.sync()
			self.assertAt(ps.PEN, x, y)
			self.assertEqual(self.xi.device(ps.PEN)["valuators"][4][3], pressure * ps.PRESSURE_MAX)

	def test_3_tip_down_and_up_press_and_release_button_1_with_the_pressure(self):
		pen = self.server.pen
		pen.move(100, 200)
		pen.down(0.625)
		pen.sync()
		dev = self.xi.device(ps.PEN)
		self.assertEqual(dev["buttons"], {1})
		self.assertEqual(dev["valuators"][4][3], 625)
		pen.up()
		pen.sync()
		dev = self.xi.device(ps.PEN)
		self.assertEqual(dev["buttons"], set())
		self.assertEqual(dev["valuators"][4][3], 0)

	def test_4_a_move_without_pressure_keeps_the_last_pressure(self):
		pen = self.server.pen
		pen.move(300, 300, 0.375)
		pen.move(310.5, 305.25)
		pen.sync()
		self.assertAt(ps.PEN, 310.5, 305.25)
		self.assertEqual(self.xi.device(ps.PEN)["valuators"][4][3], 375)

	def test_5_stroke_ends_lifted_at_the_last_point_and_the_eraser_moves_the_pointer_too(self):
		self.server.pen.stroke(ps.along([(100, 100), (140, 130)], 2.5), pressure=lambda t: 0.5 + 0.5 * t)
		self.assertAt(ps.PEN, 140, 130)
		dev = self.xi.device(ps.PEN)
		self.assertEqual(dev["buttons"], set())
		self.assertEqual(dev["valuators"][4][3], 0)
		self.server.eraser.move(640.5, 480.25, 0.5)
		self.server.eraser.sync()
		self.assertAt(ps.ERASER, 640.5, 480.25)
		self.assertEqual(self.xi.device(ps.ERASER)["valuators"][4][3], 500)


# Window x of the probes along a stroke from x 200 to 600, clear of the anchor at the centre.
STROKE_PROBES = range(220, 581, 40)


class ProgramOnPenServer(ps.ProgramTestCase):
	"""The program on the pen server: the pen and xdotool both draw."""

	@staticmethod
	def row_is(img, row, colour):
		"""Whether the probes along the window row all show the colour."""
		return all(h.near(img.getpixel((x, row)), colour, 4) for x in STROKE_PROBES)

	def wait_for_row(self, row, colour):
		# A slow program (a sanitizer build) may show the change only after a few still pictures.
		img = self.app.wait_until(lambda img: self.row_is(img, row, colour), 30)
		for x in STROKE_PROBES:
			self.assertNear(img.getpixel((x, row)), colour, 4, "row %d at x %d" % (row, x))
		return img

	def test_1_pen_stroke_is_drawn(self):
		self.app.settle()
		# Window row 450, across the lower half of the view: 100 samples 4 pixels apart.
		self.server.pen.stroke(ps.along([self.screen(200, 450), self.screen(600, 450)], 4),
			pressure=lambda t: 0.2 + 0.8 * t)
		self.app.park()
		img = self.wait_for_row(450, h.START_BRUSH)
		self.assertTrue(self.row_is(img, 470, h.BLACK), "the stroke is too wide or off its row")

	def test_2_xdotool_stroke_is_drawn_too(self):
		# Window row 300, above the pen's stroke.
		self.app.drag([(200, 300), (600, 300)])
		self.app.park()
		img = self.wait_for_row(300, h.START_BRUSH)
		self.assertTrue(self.row_is(img, 450, h.START_BRUSH), "the pen's stroke went")

	def test_3_xdotool_keys_reach_the_program(self):
		self.app.move(400, 200)
		self.app.undo()
		self.app.park()
		img = self.wait_for_row(300, h.BLACK)
		self.assertTrue(self.row_is(img, 450, h.START_BRUSH), "Ctrl+Z took the pen's stroke too")

	def test_9_close_request_ends_with_exit_code_0(self):
		self.assertClosesCleanly()


if __name__ == "__main__":
	h.main()
