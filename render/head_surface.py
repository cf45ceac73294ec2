"""The outer surface of the head mesh (the scalp) and the electrode patches on it."""
import numpy as np

from model_files import RenderError

# the four faces of a tetrahedron as corner positions, each with the corner opposite it
_FACES = ((0, 1, 2, 3), (0, 1, 3, 2), (0, 2, 3, 1), (1, 2, 3, 0))


def outer_faces(tets, points):
    """The triangles that belong to one element only: the boundary of the mesh,
    each ordered so that its normal points out of the mesh."""
    nnode = len(points)
    if tets.size and (tets.min() < 0 or tets.max() >= nnode):
        raise RenderError(f"elem.dat: an element refers to a node outside 0..{nnode - 1}")
    faces = np.concatenate([tets[:, list(f)] for f in _FACES])
    ordered = np.sort(faces[:, :3], axis=1)
    keys = (ordered[:, 0] * nnode + ordered[:, 1]) * nnode + ordered[:, 2]
    _, first, count = np.unique(keys, return_index=True, return_counts=True)
    outer = faces[first[count == 1]]
    a, b, c, inside = (points[outer[:, k]] for k in range(4))
    inward = np.einsum("ij,ij->i", np.cross(b - a, c - a), inside - a) > 0
    outer[inward] = outer[inward][:, [0, 2, 1, 3]]
    return outer[:, :3]


def patch_faces(faces, nodes, nnode):
    """The boundary triangles whose three corners are all among the given nodes."""
    if nodes.size and (nodes.min() < 0 or nodes.max() >= nnode):
        raise RenderError(f"bcp.dat: an electrode node outside 1..{nnode}")
    member = np.zeros(nnode, dtype=bool)
    member[nodes] = True
    return faces[member[faces].all(axis=1)]
