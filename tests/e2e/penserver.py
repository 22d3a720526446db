# A private Xorg server with a real pen for the end-to-end tests: the dummy video driver gives a
# 1024 x 768 screen of depth 24 with GLX from Mesa, and the server's inputtest input driver gives
# a pen, its eraser end (a second device, as tablets report it on X) and a keyboard. The pen and
# the eraser are driven through the driver's sockets in screen pixels and pressure 0..1; xdotool
# works on the same server. Used like harness.XServer (it has a .display) and as a context manager.
import ctypes
import math
import os
import shutil
import socket
import subprocess
import time

import harness as h

# The screen of the configuration below.
SCREEN_W, SCREEN_H = 1024, 768
PEN = "Vantrel test pen"
ERASER = "Vantrel test pen eraser"
KEYBOARD = "Vantrel test keyboard"
# Valuator ranges of the driver's absolute pointer: 0..65535 on x and y spans the whole screen;
# pressure (valuator 4, "Abs Pressure") runs from 0 to 1000.
AXIS_MAX = 65535
PRESSURE_MAX = 1000
# Samples per second of PenDevice.stroke(), the report rate of a common tablet.
SAMPLE_RATE = 200.0

# ---------------------------------------------------------------------------------------
# The driver's protocol (xf86-input-inputtest-protocol.h): C structs in the machine's byte
# order over a stream socket, each opening with its length in bytes and its type. The client
# sends its version first and reads the server's; after that it sends events, and after a
# wait-for-sync event it reads the answer that the server has processed everything before it.

_PROTOCOL = (1, 0)  # version 1.0 has every event used here
_EVENT_CLIENT_VERSION = 0
_EVENT_WAIT_FOR_SYNC = 1
_EVENT_MOTION = 2
_EVENT_BUTTON = 4
_RESPONSE_SERVER_VERSION = 0
_RESPONSE_SYNC_FINISHED = 1
_MAX_VALUATORS = 64
_AXIS_X, _AXIS_Y, _AXIS_PRESSURE = 0, 1, 4


class _Header(ctypes.Structure):
	_fields_ = [("length", ctypes.c_uint32), ("type", ctypes.c_int)]  # the type is a C enum


class _Valuators(ctypes.Structure):
	_fields_ = [
		("has_unaccelerated", ctypes.c_uint32),
		("mask", ctypes.c_uint8 * ((_MAX_VALUATORS + 7) // 8)),
		("valuators", ctypes.c_double * _MAX_VALUATORS),
		("unaccelerated", ctypes.c_double * _MAX_VALUATORS),
	]


class _ClientVersion(ctypes.Structure):
	_fields_ = [("header", _Header), ("major", ctypes.c_uint16), ("minor", ctypes.c_uint16)]


class _WaitForSync(ctypes.Structure):
	_fields_ = [("header", _Header)]


class _Motion(ctypes.Structure):
	_fields_ = [("header", _Header), ("is_absolute", ctypes.c_uint32), ("valuators", _Valuators)]


class _Button(ctypes.Structure):
	_fields_ = [
		("header", _Header), ("is_absolute", ctypes.c_int32), ("button", ctypes.c_int32),
		("is_press", ctypes.c_uint32), ("valuators", _Valuators),
	]


class _ServerVersion(ctypes.Structure):
	_fields_ = [("header", _Header), ("major", ctypes.c_uint16), ("minor", ctypes.c_uint16)]


class _SyncFinished(ctypes.Structure):
	_fields_ = [("header", _Header)]


def _event(cls, event_type, **fields):
	ev = cls(**fields)
	ev.header.length = ctypes.sizeof(cls)
	ev.header.type = event_type
	return ev


class PenDevice:
	"""One absolute pointer with pressure (the pen, or its eraser end), driven in screen pixels.
	Positions are floats: the server keeps the fraction in its XI2 events (core events get the
	whole pixel). The server handles what is sent in order; sync() waits until it has."""

	def __init__(self, name, socket_path, timeout=10.0):
		self.name = name
		self.position = None  # (x, y) in screen pixels, once moved
		self._sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
		self._sock.settimeout(timeout)
		self._sock.connect(socket_path)
		self._send(_event(_ClientVersion, _EVENT_CLIENT_VERSION, major=_PROTOCOL[0], minor=_PROTOCOL[1]))
		reply = self._receive(_ServerVersion, _RESPONSE_SERVER_VERSION)
		if reply.major != _PROTOCOL[0]:
			raise RuntimeError("%s: the driver speaks protocol %d.%d" % (name, reply.major, reply.minor))

	def _disconnect(self):
		# Only once the server is gone: the driver keeps polling a connection closed under it,
		# which keeps the server busy.
		self._sock.close()

	def _send(self, event):
		self._sock.sendall(bytes(event))

	def _receive(self, cls, response_type):
		data = b""
		while len(data) < ctypes.sizeof(cls):
			chunk = self._sock.recv(ctypes.sizeof(cls) - len(data))
			if not chunk:
				raise RuntimeError("%s: the server closed the input connection" % self.name)
			data += chunk
		reply = cls.from_buffer_copy(data)
		if reply.header.type != response_type or reply.header.length != ctypes.sizeof(cls):
			raise RuntimeError("%s: unexpected answer of type %d and %d bytes"
				% (self.name, reply.header.type, reply.header.length))
		return reply

	def _valuators(self, pressure):
		"""The device's valuators for the current position and, unless None, the pressure
		(screen pixels and 0..1 to the driver's ranges)."""
		vals = _Valuators()
		axes = {}
		if self.position is not None:
			# Screen pixel x covers valuator values [x, x + 1) * (AXIS_MAX + 1) / SCREEN_W: the
			# server maps the range 0..AXIS_MAX + 1 onto 0..SCREEN_W.
			axes[_AXIS_X] = self.position[0] * (AXIS_MAX + 1) / SCREEN_W
			axes[_AXIS_Y] = self.position[1] * (AXIS_MAX + 1) / SCREEN_H
		if pressure is not None:
			if not 0.0 <= pressure <= 1.0:
				raise ValueError("pressure %r is outside 0..1" % pressure)
			axes[_AXIS_PRESSURE] = pressure * PRESSURE_MAX
		for axis, value in axes.items():
			vals.mask[axis // 8] |= 1 << (axis % 8)
			vals.valuators[axis] = value
		return vals

	def move(self, x, y, pressure=None):
		"""Moves to screen position (x, y) with the given pressure (0..1); with pressure None
		the event carries only x and y, as from a driver that reports changed axes only. The
		server clips positions to its valuator range, which ends 1/64 pixel short of the
		screen's right edge and 1/85 short of its foot."""
		self.position = (float(x), float(y))
		self._send(_event(_Motion, _EVENT_MOTION, is_absolute=1, valuators=self._valuators(pressure)))

	def _button(self, button, press, pressure):
		if self.position is None:
			raise RuntimeError("%s: move before pressing or releasing a button" % self.name)
		# Like a tablet driver, the button event carries the whole state: position and pressure.
		self._send(_event(_Button, _EVENT_BUTTON, is_absolute=1, button=button, is_press=int(press),
			valuators=self._valuators(pressure)))

	def down(self, pressure=1.0, button=1):
		"""Presses the button (1: the tip touches) where the device is, with the pressure."""
		self._button(button, True, pressure)

	def up(self, button=1):
		"""Releases the button where the device is; the pressure drops to 0."""
		self._button(button, False, 0.0)

	def sync(self, timeout=10.0):
		"""Waits until the server has processed every event sent before."""
		self._sock.settimeout(timeout)
		self._send(_event(_WaitForSync, _EVENT_WAIT_FOR_SYNC))
		self._receive(_SyncFinished, _RESPONSE_SYNC_FINISHED)

	def stroke(self, points, pressure=1.0, rate=SAMPLE_RATE):
		"""A stroke: touches down at the first point, moves through the others and lifts at the
		last, one sample per point at `rate` samples per second. pressure is one number, a
		sequence with one value per point, or a function f(t) with t = i / (len(points) - 1)
		for sample i (0 at the first point, 1 at the last). Returns after a sync."""
		pressures = pressure_profile(pressure, len(points))
		self.move(*points[0], pressure=0.0)
		self.down(pressures[0])
		start = time.monotonic()
		for i in range(1, len(points)):
			# The sample clock of the pen: sample i goes out i / rate seconds after the touch.
			delay = start + i / rate - time.monotonic()
			if delay > 0:
				time.sleep(delay)
			self.move(*points[i], pressure=pressures[i])
		self.up()
		self.sync()


def pressure_profile(pressure, count):
	"""The pressure of each of count samples from a number, a sequence or a function of the
	fraction of the stroke done (see PenDevice.stroke)."""
	if callable(pressure):
		return [pressure(i / (count - 1) if count > 1 else 0.0) for i in range(count)]
	if isinstance(pressure, (int, float)):
		return [float(pressure)] * count
	pressures = [float(p) for p in pressure]
	if len(pressures) != count:
		raise ValueError("%d pressures for %d points" % (len(pressures), count))
	return pressures


def along(points, spacing):
	"""Samples along the polyline through points (screen pixels), at most spacing pixels
	apart, the first and the last point included: what a pen moving at spacing * rate pixels
	per second reports."""
	samples = [tuple(map(float, points[0]))]
	for (x0, y0), (x1, y1) in zip(points, points[1:]):
		n = max(1, math.ceil(math.hypot(x1 - x0, y1 - y0) / spacing))
		samples += [(x0 + (x1 - x0) * i / n, y0 + (y1 - y0) * i / n) for i in range(1, n + 1)]
	return samples


# ---------------------------------------------------------------------------------------
# The server

_CONFIG = """\
Section "ServerFlags"
	# Only the devices below: no hot-plugged real input devices.
	Option "AutoAddDevices" "false"
	Option "AutoEnableDevices" "false"
	Option "DontVTSwitch" "true"
	Option "DontZap" "true"
EndSection

Section "Device"
	Identifier "dummy"
	Driver "dummy"
	VideoRam 16384
EndSection

Section "Monitor"
	Identifier "monitor"
	HorizSync 5.0 - 1000.0
	VertRefresh 5.0 - 200.0
	Modeline "1024x768" 63.50 1024 1072 1176 1328 768 771 775 798 -hsync +vsync
EndSection

Section "Screen"
	Identifier "screen"
	Device "dummy"
	Monitor "monitor"
	DefaultDepth 24
	SubSection "Display"
		Depth 24
		Modes "1024x768"
		Virtual 1024 768
	EndSubSection
EndSection

# Naming the core keyboard and pointer keeps the server from trying its default kbd and mouse
# drivers, which are not installed.
Section "ServerLayout"
	Identifier "layout"
	Screen "screen"
	InputDevice "{keyboard}" "CoreKeyboard"
	InputDevice "{pen}" "CorePointer"
	InputDevice "{eraser}" "SendCoreEvents"
EndSection
"""

# The input devices go into the configuration directory (which Xorg wants to hold a file).
_INPUT_CONFIG = """\
Section "InputDevice"
	Identifier "{keyboard}"
	Driver "inputtest"
	Option "DeviceType" "Keyboard"
	Option "SocketPath" "{dir}/keyboard.socket"
EndSection

Section "InputDevice"
	Identifier "{pen}"
	Driver "inputtest"
	Option "DeviceType" "PointerAbsolute"
	Option "PointerHasPressure" "true"
	Option "SocketPath" "{dir}/pen.socket"
EndSection

Section "InputDevice"
	Identifier "{eraser}"
	Driver "inputtest"
	Option "DeviceType" "PointerAbsolute"
	Option "PointerHasPressure" "true"
	Option "SocketPath" "{dir}/eraser.socket"
EndSection
"""


class PenServer:
	"""A private Xorg server on the first free display from :180 to :189, with .pen and
	.eraser (PenDevice) and a core keyboard. Runs as root (Xorg takes an absolute -config only
	from root). It shares the active virtual terminal instead of taking one and never switches
	it, and reads no real input device."""

	def __init__(self, first=180, last=189, timeout=30.0):
		if os.geteuid() != 0:
			raise RuntimeError("Xorg with a configuration file of its own needs root")
		self.proc = None
		self.display = None
		self.pen = self.eraser = None
		self.dir = h.make_temp_dir("xorg-")
		self.log_path = os.path.join(self.dir, "Xorg.log")
		names = dict(keyboard=KEYBOARD, pen=PEN, eraser=ERASER, dir=self.dir)
		config = os.path.join(self.dir, "xorg.conf")
		config_dir = os.path.join(self.dir, "xorg.conf.d")
		os.mkdir(config_dir)
		with open(config, "w") as f:
			f.write(_CONFIG.format(**names))
		with open(os.path.join(config_dir, "input.conf"), "w") as f:
			f.write(_INPUT_CONFIG.format(**names))
		free = [n for n in range(first, last + 1) if not h.XServer._in_use(n)]
		if not free:
			self.stop()
			raise RuntimeError("no free X display between :%d and :%d" % (first, last))
		n = free[0]
		self._output = open(os.path.join(self.dir, "output.txt"), "wb")
		# -sharevts: open the active virtual terminal without taking it over or switching it;
		# -keeptty: stay in the test's session instead of starting one of its own.
		self.proc = h._spawn(["Xorg", ":%d" % n, "-config", config, "-configdir", config_dir,
			"-logfile", self.log_path, "-noreset", "-nolisten", "tcp",
			"-sharevts", "-novtswitch", "-keeptty"],
			stdin=subprocess.DEVNULL, stdout=self._output, stderr=subprocess.STDOUT)
		if not h.XServer._wait_ready(self.proc, n, timeout):
			message = "Xorg did not start on :%d (%s); the end of its log:\n%s" % (n,
				"exit code %s" % self.proc.returncode if self.proc.poll() is not None else "no answer",
				self.log_tail())
			self.stop()
			raise RuntimeError(message)
		self.display = ":%d" % n
		try:
			self.pen = PenDevice(PEN, os.path.join(self.dir, "pen.socket"))
			self.eraser = PenDevice(ERASER, os.path.join(self.dir, "eraser.socket"))
		except (OSError, RuntimeError) as e:
			message = "the pen of Xorg on %s did not answer: %s; the end of its log:\n%s" % (
				self.display, e, self.log_tail())
			self.stop()
			raise RuntimeError(message)

	def log_tail(self, lines=30):
		"""The last lines of the server's log (or of its output, before it opened the log)."""
		for path in (self.log_path, os.path.join(self.dir, "output.txt")):
			try:
				with open(path, "rb") as f:
					text = f.read().decode(errors="replace")
			except FileNotFoundError:
				continue
			if text:
				return "\n".join(text.splitlines()[-lines:])
		return "(nothing written)"

	def stop(self):
		"""Ends the server by its process id, then closes the device connections and removes
		the directory; idempotent."""
		if self.proc is not None:
			h._end_process(self.proc)
			h._forget(self.proc)
			self.proc = None
			self._output.close()
		for device in (self.pen, self.eraser):
			if device is not None:
				device._disconnect()
		self.pen = self.eraser = None
		shutil.rmtree(self.dir, ignore_errors=True)

	def __enter__(self):
		return self

	def __exit__(self, *_exc):
		self.stop()


class ProgramTestCase(h.ProgramTestCase):
	"""Starts a pen server and the program on it once for the class."""

	@classmethod
	def setUpClass(cls):
		cls.server = PenServer()
		cls.app = h.Vantrel(h.BINARY, h.ASSETS, cls.server)

	@classmethod
	def tearDownClass(cls):
		cls.app.shutdown()
		cls.server.stop()

	def screen(self, x, y):
		"""Window position to screen position."""
		return self.app.origin[0] + x, self.app.origin[1] + y
