"""The model and result files the pictures are made from, read into arrays.

Every reader raises RenderError with one line naming the file and the cause."""
import os
import re

import numpy as np


class RenderError(Exception):
    """A failure the renderer reports as one console line."""


# The files a cortex picture needs, in the order they are read.
CORTEX_INPUTS = ("cortexfield.out", "xyz.dat", "elem.dat", "bcp.dat", "ele_size.txt")

_MISSING_E = re.compile(r"^([-+]?[0-9.]+)([-+][0-9]{3})$")


def real(text):
    """A real as the programs read and write it: E or D exponent, or a
    three-digit exponent written without its letter."""
    t = text.replace("D", "E").replace("d", "E")
    m = _MISSING_E.match(t)
    return float(m.group(1) + "E" + m.group(2) if m else t)


def _tokens(path):
    # values are separated by blanks or commas and records may continue on the next line
    with open(path, encoding="latin-1") as f:
        return f.read().replace(",", " ").split()


def _count_then_records(path, width, dtype, header=1):
    """The leading count (and header - 1 more values), then `count` records of
    `width` values: an array (count, width)."""
    tokens = _tokens(path)
    try:
        count = int(tokens[0])
        body = tokens[header:header + count * width]
        if count < 0 or len(body) < count * width:
            raise RenderError(f"{path}: ends after {len(body) // width} of {count} records")
        try:
            values = np.array(body, dtype=dtype)
        except ValueError:
            values = np.array([real(t) for t in body]).astype(dtype)  # D exponents and the like, the slow way
        return values.reshape(count, width)
    except (ValueError, IndexError) as err:
        raise RenderError(f"{path}: cannot read the records ({err})") from None


def node_coordinates(model):
    """xyz.dat: the coordinates (mm) of every node, row k for node k + 1."""
    return _count_then_records(os.path.join(model, "xyz.dat"), 4, float)[:, 1:4]


def element_records(model):
    """elem.dat: per element its number, four corner nodes (counted from 0) and material."""
    return _count_then_records(os.path.join(model, "elem.dat"), 6, np.int64, header=2)


def tetrahedra(model):
    """elem.dat: the four corner nodes (counted from 0) of every element."""
    return element_records(model)[:, 1:5]


def conductivities(model):
    """prop.dat: the conductivity (S/m) of material k + 1 at row k, as the solver's 32-bit reals."""
    return _count_then_records(os.path.join(model, "prop.dat"), 1, float)[:, 0].astype(np.float32).astype(float)


def potentials(model):
    """POTENT.OUT: the potential (V) of every node."""
    return _count_then_records(os.path.join(model, "POTENT.OUT"), 2, float)[:, 1]


def boundary_entries(model):
    """bcp.dat: the entries (node counted from 0, code) in file order."""
    pairs = _count_then_records(os.path.join(model, "bcp.dat"), 2, np.int64)
    return np.column_stack([pairs[:, 0] - 1, pairs[:, 1]])


def electrode_nodes(model, code):
    """bcp.dat: the nodes (counted from 0) held at the potential with this code (-1 anode, -2 cathode)."""
    pairs = _count_then_records(os.path.join(model, "bcp.dat"), 2, np.int64)
    return np.unique(pairs[pairs[:, 1] == code, 0] - 1)


def reference_current(model):
    """ele_size.txt: the reference current in mA (its second value)."""
    return reference_values(model)[1]


def reference_values(model):
    """ele_size.txt: the reference area (mm^2) and current (mA)."""
    path = os.path.join(model, "ele_size.txt")
    tokens = _tokens(path)
    try:
        return real(tokens[0]), real(tokens[1])
    except (ValueError, IndexError):
        raise RenderError(f"{path}: no reference area and current (two values)") from None


def cortex_field(model):
    """cortexfield.out: the cortical points (mm), their current density |J| (A/m^2)
    and the triangles as point rows (counted from 0)."""
    path = os.path.join(model, "cortexfield.out")
    points, triangles = [], []
    with open(path, encoding="latin-1") as f:
        # six values per point record, then three point numbers per triangle
        for number, line in enumerate(f, 1):
            values = line.split()
            try:
                if len(values) == 6 and not triangles:
                    points.append([real(v) for v in values])
                elif len(values) == 3:
                    triangles.append([int(v) for v in values])
                elif values:
                    raise ValueError(f"{len(values)} values")
            except ValueError as err:
                raise RenderError(f"{path}: line {number} is neither a point nor a triangle record ({err})") from None
    if not points or not triangles:
        raise RenderError(f"{path}: {len(points)} points and {len(triangles)} triangles, nothing to draw")
    table, corners = np.array(points), np.array(triangles, dtype=np.int64) - 1
    if corners.min() < 0 or corners.max() >= len(table):
        raise RenderError(f"{path}: a triangle refers to a point outside 1..{len(table)}")
    return table[:, 0:3], table[:, 4], corners
