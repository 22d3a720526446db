# Drives the real vantrel program on a private Xvfb server: starts the server and the
# program, sends pointer and key input through xdotool, reads the window back and probes
# pixels. Everything it starts is ended by process id and its temporary directories removed.
import argparse
import atexit
import ctypes
import ctypes.util
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

from PIL import Image, ImageChops

WINDOW_W, WINDOW_H = 800, 600
PANEL_W = 110
ASSET_FILES = (
	"font.bmp",
	"roundBrushUnchecked.png",
	"roundBrushChecked.png",
	"eraseBrushUnchecked.png",
	"eraseBrushChecked.png",
	"selectToolUnchecked.png",
	"selectToolChecked.png",
	"mirrorUnchecked.png",
	"mirrorChecked.png",
	"gifWarning.png",
)

# Colours the program starts with (RGB).
START_BRUSH = (64, 64, 128)
BLACK = (0, 0, 0)
# Erase-brush highlight of the stroke under the pointer.
HIGHLIGHT = (200, 200, 100)
# The side panel's translucent white (alpha 0x40) over the black start backdrop.
PANE_OVER_BLACK = (64, 64, 64)

# Window positions of the panel's widgets.
HUE_BAR_X = 97
BOX_TOP_RIGHT = (84, 6)
PREVIEW = (45, 105)
PICK_COLOR = (55, 167)
SET_BACKDROP = (55, 147)
RADIUS_THUMB_AT_0 = (20, 200)
ROUND_BUTTON = (15, 250)
ERASE_BUTTON = (40, 250)
RECORD_GIF = (55, 585)
# Where the pointer waits while pictures are probed (see Vantrel.park).
PARK = (790, 590)
# The 3-D view minus the parking corner.
VIEW_BOX = (PANEL_W, 0, 760, 560)

_live_processes = []
_live_dirs = []


def _cleanup():
	"""Ends every process this module started (newest first) and removes its directories."""
	while _live_processes:
		proc = _live_processes.pop()
		_end_process(proc)
	while _live_dirs:
		shutil.rmtree(_live_dirs.pop(), ignore_errors=True)


def _end_process(proc, grace=5.0):
	if proc.poll() is not None:
		return
	try:
		proc.terminate()
		proc.wait(grace)
	except subprocess.TimeoutExpired:
		proc.kill()
		proc.wait()
	except ProcessLookupError:
		pass


def _on_signal(signum, _frame):
	_cleanup()
	sys.exit(128 + signum)


atexit.register(_cleanup)
for _sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
	signal.signal(_sig, _on_signal)

_libc = ctypes.CDLL(ctypes.util.find_library("c") or "libc.so.6", use_errno=True)
_PR_SET_PDEATHSIG = 1


def _die_with_parent():
	# Runs in the child before exec: if the test process is killed outright (a CTest
	# timeout sends SIGKILL), the kernel sends the child SIGTERM, so no server is left
	# behind (and Xvfb still removes its lock file and socket).
	_libc.prctl(_PR_SET_PDEATHSIG, signal.SIGTERM, 0, 0, 0)


def _spawn(argv, **kwargs):
	proc = subprocess.Popen(argv, preexec_fn=_die_with_parent, **kwargs)
	_live_processes.append(proc)
	return proc


def _forget(proc):
	if proc in _live_processes:
		_live_processes.remove(proc)


_RUN_ROOT_PREFIX = "vantrel-e2e-"
_run_root = None


def _sweep_abandoned_roots():
	"""Removes the directories of earlier runs whose process is gone (killed outright,
	so their own cleanup never ran). Only directories named by this module are touched."""
	base = tempfile.gettempdir()
	for name in os.listdir(base):
		if not name.startswith(_RUN_ROOT_PREFIX):
			continue
		try:
			pid = int(name[len(_RUN_ROOT_PREFIX):].split("-", 1)[0])
		except ValueError:
			continue
		if pid == os.getpid():
			continue
		try:
			os.kill(pid, 0)
		except ProcessLookupError:
			shutil.rmtree(os.path.join(base, name), ignore_errors=True)
		except PermissionError:
			pass


def make_temp_dir(prefix):
	"""A new directory below this process's run directory, removed at exit."""
	global _run_root
	if _run_root is None:
		_sweep_abandoned_roots()
		_run_root = tempfile.mkdtemp(prefix="%s%d-" % (_RUN_ROOT_PREFIX, os.getpid()))
		_live_dirs.append(_run_root)
	return tempfile.mkdtemp(prefix=prefix, dir=_run_root)


def parse_args(argv=None):
	"""Reads --binary, --assets and the optional --gifencode (the encoder command); returns
	the three paths (None for a missing --gifencode) and the remaining argv for unittest.main."""
	argv = list(sys.argv if argv is None else argv)
	parser = argparse.ArgumentParser(add_help=False)
	parser.add_argument("--binary", required=True)
	parser.add_argument("--assets", required=True)
	parser.add_argument("--gifencode")
	known, rest = parser.parse_known_args(argv[1:])
	gifencode = os.path.abspath(known.gifencode) if known.gifencode else None
	return os.path.abspath(known.binary), os.path.abspath(known.assets), gifencode, [argv[0]] + rest


def program_env(binary, env):
	"""The environment for the program itself (the X tools get `env` unchanged).

	VANTREL_E2E_KEEP_LOADED lists shared libraries (colon-separated paths) that are
	preloaded into the program so that they stay loaded until it exits. The sanitizer
	build sets it to Mesa's software GL driver: the GL library unloads that driver when
	the window closes, and the leak check at exit would then report the driver's own
	still-referenced allocations with no module to name (and so none to suppress).
	A dynamically linked sanitizer runtime has to come first in the preload list."""
	keep = [p for p in env.get("VANTREL_E2E_KEEP_LOADED", "").split(":") if p]
	if not keep:
		return env
	preload = []
	ldd = subprocess.run(["ldd", binary], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
	for line in ldd.stdout.decode(errors="replace").splitlines():
		parts = line.split()
		if parts and parts[0].startswith("libasan.so") and len(parts) >= 3 and parts[1] == "=>":
			preload.append(parts[2])
	preload += keep
	if env.get("LD_PRELOAD"):
		preload.append(env["LD_PRELOAD"])
	return dict(env, LD_PRELOAD=" ".join(preload))


# ---------------------------------------------------------------------------------------
# Xlib through ctypes: window read-back and the window manager's close request.

class _XImage(ctypes.Structure):
	_fields_ = [
		("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
		("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_char)),
		("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
		("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
		("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
		("bits_per_pixel", ctypes.c_int), ("red_mask", ctypes.c_ulong),
		("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong),
	]


class _XClientMessageEvent(ctypes.Structure):
	_fields_ = [
		("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
		("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
		("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
		("data", ctypes.c_long * 5),
	]


class _XEvent(ctypes.Union):
	_fields_ = [("xclient", _XClientMessageEvent), ("pad", ctypes.c_long * 24)]


_X_ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
_ZPIXMAP = 2
_CLIENT_MESSAGE = 33
_ALL_PLANES = ctypes.c_ulong(0xFFFFFFFF)


class XConnection:
	"""One Xlib connection of the test process to the private server."""

	def __init__(self, display):
		self.lib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
		self.lib.XOpenDisplay.restype = ctypes.c_void_p
		self.lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
		self.lib.XGetImage.restype = ctypes.POINTER(_XImage)
		self.lib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
			ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
		self.lib.XDestroyImage.argtypes = [ctypes.POINTER(_XImage)]
		self.lib.XInternAtom.restype = ctypes.c_ulong
		self.lib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
		self.lib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
			ctypes.POINTER(_XEvent)]
		self.lib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
		self.lib.XCloseDisplay.argtypes = [ctypes.c_void_p]
		# Xlib's default error handler ends the process; a window that has just gone away
		# must only make the read-back fail.
		self._handler = _X_ERROR_HANDLER(lambda _d, _e: 0)
		self.lib.XSetErrorHandler(self._handler)
		self.dpy = self.lib.XOpenDisplay(display.encode())
		if not self.dpy:
			raise RuntimeError("cannot open X display %s" % display)

	def grab(self, window, width=WINDOW_W, height=WINDOW_H):
		"""The window's current contents as an RGB image, or None if it cannot be read."""
		img = self.lib.XGetImage(self.dpy, window, 0, 0, width, height, _ALL_PLANES, _ZPIXMAP)
		if not img:
			return None
		try:
			x = img.contents
			if x.bits_per_pixel != 32:
				raise RuntimeError("unexpected %d bits per pixel" % x.bits_per_pixel)
			raw = ctypes.string_at(x.data, x.bytes_per_line * x.height)
			return Image.frombytes("RGB", (x.width, x.height), raw, "raw", "BGRX", x.bytes_per_line)
		finally:
			self.lib.XDestroyImage(img)

	def request_close(self, window):
		"""Sends WM_DELETE_WINDOW, as a window manager's close button does."""
		protocols = self.lib.XInternAtom(self.dpy, b"WM_PROTOCOLS", 0)
		delete = self.lib.XInternAtom(self.dpy, b"WM_DELETE_WINDOW", 0)
		ev = _XEvent()
		ev.xclient.type = _CLIENT_MESSAGE
		ev.xclient.window = window
		ev.xclient.message_type = protocols
		ev.xclient.format = 32
		ev.xclient.data[0] = delete
		ev.xclient.data[1] = 0  # CurrentTime
		self.lib.XSendEvent(self.dpy, window, 0, 0, ctypes.byref(ev))
		self.lib.XSync(self.dpy, 0)

	def close(self):
		if self.dpy:
			self.lib.XCloseDisplay(self.dpy)
			self.dpy = None


# ---------------------------------------------------------------------------------------

def display_range():
	"""The display numbers the servers may take: VANTREL_E2E_DISPLAYS ("FIRST-LAST", so that
	runs side by side on one machine keep apart), else 90 to 199."""
	first, _, last = os.environ.get("VANTREL_E2E_DISPLAYS", "90-199").partition("-")
	return int(first), int(last or first)


class XServer:
	"""A private Xvfb server on the first free display number of display_range(). It never
	resets: without -noreset the server resets when its last client goes (a program killed
	outright, between two runs of a test), and a client connecting meanwhile is refused."""

	def __init__(self, first=None, last=None):
		if first is None:
			first, last = display_range()
		self.proc = None
		self.display = None
		for n in range(first, last + 1):
			if self._in_use(n):
				continue
			# -noreset: the server keeps its state when the program, its last client, goes.
			proc = _spawn(["Xvfb", ":%d" % n, "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"],
				stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
			if self._wait_ready(proc, n):
				self.proc, self.display = proc, ":%d" % n
				return
			_end_process(proc)
			_forget(proc)
		raise RuntimeError("no free X display between :%d and :%d" % (first, last))

	@staticmethod
	def _in_use(n):
		"""A display number is taken while its lock file names a live process. A stale
		lock (its server was killed) is left for Xvfb, which replaces it."""
		try:
			with open("/tmp/.X%d-lock" % n) as f:
				pid = int(f.read().strip())
		except FileNotFoundError:
			return os.path.exists("/tmp/.X11-unix/X%d" % n)
		except (OSError, ValueError):
			return True
		try:
			os.kill(pid, 0)
		except ProcessLookupError:
			return False
		except PermissionError:
			pass
		return True

	@staticmethod
	def _wait_ready(proc, n, timeout=15.0):
		socket = "/tmp/.X11-unix/X%d" % n
		deadline = time.monotonic() + timeout
		while time.monotonic() < deadline:
			if proc.poll() is not None:
				return False  # another server took the number first
			if os.path.exists(socket):
				env = dict(os.environ, DISPLAY=":%d" % n)
				probe = subprocess.run(["xdotool", "getdisplaygeometry"], env=env,
					stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
				if probe.returncode == 0:
					return True
			time.sleep(0.05)
		return False


class Vantrel:
	"""One run of the program in a fresh working directory on the given X server."""

	def __init__(self, binary, assets, server, omit_assets=(), asset_bytes=None, args=(), workdir=None):
		"""asset_bytes maps asset names to the bytes to put there instead of the built file;
		args go to the program's command line; workdir (made by an earlier run) is used again
		instead of a fresh directory."""
		self.server = server
		self.workdir = workdir or make_temp_dir("work-")
		for name in ASSET_FILES:
			if asset_bytes and name in asset_bytes:
				with open(os.path.join(self.workdir, name), "wb") as f:
					f.write(asset_bytes[name])
			elif name not in omit_assets and not os.path.exists(os.path.join(self.workdir, name)):
				shutil.copy(os.path.join(assets, name), self.workdir)
		self.env = dict(os.environ, DISPLAY=server.display)
		# Kept outside the working directory, which holds only what the program sees.
		logs = make_temp_dir("log-")
		self.stderr_path = os.path.join(logs, "stderr.txt")
		self.stdout_path = os.path.join(logs, "stdout.txt")
		self._stderr = open(self.stderr_path, "wb")
		self._stdout = open(self.stdout_path, "wb")
		self.proc = _spawn(LAUNCHER + [binary] + list(args), cwd=self.workdir, env=program_env(binary, self.env),
			stdout=self._stdout, stderr=self._stderr)
		self.x = XConnection(server.display)
		self.window = self._find_window()
		self.origin = self._geometry()

	# -- process and window ------------------------------------------------------------

	def _xdotool(self, *args, timeout=30):
		out = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, timeout=timeout,
			stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=True)
		return out.stdout.decode()

	def _find_window(self, timeout=60.0):
		deadline = time.monotonic() + timeout
		while time.monotonic() < deadline:
			if self.proc.poll() is not None:
				raise RuntimeError("vantrel exited with %d before its window appeared: %s"
					% (self.proc.returncode, self.stderr_text()))
			found = subprocess.run(["xdotool", "search", "--name", "^Vantrel$"], env=self.env,
				stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
			ids = found.stdout.split()
			if ids:
				return int(ids[0])
			time.sleep(0.1)
		raise RuntimeError("no window with the caption Vantrel appeared")

	def _geometry(self):
		out = self._xdotool("getwindowgeometry", "--shell", self.window)
		values = dict(line.split("=", 1) for line in out.split())
		self.size = (int(values["WIDTH"]), int(values["HEIGHT"]))
		return (int(values["X"]), int(values["Y"]))

	def stderr_text(self):
		if not self._stderr.closed:
			self._stderr.flush()
		with open(self.stderr_path, "rb") as f:
			return f.read().decode(errors="replace")

	def stdout_text(self):
		"""What the program printed on standard output (complete once it has ended)."""
		if not self._stdout.closed:
			self._stdout.flush()
		with open(self.stdout_path, "rb") as f:
			return f.read().decode(errors="replace")

	def alive(self):
		return self.proc.poll() is None

	def close(self, timeout=60.0):
		"""Asks the window to close as a window manager would; returns the exit code."""
		if self.proc.poll() is None:
			self.x.request_close(self.window)
			try:
				self.proc.wait(timeout)
			except subprocess.TimeoutExpired:
				_end_process(self.proc)
				raise AssertionError("vantrel did not exit within %.0f s of the close request" % timeout)
		code = self.proc.returncode
		self.shutdown()
		return code

	def shutdown(self):
		"""Ends the program if it still runs and releases the connection; idempotent."""
		_end_process(self.proc)
		_forget(self.proc)
		self.x.close()
		for log in (self._stderr, self._stdout):
			if not log.closed:
				log.close()

	# -- input (window coordinates) ----------------------------------------------------

	def _abs(self, x, y):
		return int(self.origin[0] + x), int(self.origin[1] + y)

	def move(self, x, y):
		self._xdotool("mousemove", *self._abs(x, y))

	def press(self, button=1):
		self._xdotool("mousedown", button)

	def release(self, button=1):
		self._xdotool("mouseup", button)

	def click(self, x, y, button=1):
		self.move(x, y)
		self.press(button)
		self.release(button)

	def key_down(self, keysym):
		self._xdotool("keydown", keysym)

	def key_up(self, keysym):
		self._xdotool("keyup", keysym)

	def key(self, keysym):
		self.key_down(keysym)
		self.key_up(keysym)

	def glide(self, points, step=4, pause=0.005):
		"""Moves the pointer along a polyline in steps of at most `step` pixels, in one
		xdotool call, without pressing anything."""
		chain = []
		for (x0, y0), (x1, y1) in zip(points, points[1:]):
			n = max(1, int(max(abs(x1 - x0), abs(y1 - y0)) / step))
			for i in range(1, n + 1):
				chain += ["mousemove"] + [str(v) for v in self._abs(x0 + (x1 - x0) * i / n, y0 + (y1 - y0) * i / n)]
				chain += ["sleep", str(pause)]
		if chain:
			self._xdotool(*chain, timeout=120)

	def drag(self, points, button=1, step=4, pause=0.005):
		"""Press at the first point, move along the polyline, release at the last point."""
		self.move(*points[0])
		self.press(button)
		self.glide(points, step, pause)
		self.release(button)

	# -- gestures of the program -------------------------------------------------------

	def park(self):
		"""Moves the pointer to the view's bottom-right corner, out of every probed area:
		the brush marker follows the pointer and would otherwise sit on what is probed."""
		self.move(*PARK)

	def panel_click(self, x, y):
		"""Clicks a panel widget, then moves the pointer by one pixel inside the panel: a
		click's result reaches the workspace with the next pointer event over the panel."""
		self.click(x, y)
		self.move(x + 1, y)

	def pick_colour(self, hue_y, box):
		"""Clicks the hue bar at height hue_y, then the saturation/value box at box."""
		self.panel_click(HUE_BAR_X, hue_y)
		self.panel_click(*box)

	def set_radius_thumb(self, from_x, to_x):
		"""Drags the radius slider's thumb and moves the pointer over the panel once more,
		so that the new radius reaches the workspace."""
		y = RADIUS_THUMB_AT_0[1]
		self.drag([(from_x, y), (to_x, y)])
		self.move(60, 300)

	def gesture_with_readbacks(self, start, points, modifier=None):
		"""Presses at start (with the modifier key held, if given), moves through points and
		releases, reading the window back once it is still after the press and after every
		move. Returns the pictures, one more than there are points."""
		self.move(*start)
		self.settle()
		pictures = []
		if modifier:
			self.key_down(modifier)
		try:
			self.press()
			pictures.append(self.settle(first_wait=0.1, interval=0.1))
			for point in points:
				self.move(*point)
				pictures.append(self.settle(first_wait=0.1, interval=0.1))
			self.release()
		finally:
			if modifier:
				self.key_up(modifier)
		return pictures

	def with_keys(self, keys, action):
		"""Holds the keys (pressed in order) while running action, then lets them go."""
		for k in keys:
			self.key_down(k)
		try:
			action()
		finally:
			for k in reversed(keys):
				self.key_up(k)

	def undo(self):
		self.with_keys(["Control_L"], lambda: self.key("z"))

	def redo(self):
		self.with_keys(["Control_L", "Shift_L"], lambda: self.key("z"))

	# -- read-back ---------------------------------------------------------------------

	def grab(self):
		img = self.x.grab(self.window, *self.size)
		if img is None:
			raise AssertionError("the window could not be read back; program %s; stderr:\n%s"
				% ("running" if self.alive() else "ended with %s" % self.proc.returncode,
					self.stderr_text()))
		return img

	def settle(self, first_wait=0.25, interval=0.15, timeout=10.0):
		"""Waits until the program has handled the input sent so far and two read-backs
		in a row are the same; returns that picture."""
		time.sleep(first_wait)
		previous = self.grab()
		deadline = time.monotonic() + timeout
		while True:
			time.sleep(interval)
			current = self.grab()
			if current.tobytes() == previous.tobytes() or time.monotonic() > deadline:
				return current
			previous = current

	def wait_until(self, predicate, timeout=120.0):
		"""Settles, then keeps reading the window back until predicate(picture) holds or
		the timeout passes; returns the last picture. For input whose handling blocks the
		program for a while (writing a recording), where a still picture proves nothing."""
		img = self.settle()
		deadline = time.monotonic() + timeout
		while not predicate(img) and time.monotonic() < deadline:
			time.sleep(0.2)
			img = self.grab()
		return img


# ---------------------------------------------------------------------------------------
# Pixel helpers

def panel_shown(img):
	"""Whether the side panel is drawn (its pane over a black backdrop)."""
	return near(img.getpixel((50, 300)), PANE_OVER_BLACK, 6)


def near(c1, c2, tol=12):
	return all(abs(a - b) <= tol for a, b in zip(c1, c2))


def run_length(img, x, y, colour, axis="y", tol=12, limit=200):
	"""Number of consecutive pixels through (x, y) along `axis` that are near `colour`."""
	if not near(img.getpixel((x, y)), colour, tol):
		return 0
	count = 1
	for sign in (-1, 1):
		for d in range(1, limit):
			px, py = (x, y + sign * d) if axis == "y" else (x + sign * d, y)
			if not (0 <= px < img.width and 0 <= py < img.height):
				break
			if not near(img.getpixel((px, py)), colour, tol):
				break
			count += 1
	return count


def colour_mask(img, colour, box=None, tol=12):
	"""A 1-bit-style mask (0 or 255) of the pixels near `colour`, cropped to box."""
	if box:
		img = img.crop(box)
	bands = []
	for band, value in zip(img.split(), colour):
		lo, hi = value - tol, value + tol
		bands.append(band.point(lambda v, lo=lo, hi=hi: 255 if lo <= v <= hi else 0))
	return ImageChops.darker(ImageChops.darker(bands[0], bands[1]), bands[2])


def find_colour_extent(img, colour, box=None, tol=12):
	"""Bounding box (x0, y0, x1, y1), inclusive, of the pixels near `colour` inside box
	(window coordinates), or None."""
	bbox = colour_mask(img, colour, box, tol).getbbox()
	if bbox is None:
		return None
	ox, oy = (box[0], box[1]) if box else (0, 0)
	return (bbox[0] + ox, bbox[1] + oy, bbox[2] - 1 + ox, bbox[3] - 1 + oy)


def count_colour(img, colour, box=None, tol=12):
	return colour_mask(img, colour, box, tol).histogram()[255]


def difference(a, b):
	"""Per-channel absolute difference of two pictures of the same size."""
	return ImageChops.difference(a, b)


# ---------------------------------------------------------------------------------------
# unittest glue: one Xvfb server per test process, one program run per test class.

BINARY = None
ASSETS = None
GIFENCODE = None
# The command the program runs under, if any (the Windows build runs under Wine).
LAUNCHER = []
_server = None


def shared_server():
	global _server
	if _server is None:
		_server = XServer()
	return _server


class ProgramTestCase(unittest.TestCase):
	"""Starts the program once for the class; test methods run in name order on it."""

	omit_assets = ()
	asset_bytes = None

	@classmethod
	def setUpClass(cls):
		cls.app = Vantrel(BINARY, ASSETS, shared_server(), omit_assets=cls.omit_assets,
			asset_bytes=cls.asset_bytes)

	@classmethod
	def tearDownClass(cls):
		cls.app.shutdown()

	def assertNear(self, actual, expected, tol=12, msg=""):
		self.assertTrue(near(actual, expected, tol), "%s: %s is not within %d of %s"
			% (msg, actual, tol, expected))

	def assertClosesCleanly(self):
		code = self.app.close()
		self.assertEqual(code, 0, "exit code %s after the close request; stderr:\n%s"
			% (code, self.app.stderr_text()))


def main():
	"""Entry point of a test module:
	python3 test_x.py --binary B --assets A [--gifencode G] [unittest args]."""
	global BINARY, ASSETS, GIFENCODE
	BINARY, ASSETS, GIFENCODE, rest = parse_args()
	unittest.main(module="__main__", argv=rest)
