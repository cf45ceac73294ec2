#!/usr/bin/env python3
"""headmesh export's files read by meshio, the reader most Python users load
meshes with: a gmsh-made sphere imported, solved, mapped and exported to .vtu
and .msh; each of the four files (volume and cortex) must load, the volume's
potentials must be POTENT.OUT's, and the calibration must be kept. Exits 77
(skipped) when meshio is missing.

usage: meshio_check.py HEADMESH POTSOLVE CORTEXMAP"""
import os
import subprocess
import sys
import tempfile

SKIP = 77

try:
    import meshio
    import numpy as np
except ImportError as err:
    print(f"meshio not available: {err}")
    sys.exit(SKIP)


def run(args, cwd):
    subprocess.run(args, cwd=cwd, check=True, stdout=subprocess.DEVNULL, stdin=subprocess.DEVNULL)


def main():
    headmesh, potsolve, cortexmap = sys.argv[1:4]
    with tempfile.TemporaryDirectory() as d:
        run([headmesh, "sphere", "--size", "14", "--out", "sphere.msh"], d)
        run([headmesh, "import", "sphere.msh", "--out", "model", "--patch", "0,0,92,40=1", "--patch",
             "0,0,-92,40=0", "--cortex-of", "2", "--current", "2"], d)
        model = os.path.join(d, "model")
        run([potsolve], model)
        run([cortexmap], model)
        run([headmesh, "export", "model", "--out", "out.vtu"], d)
        run([headmesh, "export", "model", "--out", "out.msh"], d)
        with open(os.path.join(model, "POTENT.OUT")) as f:
            values = f.read().split()
        potent = np.array([float(v) for v in values[2::2]], dtype=np.float32)
        npts = int(open(os.path.join(model, "cortex.dat")).read().split()[0])
        failures = []
        for name in ("out.vtu", "out.msh"):
            volume = meshio.read(os.path.join(d, name))
            u = np.asarray(volume.point_data["potential (V)"], dtype=np.float32).ravel()
            if not np.array_equal(u, potent):
                failures.append(f"{name}: the potentials are not POTENT.OUT's")
            cortex = meshio.read(os.path.join(d, name.replace("out", "out_cortex")))
            if len(cortex.points) != npts:
                failures.append(f"{name}: cortex of {len(cortex.points)} points, cortex.dat has {npts}")
            names = list(cortex.point_data) + list(cortex.field_data)
            if not any("E normal" in n for n in names):
                failures.append(f"{name}: no normal component on the cortex")
        kept = meshio.read(os.path.join(d, "out.vtu")).field_data
        if "factor applied: exact electrode current" not in kept:
            failures.append(f"out.vtu: the calibration is lost ({sorted(kept)})")
        if not any("[exact-current calibration]" in n for n in meshio.read(os.path.join(d, "out.msh")).cell_data):
            failures.append("out.msh: the calibration is lost")
        for f in failures:
            print(f)
        return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
