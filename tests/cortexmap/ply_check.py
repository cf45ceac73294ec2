#!/usr/bin/env python3
"""Runs cortexmap on a small model and loads its cortexfield.ply with two PLY
readers: VTK's (tolerant) and meshio's (strict). Checks the vertex and face
counts and the vertex colours. Exits 77 (skipped) when a reader is missing."""
import os
import subprocess
import sys
import tempfile

SKIP = 77

try:
    import meshio
    import numpy as np
    from vtkmodules.vtkIOPLY import vtkPLYReader
    from vtkmodules.util.numpy_support import vtk_to_numpy
except ImportError as err:
    print(f"PLY readers not available: {err}")
    sys.exit(SKIP)


def write(path, text):
    with open(path, "w") as f:
        f.write(text)


def make_model(d):
    # A 2x2x2 brick of 1 m cubes (in mm), six tetrahedra per cube; the potential
    # x*y*z makes the current density vary, so the colours spread over the ramp.
    n = 3
    node = lambda i, j, k: i + n * (j + n * k)
    xyz = [(1000.0 * i, 1000.0 * j, 1000.0 * k) for k in range(n) for j in range(n) for i in range(n)]
    axes = [(0, 1, 2), (0, 2, 1), (1, 0, 2), (1, 2, 0), (2, 0, 1), (2, 1, 0)]
    elems = []
    for k in range(n - 1):
        for j in range(n - 1):
            for i in range(n - 1):
                for ax in axes:
                    c = [i, j, k]
                    corners = [node(*c)]
                    for a in ax:
                        c[a] += 1
                        corners.append(node(*c))
                    elems.append(corners)
    write(os.path.join(d, "xyz.dat"), f"{len(xyz)}\n" + "".join(f"{p + 1} {x} {y} {z}\n" for p, (x, y, z) in enumerate(xyz)))
    write(os.path.join(d, "elem.dat"), f"{len(elems)} 4\n" + "".join(f"{e} {a} {b} {c} {dd} 1\n" for e, (a, b, c, dd) in enumerate(elems)))
    write(os.path.join(d, "potent.out"), f"{len(xyz)}\n" + "".join(f"{p + 1} {x * y * z / 1e9!r}\n" for p, (x, y, z) in enumerate(xyz)))
    write(os.path.join(d, "prop.dat"), "1\n0.33\n")
    write(os.path.join(d, "bval.dat"), "1\n0.0\n")
    write(os.path.join(d, "bcp.dat"), "2\n1 1\n27 -1\n")
    write(os.path.join(d, "ele_size.txt"), "25.0 2.0\n")
    pts = [(100.0 * i, 90.0 * j + 5, 1999.0 - 100.0 * i) for i in range(20) for j in range(20)]
    tris = [(p, p + 1, p + 20) for p in range(1, 380) if p % 20 != 0]
    write(os.path.join(d, "cortex.dat"), f"{len(pts)} {len(tris)}\n" + "".join(f"{x} {y} {z}\n" for x, y, z in pts)
          + "".join(f"{a} {b} {c}\n" for a, b, c in tris))
    return len(pts), len(tris)


def expected_colours(path, npts):
    # the vertex records as written: three coordinates, then red, green, blue
    with open(path) as f:
        lines = f.read().split("\n")
    start = lines.index("end_header") + 1
    return np.array([[int(v) for v in line.split()[3:6]] for line in lines[start:start + npts]])


def main():
    program = sys.argv[1]
    with tempfile.TemporaryDirectory() as d:
        npts, ntri = make_model(d)
        run = subprocess.run([program], cwd=d, capture_output=True)
        if run.returncode != 0:
            print(run.stdout.decode("latin-1"), run.stderr.decode("latin-1"))
            return 1
        ply = os.path.join(d, "cortexfield.ply")
        want = expected_colours(ply, npts)
        failures = []
        if len({tuple(c) for c in want}) < 3:
            failures.append("the test model should give several colours")

        reader = vtkPLYReader()
        reader.SetFileName(ply)
        reader.Update()
        mesh = reader.GetOutput()
        if mesh.GetNumberOfPoints() != npts or mesh.GetNumberOfCells() != ntri:
            failures.append(f"VTK: {mesh.GetNumberOfPoints()} vertices, {mesh.GetNumberOfCells()} faces")
        rgb = mesh.GetPointData().GetScalars()
        if rgb is None or not np.array_equal(vtk_to_numpy(rgb).astype(int), want):
            failures.append("VTK: vertex colours differ")

        m = meshio.read(ply)
        faces = sum(len(c.data) for c in m.cells if c.type == "triangle")
        if len(m.points) != npts or faces != ntri:
            failures.append(f"meshio: {len(m.points)} vertices, {faces} faces")
        cols = np.column_stack([np.asarray(m.point_data[k]).astype(int) for k in ("red", "green", "blue")])
        if not np.array_equal(cols, want):
            failures.append("meshio: vertex colours differ")
        first = m.cells[0].data[0].tolist()
        if first != [0, 1, 20]:
            failures.append(f"meshio: first face {first}")

        for f in failures:
            print(f)
        if not failures:
            print(f"cortexfield.ply: {npts} vertices, {ntri} faces and their colours read by VTK and meshio")
        return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
