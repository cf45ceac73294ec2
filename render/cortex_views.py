"""Lit views of the cortex coloured by a quantity, inside a translucent scalp
with the electrode patches drawn on it, rendered off-screen with VTK."""
from dataclasses import dataclass

import numpy as np
import vtkmodules.vtkRenderingOpenGL2  # noqa: F401  (the OpenGL back end of the render window)
from vtkmodules.util.numpy_support import numpy_to_vtk, numpy_to_vtkIdTypeArray, vtk_to_numpy
from vtkmodules.vtkCommonCore import vtkLookupTable, vtkPoints
from vtkmodules.vtkCommonDataModel import vtkCellArray, vtkPolyData
from vtkmodules.vtkFiltersCore import vtkFeatureEdges, vtkPolyDataNormals
from vtkmodules.vtkRenderingCore import (vtkActor, vtkLightKit, vtkPolyDataMapper, vtkRenderer, vtkRenderWindow,
                                         vtkWindowToImageFilter)


ANODE_RGB = (0.85, 0.1, 0.1)
CATHODE_RGB = (0.1, 0.35, 0.95)
SCALP_RGB = (0.55, 0.55, 0.55)
SCALP_OPACITY = 0.12


@dataclass
class View:
    caption: str
    towards_camera: tuple  # from the centre of the head to the camera
    up: tuple


# The views of head images, for a head with x to its right, y to its front and
# z up: from the left and the right, from the top (front upwards) and from the
# front (the head's right on the image's left, as facing a person).
VIEWS = (View("left (\N{MINUS SIGN}x)", (-1, 0, 0), (0, 0, 1)),
         View("right (+x)", (1, 0, 0), (0, 0, 1)),
         View("top (+z): front up, x right", (0, 0, 1), (0, 1, 0)),
         View("front (+y): x left", (0, 1, 0), (0, 0, 1)))


@dataclass
class Scene:
    """What every view shows: the cortex with a value per point, the head's outer
    surface, and the electrode patches with their colours (RGB in 0..1)."""
    cortex_points: np.ndarray
    cortex_values: np.ndarray
    cortex_triangles: np.ndarray
    colour_range: tuple
    colours: np.ndarray  # the colour map as rows of RGB
    head_points: np.ndarray
    head_faces: np.ndarray
    electrodes: list  # (patch faces, patch nodes, RGB) of the anode, then of the cathode


def _polydata(points, triangles=None, vertices=None):
    pd = vtkPolyData()
    pts = vtkPoints()
    pts.SetData(numpy_to_vtk(np.ascontiguousarray(points, dtype=float), deep=1))
    pd.SetPoints(pts)
    # the triangles and the vertex cells, where given
    for cells, setter in ((triangles, pd.SetPolys), (vertices, pd.SetVerts)):
        if cells is None:
            continue
        cells = np.asarray(cells, dtype=np.int64).reshape(len(cells), -1)
        offsets = np.arange(0, cells.size + 1, cells.shape[1], dtype=np.int64)
        array = vtkCellArray()
        array.SetData(numpy_to_vtkIdTypeArray(offsets, deep=1), numpy_to_vtkIdTypeArray(cells.ravel(), deep=1))
        setter(array)
    return pd


def _cortex_actor(scene):
    surface = _polydata(scene.cortex_points, scene.cortex_triangles)
    surface.GetPointData().SetScalars(numpy_to_vtk(np.ascontiguousarray(scene.cortex_values, dtype=float), deep=1))
    normals = vtkPolyDataNormals()  # smooth shading across the folds, whatever the triangle order
    normals.SetInputData(surface)
    normals.SplittingOff()
    normals.ConsistencyOn()
    lut = vtkLookupTable()
    lut.SetNumberOfTableValues(len(scene.colours))
    lut.SetRange(*scene.colour_range)
    # the colour map, entry by entry
    for i, (r, g, b) in enumerate(scene.colours):
        lut.SetTableValue(i, r, g, b, 1.0)
    mapper = vtkPolyDataMapper()
    mapper.SetInputConnection(normals.GetOutputPort())
    mapper.SetLookupTable(lut)
    mapper.UseLookupTableScalarRangeOn()
    mapper.InterpolateScalarsBeforeMappingOn()
    actor = vtkActor()
    actor.SetMapper(mapper)
    prop = actor.GetProperty()
    prop.SetAmbient(0.4)  # enough that the colours keep reading against the bar at grazing light
    prop.SetDiffuse(0.65)
    prop.SetSpecular(0.0)  # a highlight would read as a spot of higher density
    return actor


def _line_actor(source, rgb, width):
    mapper = vtkPolyDataMapper()
    mapper.SetInputConnection(source.GetOutputPort())
    mapper.ScalarVisibilityOff()
    actor = vtkActor()
    actor.SetMapper(mapper)
    actor.GetProperty().SetColor(*rgb)
    actor.GetProperty().SetLineWidth(width)
    actor.GetProperty().LightingOff()
    return actor


def _electrode_actor(faces, nodes, points, rgb):
    """The rim of the electrode patch, or its nodes as dots where they span no boundary triangle."""
    if len(faces):
        rim = vtkFeatureEdges()
        rim.SetInputData(_polydata(points, faces))
        rim.BoundaryEdgesOn()
        rim.FeatureEdgesOff()
        rim.ManifoldEdgesOff()
        rim.NonManifoldEdgesOff()
        return _line_actor(rim, rgb, 4)
    mapper = vtkPolyDataMapper()
    mapper.SetInputData(_polydata(points[nodes], vertices=np.arange(len(nodes))))
    mapper.ScalarVisibilityOff()
    actor = vtkActor()
    actor.SetMapper(mapper)
    actor.GetProperty().SetColor(*rgb)
    actor.GetProperty().SetPointSize(9)
    actor.GetProperty().RenderPointsAsSpheresOn()
    return actor


def _scalp_actor(scene):
    """The head's outer surface, translucent and unlit: a clean outline whatever
    the mesh (folded, cut below, open)."""
    mapper = vtkPolyDataMapper()
    mapper.SetInputData(_polydata(scene.head_points, scene.head_faces))
    mapper.ScalarVisibilityOff()
    actor = vtkActor()
    actor.SetMapper(mapper)
    prop = actor.GetProperty()
    prop.SetColor(*SCALP_RGB)
    prop.SetOpacity(SCALP_OPACITY)
    prop.LightingOff()
    return actor


def render(scene, view, pixels):
    """One view as an RGB image (rows from the top) of pixels x pixels."""
    renderer = vtkRenderer()
    renderer.SetBackground(1.0, 1.0, 1.0)
    renderer.AddActor(_cortex_actor(scene))
    centre = 0.5 * (scene.head_points.min(axis=0) + scene.head_points.max(axis=0))
    reach = np.linalg.norm(scene.head_points - centre, axis=1).max()
    camera = renderer.GetActiveCamera()
    camera.ParallelProjectionOn()
    camera.SetFocalPoint(*centre)
    towards = np.asarray(view.towards_camera, dtype=float)
    camera.SetPosition(*(centre + 4.0 * reach * towards / np.linalg.norm(towards)))
    camera.SetViewUp(*view.up)
    camera.SetParallelScale(1.04 * reach)

    renderer.AddActor(_scalp_actor(scene))
    # each electrode patch in its colour; a model may have no nodes of a code
    for faces, nodes, rgb in scene.electrodes:
        if len(nodes):
            renderer.AddActor(_electrode_actor(faces, nodes, scene.head_points, rgb))

    lights = vtkLightKit()
    lights.AddLightsToRenderer(renderer)
    renderer.ResetCameraClippingRange()

    window = vtkRenderWindow()
    window.SetOffScreenRendering(1)
    window.SetMultiSamples(0)  # depth peeling, for the translucent scalp, needs no multisampling
    window.SetAlphaBitPlanes(1)
    renderer.SetUseDepthPeeling(1)
    renderer.SetMaximumNumberOfPeels(8)
    window.SetSize(pixels, pixels)
    window.AddRenderer(renderer)
    window.Render()
    grab = vtkWindowToImageFilter()
    grab.SetInput(window)
    grab.SetInputBufferTypeToRGB()
    grab.ReadFrontBufferOff()
    grab.Update()
    image = grab.GetOutput()
    width, height, _ = image.GetDimensions()
    rgb = vtk_to_numpy(image.GetPointData().GetScalars()).reshape(height, width, 3)
    window.Finalize()
    return rgb[::-1].copy()
