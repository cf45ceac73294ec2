"""The fields of a solved model computed from its files: per element the
gradient of the potential, the current through the reference electrode (the
reaction current of the solution: the rows of its held nodes times the
potentials), the two calibrations, and the elements the cortex samples."""
import os

import numpy as np

import model_files
from model_files import RenderError


class Model:
    """The solved model in metres: nodes, elements, conductivity per element,
    potentials (V) and the boundary entries (node from 0, code) in file order."""

    def __init__(self, model):
        self.points = model_files.node_coordinates(model) * 0.001
        elements = model_files.element_records(model)
        self.tets, material = elements[:, 1:5], elements[:, 5]
        prop = model_files.conductivities(model)
        if material.min() < 1 or material.max() > len(prop):
            raise RenderError(f"elem.dat: a material outside 1..{len(prop)} of prop.dat")
        self.sigma = prop[material - 1]
        self.potential = model_files.potentials(model)
        if len(self.potential) != len(self.points):
            raise RenderError("POTENT.OUT: not one potential per node of xyz.dat (run potsolve again)")
        self.entries = model_files.boundary_entries(model)
        corners = self.points[self.tets]
        edges = corners[:, 1:] - corners[:, :1]
        self.det = np.linalg.det(edges)
        rise = self.potential[self.tets[:, 1:]] - self.potential[self.tets[:, :1]]
        flat = self.det == 0
        edges[flat] = np.eye(3)
        self.gradient = np.linalg.solve(edges, rise[..., None])[..., 0]  # edges @ g = rise
        self.gradient[flat] = 0.0

    def reaction_current(self, code):
        """The current (A) out of the electrode whose nodes carry the code into the head."""
        held = np.zeros(len(self.points), dtype=bool)
        held[self.entries[self.entries[:, 1] == code, 0]] = True
        edges = self.points[self.tets][:, 1:] - self.points[self.tets][:, :1]
        ok = self.det != 0
        # grad N_k for k = 1..3 are the rows of the inverse's transpose; grad N_0 their negative sum
        inverse = np.zeros_like(edges)
        inverse[ok] = np.linalg.inv(edges[ok])
        grad_n = np.concatenate([-inverse.sum(axis=2)[:, None, :], np.transpose(inverse, (0, 2, 1))], axis=1)
        share = (self.sigma * np.abs(self.det) / 6.0)[:, None] * np.einsum("ekx,ex->ek", grad_n, self.gradient)
        return float(share[held[self.tets]].sum())

    def cortexmap_factor(self, area_mm2, current_ma):
        """cortexmap's factor: the mean over the code 1 and -1 entries of the
        node-averaged |J| times the reference area gives the reference current."""
        jmag = self.sigma * np.linalg.norm(self.gradient, axis=1)
        total = np.zeros(len(self.points))
        count = np.zeros(len(self.points))
        np.add.at(total, self.tets, jmag[:, None])
        np.add.at(count, self.tets, 1.0)
        nodes = self.entries[np.abs(self.entries[:, 1]) == 1, 0]
        mean = (total[nodes] / np.maximum(count[nodes], 1)).mean() if len(nodes) else 0.0
        return abs(current_ma) * 0.001 / (mean * area_mm2 * 1e-6) if mean > 0 else 0.0

    def exact_factor(self, current_ma):
        """The factor that makes the reference electrode (code -1) carry the reference current."""
        current = self.reaction_current(-1)
        return abs(current_ma) * 0.001 / abs(current) if current else 0.0

    def nearest_elements(self, points_mm):
        """The element whose centroid is nearest to each point (mm)."""
        from vtkmodules.util.numpy_support import numpy_to_vtk
        from vtkmodules.vtkCommonCore import vtkPoints
        from vtkmodules.vtkCommonDataModel import vtkPolyData, vtkStaticPointLocator
        cloud = vtkPoints()
        cloud.SetData(numpy_to_vtk(np.ascontiguousarray(1000.0 * self.points[self.tets].mean(axis=1)), deep=1))
        data = vtkPolyData()
        data.SetPoints(cloud)
        locator = vtkStaticPointLocator()
        locator.SetDataSet(data)
        locator.BuildLocator()
        return np.array([locator.FindClosestPoint(p) for p in points_mm], dtype=np.int64)


def normals_into(points, triangles):
    """The unit normal at every point into the cortex: opposite to the mean of its
    triangles' normals, the corners running counter-clockwise seen from outside."""
    a, b, c = (points[triangles[:, k]] for k in range(3))
    area_normal = np.cross(b - a, c - a)
    total = np.zeros_like(points)
    for k in range(3):
        np.add.at(total, triangles[:, k], area_normal)
    length = np.linalg.norm(total, axis=1)
    return -total / np.where(length > 0, length, 1.0)[:, None]


def has_solution(model):
    return all(os.path.isfile(os.path.join(model, f)) for f in ("POTENT.OUT", "prop.dat", "bcp.dat"))
