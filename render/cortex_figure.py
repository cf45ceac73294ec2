"""The cortex pictures: the lit views of the cortex side by side under a title,
with the colour bar of the quantity, the calibration its values carry and the
key to the outlines."""
import numpy as np
from matplotlib import colormaps
from matplotlib.backends.backend_agg import FigureCanvasAgg
from matplotlib.colors import Normalize
from matplotlib.figure import Figure
from matplotlib.lines import Line2D
from matplotlib.ticker import ScalarFormatter
import matplotlib.colorbar

import cortex_views

# The picture's layout, in pixels and in fractions of the figure (left, bottom, width, height).
PANEL_PIXELS = 420
SIZE = (4 * (PANEL_PIXELS + 10) + 330, PANEL_PIXELS + 190)
PANEL_BOXES = tuple(((10 + k * (PANEL_PIXELS + 10)) / SIZE[0], 70 / SIZE[1], PANEL_PIXELS / SIZE[0],
                     PANEL_PIXELS / SIZE[1]) for k in range(4))
COLOURBAR_BOX = ((SIZE[0] - 175) / SIZE[0], 0.36, 0.014, 0.40)
COLOUR_MAP = "viridis"
DIVERGING_MAP = "RdBu_r"


def symmetric_range(v):
    """A range symmetric about zero for a signed quantity: up to the 99th
    percentile of its size, so that the sign reads as the colour's side."""
    top = float(np.percentile(np.abs(v), 99)) or float(np.abs(v).max()) or 1e-12
    return -top, top, "symmetric about 0, to the\n99th percentile of the size"


def colour_range(j):
    """The 1st to 99th percentile of the cortex's current density, or its full
    range where those coincide, and the words the legend states it with. A field
    uniform to 5 digits is shown as uniform, not as its rounding noise."""
    if j.max() - j.min() <= 1e-5 * np.abs(j).max():
        centre = float(j.mean())
        pad = 0.01 * abs(centre) or 1e-12
        return centre - pad, centre + pad, "\N{PLUS-MINUS SIGN}1 % around the uniform value"
    lo, hi = np.percentile(j, [1, 99])
    if hi > lo:
        return float(lo), float(hi), "1st to 99th percentile of the cortex"
    return float(j.min()), float(j.max()), "lowest to highest on the cortex"


def _nodes(count):
    return f"{count} node" if count == 1 else f"{count} nodes"


def draw(scene, title, quantity, colour_map, rule, calibration, path):
    """quantity: the colour bar's label with its unit; calibration: the line
    that says how the drawn values are scaled."""
    unit = quantity[quantity.rfind("(") + 1:quantity.rfind(")")]
    figure = Figure(figsize=(SIZE[0] / 100, SIZE[1] / 100), dpi=100)
    FigureCanvasAgg(figure)
    figure.suptitle(title, fontsize=17, y=0.97)
    figure.text(0.5, 0.03, calibration, ha="center", va="bottom", fontsize=11)
    # the views, each at its own pixel size so that nothing is resampled
    for box, view in zip(PANEL_BOXES, cortex_views.VIEWS):
        ax = figure.add_axes(box)
        ax.imshow(cortex_views.render(scene, view, PANEL_PIXELS), interpolation="none")
        ax.set_axis_off()
        ax.set_title(view.caption, fontsize=12)

    lo, hi = scene.colour_range
    j = scene.cortex_values
    clipped = "both" if j.min() < lo and j.max() > hi else "min" if j.min() < lo else "max" if j.max() > hi else "neither"
    cax = figure.add_axes(COLOURBAR_BOX)
    bar = matplotlib.colorbar.Colorbar(cax, cmap=colormaps[colour_map], norm=Normalize(lo, hi), extend=clipped,
                                       format=ScalarFormatter(useOffset=False))
    bar.set_label(quantity, fontsize=13)
    left, bottom, width, _ = COLOURBAR_BOX
    figure.text(left + width / 2, bottom - 0.04,
                f"colour range:\n{rule},\n{lo:.4g} to {hi:.4g} {unit}\n"
                f"(all cortex points: {j.min():.4g} to {j.max():.4g})",
                ha="center", va="top", fontsize=10.5)

    (_, anode, _), (_, cathode, _) = scene.electrodes
    key = [Line2D([], [], color=cortex_views.ANODE_RGB, lw=3,
                  label=f"anode, code \N{MINUS SIGN}1 ({_nodes(len(anode))})"),
           Line2D([], [], color=cortex_views.CATHODE_RGB, lw=3,
                  label=f"cathode, code \N{MINUS SIGN}2 ({_nodes(len(cathode))})"),
           Line2D([], [], color=cortex_views.SCALP_RGB, lw=6, alpha=0.4, label="scalp (translucent)")]
    figure.legend(handles=key, loc="upper center", bbox_to_anchor=(left + width / 2, 0.91), fontsize=10.5,
                  frameon=False)
    figure.savefig(path, dpi=100, pil_kwargs={"compress_level": 9})
