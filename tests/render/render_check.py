#!/usr/bin/env python3
"""Runs headfield-render on the tiny sphere after potsolve and cortexmap and
looks at its pictures: their size, that the cortex views are not blank, the
colour bar's end colours, a field rising along x drawn warmer on the right
(and falling along x on the left) in the views with x to the right, the convergence plot from a real log and
from one progress line, and the one-line failures for a log without progress
and a missing cortexfield.out. Exits 77 (skipped) when the Python modules or a
display are missing.

    render_check.py MAKEMODEL POTSOLVE CORTEXMAP HEADFIELD-RENDER"""
import os
import shutil
import subprocess
import sys
import tempfile

SKIP = 77

renderer = sys.argv[4]
sys.path.insert(0, os.path.dirname(os.path.realpath(renderer)))
sys.dont_write_bytecode = True
try:
    import numpy as np
    from matplotlib import colormaps
    from matplotlib.image import imread
    import convergence_plot
    import cortex_figure
    import cortex_views
except ImportError as err:
    print(f"renderer modules not available: {err}")
    sys.exit(SKIP)
if not os.environ.get("DISPLAY") and shutil.which("xvfb-run") is None:
    print("no display and no xvfb-run")
    sys.exit(SKIP)

failures = []
VIRIDIS = np.round(colormaps[cortex_figure.COLOUR_MAP](np.linspace(0, 1, 256))[:, :3] * 255).astype(int)


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def render(model, *options):
    return subprocess.run([sys.executable, renderer, model, *options], capture_output=True, text=True)


def pixels(path):
    """The picture as integer RGB rows from the top."""
    return np.round(imread(path)[:, :, :3] * 255).astype(int)


def region(image, box):
    """The pixels inside a box given as figure fractions (left, bottom, width, height)."""
    h, w, _ = image.shape
    left, bottom, width, height = box
    return image[round(h * (1 - bottom - height)):round(h * (1 - bottom)), round(w * left):round(w * (left + width))]


def cortex_pixels(panel):
    """The coloured pixels of a view: not the white ground, not the grey outline."""
    return panel[panel.max(axis=-1) - panel.min(axis=-1) > 40]


def warmth(colours):
    """The mean position (0..255) of the nearest colour-map entries."""
    unique, count = np.unique(colours, axis=0, return_counts=True)
    nearest = ((unique[:, None, :] - VIRIDIS[None, :, :]) ** 2).sum(axis=2).argmin(axis=1)
    return (nearest * count).sum() / count.sum()


def near(colours, rgb, tolerance=4):
    return bool((np.abs(colours - rgb).max(axis=-1) <= tolerance).any())


def check_views(model, label):
    image = pixels(os.path.join(model, "cortexfield.png"))
    check(image.shape[1::-1] == cortex_figure.SIZE, f"{label}: cortexfield.png is {image.shape[1::-1]}")
    return image


def rewrite_field(model, rule):
    """cortexfield.out with |J| (column 5) replaced by rule(x)."""
    path = os.path.join(model, "cortexfield.out")
    with open(path) as f:
        lines = f.readlines()
    with open(path, "w") as f:
        # point records get the new value; triangle records stay
        for line in lines:
            v = line.split()
            if len(v) == 6:
                v[4] = f"{rule(float(v[0])):.8E}"
                line = "".join(f"{float(x):18.8E}" for x in v) + "\n"
            f.write(line)


def main():
    makemodel, potsolve, cortexmap = (os.path.abspath(p) for p in sys.argv[1:4])
    with tempfile.TemporaryDirectory() as top:
        model = os.path.join(top, "tiny")
        subprocess.run([makemodel, "sphere", "--size", "tiny", "--out", model], check=True, capture_output=True)
        # the two programs as the demo runs them, consoles saved
        for program, log in ((potsolve, "potsolve.log"), (cortexmap, "cortexmap.log")):
            with open(os.devnull) as nothing, open(os.path.join(model, log), "w") as out:
                subprocess.run([program], cwd=model, stdin=nothing, stdout=out, stderr=subprocess.STDOUT, check=True)
        with open(os.path.join(model, "potsolve.log"), encoding="latin-1") as f:
            progress = sum("|Ax-b|/|b|" in line for line in f)

        run = render(model)
        if not check(run.returncode == 0, f"real model: exit {run.returncode}: {run.stderr.strip()}"):
            return
        image = check_views(model, "real model")
        views = np.concatenate([region(image, box).reshape(-1, 3) for box in cortex_figure.PANEL_BOXES])
        coloured = cortex_pixels(views)
        check(len(coloured) > 0.25 * len(views), f"real model: {len(coloured)} of {len(views)} view pixels coloured")
        check(len({tuple(c // 16) for c in coloured}) >= 20, "real model: fewer than 20 distinct colours in the views")
        bar = region(image, cortex_figure.COLOURBAR_BOX)
        quarter = len(bar) // 4
        check(near(bar[-quarter:], VIRIDIS[0]) and not near(bar[-quarter:], VIRIDIS[-1]),
              "colour bar: the low end colour is not at its foot")
        check(near(bar[:quarter], VIRIDIS[-1]) and not near(bar[:quarter], VIRIDIS[0]),
              "colour bar: the high end colour is not at its head")

        # |J| rising with x must be warmer in the right half of the views with +x to the right,
        # falling with x in the left half; the second run also plots a log of one progress line
        one = os.path.join(top, "one.log")
        with open(one, "w") as f:
            f.write("  ICCG iteration begin.\n    10  |Ax-b|/|b| = 0.1234000E-04\n  ICCG iteration terminated.\n")
        # the views with x across the image: +1 where it points to the right, -1 to the left
        across = [(k, round(float(np.cross(view.up, view.towards_camera)[0]))) for k, view in enumerate(cortex_views.VIEWS)
                  if np.allclose(np.abs(np.cross(view.up, view.towards_camera)), (1, 0, 0))]
        check(len(across) >= 2, f"{len(across)} views with x across the image")
        for sign, side, options, residuals in ((1, "+", [], progress), (-1, "-", ["--log", one], 1)):
            rewrite_field(model, lambda x: 1.0 + sign * x / 100.0)
            os.remove(os.path.join(model, "convergence.png"))
            run = render(model, *options)
            if not check(run.returncode == 0, f"x field: exit {run.returncode}: {run.stderr.strip()}"):
                return
            check(f" {residuals} residual" in run.stdout, f"{residuals} progress lines, but: {run.stdout.strip()}")
            plot = pixels(os.path.join(model, "convergence.png"))
            check(plot.shape[1::-1] == convergence_plot.SIZE, f"{residuals} residuals: convergence.png is "
                  f"{plot.shape[1::-1]}")
            image = check_views(model, f"|J| {'rising' if sign > 0 else 'falling'} with x")
            # each such view: the colours of its half towards +x against the other half's
            for k, right in across:
                panel = region(image, cortex_figure.PANEL_BOXES[k])
                half = panel.shape[1] // 2
                gain = sign * right * (warmth(cortex_pixels(panel[:, half:])) - warmth(cortex_pixels(panel[:, :half])))
                check(gain > 40, f"view {k + 1}: |J| higher towards {side} x is not warmer there ({gain:.0f})")

        # no progress line, or no cortexfield.out: one line of complaint and no pictures
        none = os.path.join(top, "none.log")
        with open(none, "w") as f:
            f.write("  ICCG Begins ...\n \n  Tolerance of ICCG  :   9.9999998E-15\n")
        for picture in ("cortexfield.png", "convergence.png"):  # so that a new one would show
            os.remove(os.path.join(model, picture))
        for label, options, remove, word in (("no progress line", ["--log", none], None, "none.log"),
                                             ("no cortexfield.out", [], "cortexfield.out", "cortexfield.out")):
            if remove:
                os.remove(os.path.join(model, remove))
            run = render(model, *options)
            lines = run.stderr.splitlines()
            check(run.returncode == 1 and len(lines) == 1 and word in run.stderr and not run.stdout,
                  f"{label}: exit {run.returncode}, stdout {run.stdout!r}, stderr {run.stderr!r}")
            check(not any(os.path.exists(os.path.join(model, p)) for p in ("cortexfield.png", "convergence.png")),
                  f"{label}: a picture was written")


if __name__ == "__main__":
    main()
    for failure in failures:
        print(failure)
    if not failures:
        print("headfield-render: picture sizes, colours, colour bar, field side, logs and failures as expected")
    sys.exit(1 if failures else 0)
