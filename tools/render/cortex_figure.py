"""cortexfield.png: the lit views of the cortex side by side under a title, with
the colour bar of the current density and the key to the outlines."""
import numpy as np
from matplotlib import colormaps
from matplotlib.backends.backend_agg import FigureCanvasAgg
from matplotlib.colors import Normalize
from matplotlib.figure import Figure
from matplotlib.lines import Line2D
import matplotlib.colorbar

import cortex_views

# The picture's layout, in pixels and in fractions of the figure (left, bottom, width, height).
SIZE = (1860, 640)
PANEL_PIXELS = 500
PANEL_BOXES = tuple(((10 + k * 510) / SIZE[0], 20 / SIZE[1], PANEL_PIXELS / SIZE[0], PANEL_PIXELS / SIZE[1])
                    for k in range(3))
COLOURBAR_BOX = (0.905, 0.32, 0.016, 0.44)
COLOUR_MAP = "viridis"

ANODE_RGB = (0.85, 0.1, 0.1)
CATHODE_RGB = (0.1, 0.35, 0.95)
OUTLINE_RGB = (0.45, 0.45, 0.45)


def colour_range(j):
    """The 1st to 99th percentile of the cortex's current density, or its full
    range where those coincide, and the words the legend states it with."""
    lo, hi = np.percentile(j, [1, 99])
    rule = "1st to 99th percentile"
    if hi <= lo:
        lo, hi, rule = j.min(), j.max(), "lowest to highest"
    if hi <= lo:
        pad = max(abs(hi) * 0.01, 1e-30)
        lo, hi, rule = lo - pad, hi + pad, "around the single value"
    return float(lo), float(hi), rule


def draw(scene, model_name, current_ma, anode_count, cathode_count, rule, path):
    figure = Figure(figsize=(SIZE[0] / 100, SIZE[1] / 100), dpi=100)
    FigureCanvasAgg(figure)
    figure.suptitle(f"Current density |J| on the cortex \N{EM DASH} model \u201c{model_name}\u201d, "
                    f"reference current {current_ma:g} mA", fontsize=17, y=0.97)
    # the views, each at its own pixel size so that nothing is resampled
    for box, view in zip(PANEL_BOXES, cortex_views.VIEWS):
        ax = figure.add_axes(box)
        ax.imshow(cortex_views.render(scene, view, PANEL_PIXELS), interpolation="none")
        ax.set_axis_off()
        ax.set_title(view.caption, fontsize=12)

    lo, hi = scene.colour_range
    j = scene.cortex_j
    clipped = "both" if j.min() < lo and j.max() > hi else "min" if j.min() < lo else "max" if j.max() > hi else "neither"
    cax = figure.add_axes(COLOURBAR_BOX)
    bar = matplotlib.colorbar.Colorbar(cax, cmap=colormaps[COLOUR_MAP], norm=Normalize(lo, hi), extend=clipped)
    bar.set_label("|J|  (A/m\N{SUPERSCRIPT TWO})", fontsize=13)
    left, bottom, width, _ = COLOURBAR_BOX
    figure.text(left + width / 2, bottom - 0.04,
                f"colour range: {rule}\nof the cortex, {lo:.4g} to {hi:.4g} A/m\N{SUPERSCRIPT TWO}\n"
                f"(all its points: {j.min():.4g} to {j.max():.4g})",
                ha="center", va="top", fontsize=10.5)

    key = [Line2D([], [], color=ANODE_RGB, lw=3, label=f"anode, code \N{MINUS SIGN}1 ({anode_count} nodes)"),
           Line2D([], [], color=CATHODE_RGB, lw=3, label=f"cathode, code \N{MINUS SIGN}2 ({cathode_count} nodes)"),
           Line2D([], [], color=OUTLINE_RGB, lw=2, label="outline of the head")]
    figure.legend(handles=key, loc="upper center", bbox_to_anchor=(left + width / 2, 0.91), fontsize=10.5,
                  frameon=False)
    figure.savefig(path, dpi=100, pil_kwargs={"compress_level": 9})
