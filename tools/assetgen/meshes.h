#pragma once
// The two wire-frame objects. Faces are wound so that (b − a) × (c − a)
// points out of the object, which is what the toolkit's facing test keeps as
// a front face; edges between two faces in one plane (the diagonals of flat
// quads, the spokes of a cap) are flagged hidden.

#include "data/mesh.h"

namespace assetgen {

// "tagg.obj": a star of eight long spikes on an octahedron, about 800 units
// across (100 to 130 pixels at the panorama's viewing distance).
data::Mesh buildSpikeMesh();
// "astro.obj": a ring station (torus, hub, four spokes), about 36 units across.
data::Mesh buildStationMesh();

}  // namespace assetgen
